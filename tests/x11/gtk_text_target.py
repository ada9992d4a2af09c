#!/usr/bin/python3
# gtk_text_target.py TITLE FILE: a GTK 3 window titled TITLE with a text view
# that has the keyboard focus, for the tests to type into. Every change of
# its text is written to FILE (UTF-8, whole, replacing the file at once so
# that a reader never sees half of it); FILE exists, empty, once the window
# is up. GTK answers the window manager's _NET_WM_PING with the substructure
# mask, where Qt uses the structure mask.
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def save(path, text):
    part = path + ".part"
    with open(part, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(part, path)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: gtk_text_target.py TITLE FILE\n")
        return 2
    title, path = sys.argv[1], sys.argv[2]
    window = Gtk.Window(title=title)
    window.set_default_size(480, 240)
    view = Gtk.TextView()
    text = view.get_buffer()
    text.connect("changed", lambda b: save(path, b.get_text(b.get_start_iter(), b.get_end_iter(), True)))
    window.add(view)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    view.grab_focus()
    # Ready once the main loop runs with the window shown.
    GLib.idle_add(lambda: save(path, "") or False)
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
