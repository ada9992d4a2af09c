#!/usr/bin/env python3
"""Builds the Linux edition's Debian package with CPack into a fresh folder and
inspects it: the program, stripped, in /usr/bin; a desktop entry that starts
it with its icon; a 64-pixel PNG icon where the desktop looks for it; the
package version of the build; and dependencies on the Qt and X libraries the
program loads. Prints the package's size.

usage: inspect_deb.py CPACK_CONFIG VERSION"""
import os
import struct
import subprocess
import sys
import tempfile


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def run(*args, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, **kwargs)


def main(config, version):
    with tempfile.TemporaryDirectory() as work:
        run("cpack", "--config", config, "-G", "DEB", "-B", work)
        debs = [f for f in os.listdir(work) if f.endswith(".deb")]
        if len(debs) != 1:
            fail("expected one package, found %r" % debs)
        deb = os.path.join(work, debs[0])
        fields = {}
        for line in run("dpkg-deb", "-f", deb).stdout.decode().splitlines():
            if ":" in line and not line.startswith(" "):
                key, value = line.split(":", 1)
                fields[key.strip()] = value.strip()
        if fields.get("Package") != "strumlet":
            fail("package name %r" % fields.get("Package"))
        if fields.get("Version") != version:
            fail("package version %r, the build's is %s" % (fields.get("Version"), version))
        depends = fields.get("Depends", "")
        for library in ("libqt6widgets6", "libx11-6", "libxtst6"):
            if library not in depends:
                fail("no dependency on %s in %r" % (library, depends))

        root = os.path.join(work, "root")
        run("dpkg-deb", "-x", deb, root)
        program = os.path.join(root, "usr/bin/strumlet")
        if not os.access(program, os.X_OK):
            fail("no executable /usr/bin/strumlet")
        sections = run("readelf", "-S", "-W", program).stdout.decode()
        if ".debug_info" in sections or ".symtab" in sections:
            fail("/usr/bin/strumlet is not stripped")

        entry_path = os.path.join(root, "usr/share/applications/strumlet.desktop")
        if not os.path.exists(entry_path):
            fail("no desktop entry")
        entry = {}
        lines = open(entry_path, encoding="utf-8").read().splitlines()
        if not lines or lines[0] != "[Desktop Entry]":
            fail("the desktop entry does not start with its group header")
        for line in lines[1:]:
            if "=" in line:
                key, value = line.split("=", 1)
                entry[key] = value
        expected = {"Type": "Application", "Name": "Strumlet", "Exec": "strumlet", "Icon": "strumlet", "Terminal": "false"}
        for key, value in expected.items():
            if entry.get(key) != value:
                fail("desktop entry %s=%r, expected %r" % (key, entry.get(key), value))

        icon = os.path.join(root, "usr/share/icons/hicolor/64x64/apps/strumlet.png")
        if not os.path.exists(icon):
            fail("no icon in the 64x64 theme folder")
        data = open(icon, "rb").read()
        if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
            fail("the icon is not a PNG")
        width, height = struct.unpack(">II", data[16:24])
        if (width, height) != (64, 64):
            fail("the icon is %dx%d, its folder says 64x64" % (width, height))
        print("package %s: %d KB, program %d KB" % (debs[0], os.path.getsize(deb) // 1024, os.path.getsize(program) // 1024))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    main(sys.argv[1], sys.argv[2])
