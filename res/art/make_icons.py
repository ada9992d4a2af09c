#!/usr/bin/env python3
"""Draws the program's icons: a key cap with a countdown arc and a red hand.

strumlet.ico: 16, 32 and 48 pixels, 32-bit with alpha (the program icon).
about.ico:    one 32 x 32 image in the 16 standard colours (the About
              window's picture), 766 bytes.
strumlet.png: 64 pixels with alpha, the Linux desktop entry's icon.

Run from the project folder: python3 res/art/make_icons.py
"""
import math
import struct
import zlib


def draw(n):
    px = [[(0, 0, 0, 0) for _ in range(n)] for _ in range(n)]
    s = n / 32.0

    def inside_round(x, y, x0, y0, x1, y1, r):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    for y in range(n):
        for x in range(n):
            fx, fy = x + 0.5, y + 0.5
            if inside_round(fx, fy, 1 * s, 3 * s, 31 * s, 30 * s, 5 * s):
                col = (60, 60, 70, 255)
                if inside_round(fx, fy, 2.5 * s, 4 * s, 29.5 * s, 26 * s, 4 * s):
                    t = (fy - 4 * s) / (22 * s)
                    g = int(235 - 40 * t)
                    col = (g, g, min(255, g + 8), 255)
                px[y][x] = col
    cx, cy, radius = 16 * s, 15 * s, 8.5 * s
    width = max(1.2, 2.6 * s)
    for y in range(n):
        for x in range(n):
            fx, fy = x + 0.5 - cx, y + 0.5 - cy
            d = math.hypot(fx, fy)
            angle = math.degrees(math.atan2(fx, -fy)) % 360
            if abs(d - radius) <= width / 2 and angle <= 300:
                px[y][x] = (30, 100, 220, 255)
            if abs(fx) <= width / 2 and -radius <= fy <= 0.5 * s:
                px[y][x] = (200, 40, 40, 255)
            if d <= 1.6 * s:
                px[y][x] = (200, 40, 40, 255)
    return px


def mask_rows(px, n):
    row_bytes = ((n + 31) // 32) * 4
    out = b""
    for row in reversed(px):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def image32(n):
    px = draw(n)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    data = b"".join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    return header + data + mask_rows(px, n)


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def image4(n):
    px = draw(n)

    def nearest(r, g, b):
        return min(range(16), key=lambda i: (VGA[i][0] - r) ** 2 + (VGA[i][1] - g) ** 2 + (VGA[i][2] - b) ** 2)

    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, n * n // 2, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in VGA)
    data = b""
    for row in reversed(px):
        idx = [nearest(r, g, b) if a else 0 for (r, g, b, a) in row]
        data += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, n, 2))
    return header + palette + data + mask_rows(px, n)


def write_ico(path, images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, bpp, colors, img in images:
        out += struct.pack("<BBBBHHII", n, n, colors, 0, 1, bpp, len(img), offset)
        offset += len(img)
    out += b"".join(img for (_, _, _, img) in images)
    with open(path, "wb") as f:
        f.write(out)
    return len(out)


def write_png(path, n):
    px = draw(n)
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


write_png("res/strumlet.png", 64)
write_ico("res/strumlet.ico", [(n, 32, 0, image32(n)) for n in (16, 32, 48)])
size = write_ico("res/about.ico", [(32, 4, 16, image4(32))])
assert size == 766, size
