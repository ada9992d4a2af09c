#!/usr/bin/python3
# gtk_text_target.py [--scrolled] TITLE FILE: a GTK 3 window titled TITLE
# holding a multi-line text view (GtkTextView) that has the keyboard focus,
# for the tests to type into, as into any GTK program, on X11 or Wayland.
# Every change of its text is written to FILE (UTF-8, whole, through a new
# file renamed over the old one, so that a reader never sees half of it)
# from the change's own handler: the text is in the file before GTK reads
# the next event. FILE exists once the window is shown and the main loop
# runs, and holds the text again when the window closes.
#
# --scrolled puts the view in a scrolled window that wraps at any character
# and asks for the window to be presented: for long texts (the real-target
# tests and the typing benchmark). GTK answers the X window manager's
# _NET_WM_PING with the substructure mask, where Qt uses the structure mask.
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
    args = sys.argv[1:]
    scrolled = bool(args) and args[0] == "--scrolled"
    if scrolled:
        args = args[1:]
    if len(args) != 2:
        sys.stderr.write("usage: gtk_text_target.py [--scrolled] TITLE FILE\n")
        return 2
    title, path = args
    window = Gtk.Window(title=title)
    window.set_default_size(640, 360)
    view = Gtk.TextView()
    buffer = view.get_buffer()

    def text():
        return buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)

    buffer.connect("changed", lambda _buffer: save(path, text()))
    window.connect("destroy", lambda _window: (save(path, text()), Gtk.main_quit()))
    if scrolled:
        view.set_wrap_mode(Gtk.WrapMode.CHAR)
        scroller = Gtk.ScrolledWindow()
        scroller.add(view)
        window.add(scroller)
    else:
        window.add(view)
    window.show_all()
    view.grab_focus()
    if scrolled:
        window.present()

    # Ready once the main loop runs with the window shown.
    GLib.idle_add(lambda: save(path, text()) and False)
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
