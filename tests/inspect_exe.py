#!/usr/bin/env python3
"""Inspects a built strumlet.exe: it imports only Windows' own DLLs, has ASLR
and DEP set, and carries its version resource (the file version and the
version string the build passes, such as 1.1.0.48 and "1.01.0048"), its icons
and its manifest with the same version. Prints the file's size (the build
strips it) against the 512 KB goal.

usage: inspect_exe.py EXE FILE_VERSION VERSION_STRING"""
import os
import struct
import sys

ALLOWED = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "comctl32.dll", "advapi32.dll", "shell32.dll"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main(path, expected_version, expected_string):
    expected = tuple(int(part) for part in expected_version.split("."))
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail("not a PE file")
    machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    pe32plus = magic == 0x20B
    dll_chars = struct.unpack_from("<H", data, opt + 70)[0]
    dirs = opt + (112 if pe32plus else 96)
    sec_table = opt + opt_size
    secs = []
    for i in range(sections):
        name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", data, sec_table + 40 * i)
        secs.append((vaddr, max(vsize, rsize), raddr))

    def off(rva):
        for vaddr, size, raddr in secs:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        fail("RVA 0x%x outside the sections" % rva)

    def cstr(o):
        return data[o:data.index(b"\0", o)].decode("ascii")

    # Imports.
    imp_rva = struct.unpack_from("<I", data, dirs + 8)[0]
    dlls = []
    o = off(imp_rva)
    while True:
        entry = struct.unpack_from("<IIIII", data, o)
        if entry == (0, 0, 0, 0, 0):
            break
        dlls.append(cstr(off(entry[3])).lower())
        o += 20
    print("imports:", ", ".join(dlls))
    extra = [d for d in dlls if d not in ALLOWED]
    if extra:
        fail("imports other DLLs: " + ", ".join(extra))

    # ASLR and DEP.
    print("DllCharacteristics: 0x%04x" % dll_chars)
    if not dll_chars & 0x40:
        fail("no DYNAMIC_BASE (ASLR)")
    if not dll_chars & 0x100:
        fail("no NX_COMPAT (DEP)")

    # Resources.
    res_rva = struct.unpack_from("<I", data, dirs + 16)[0]
    base = off(res_rva)

    def entries(o):
        named, ids = struct.unpack_from("<HH", data, o + 12)
        for i in range(named + ids):
            ident, target = struct.unpack_from("<II", data, o + 16 + 8 * i)
            yield ident, target

    types = {}
    for ident, target in entries(base):
        types[ident] = target
    for needed, label in ((RT_VERSION, "version"), (RT_MANIFEST, "manifest"), (RT_GROUP_ICON, "icon")):
        if needed not in types:
            fail("no %s resource" % label)

    def first_leaf(target):
        o = base + (target & 0x7FFFFFFF)
        while target & 0x80000000:
            _, target = next(entries(o))
            o = base + (target & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", data, o)
        return data[off(rva):off(rva) + size]

    version = first_leaf(types[RT_VERSION])
    sig = version.find(struct.pack("<I", 0xFEEF04BD))
    if sig < 0:
        fail("no fixed file info")
    ms, ls = struct.unpack_from("<II", version, sig + 8)
    file_version = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    print("file version: %d.%d.%d.%d" % file_version)
    if file_version != expected:
        fail("file version is not " + expected_version)
    if expected_string.encode("utf-16-le") not in version:
        fail('no version string "%s"' % expected_string)
    for key in ("ProductName", "FileDescription"):
        if key.encode("utf-16-le") not in version:
            fail("no " + key)
    manifest = first_leaf(types[RT_MANIFEST]).decode("utf-8", "replace")
    for needle in ('name="Strumlet" version="%s"' % expected_version, "Microsoft.Windows.Common-Controls",
                   "PerMonitorV2", "asInvoker", "supportedOS"):
        if needle not in manifest:
            fail("manifest lacks " + needle)
    icons = sum(1 for _ in entries(base + (types[RT_GROUP_ICON] & 0x7FFFFFFF)))
    print("icon groups:", icons)

    size = os.path.getsize(path)
    print("stripped size: %d bytes (%.0f KB of the 512 KB goal)" % (size, size / 1024))
    print("1 passed, 0 failed")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3])
