#!/usr/bin/env python3
"""gtk_text_target.py TITLE FILE: a GTK 3 window titled TITLE with a text
view that has the keyboard focus, for the tests to type into. Every change of
its text is written to FILE (UTF-8, whole, replacing the file at once so that
a reader never sees half of it); FILE exists, empty, once the window is up."""
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def save(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: gtk_text_target.py TITLE FILE\n")
        return 2
    title, path = sys.argv[1], sys.argv[2]
    window = Gtk.Window(title=title)
    window.set_default_size(640, 360)
    view = Gtk.TextView()
    window.add(view)
    buffer = view.get_buffer()

    def text():
        return buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)

    buffer.connect("changed", lambda b: save(path, text()))
    window.connect("destroy", lambda w: (save(path, text()), Gtk.main_quit()))
    window.show_all()
    view.grab_focus()
    GLib.idle_add(lambda: save(path, text()) and False)
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
