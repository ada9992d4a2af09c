# A GTK 3 program that reads the clipboard as text and prints it as UTF-8:
# GTK's own requestor, as the users' GTK programs read what Strumlet copied.
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

text = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).wait_for_text()
if text is None:
    sys.exit(1)
sys.stdout.buffer.write(text.encode("utf-8"))
