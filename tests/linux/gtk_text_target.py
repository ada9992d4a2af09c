#!/usr/bin/python3
# gtk_text_target.py TITLE FILE: a GTK 3 window titled TITLE holding a
# multi-line text view (GtkTextView) that has the keyboard focus, for the
# tests to type into, as into any GTK program. Every change of its text is
# written to FILE (UTF-8, whole, through a new file renamed over the old one,
# so that a reader never sees half of it) from the change's own handler: the
# text is in the file before GTK reads the next event off the X connection.
# FILE exists, empty, once the window is shown and the main loop runs.
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def save(path, text):
    temp = path + ".new"
    with open(temp, "w", encoding="utf-8") as out:
        out.write(text)
    os.replace(temp, path)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: gtk_text_target.py TITLE FILE\n")
        return 2
    title, path = sys.argv[1], sys.argv[2]
    window = Gtk.Window(title=title)
    window.set_default_size(640, 360)
    window.connect("destroy", Gtk.main_quit)
    scroller = Gtk.ScrolledWindow()
    view = Gtk.TextView()
    view.set_wrap_mode(Gtk.WrapMode.CHAR)
    buffer = view.get_buffer()

    def changed(_buffer):
        save(path, buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True))

    buffer.connect("changed", changed)
    scroller.add(view)
    window.add(scroller)
    window.show_all()
    view.grab_focus()
    window.present()

    # Ready once the main loop runs with the window shown.
    GLib.idle_add(lambda: changed(buffer) and False)
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
