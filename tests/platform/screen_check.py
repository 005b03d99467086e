#!/usr/bin/env python3
"""Checks an xwd screenshot of the whole screen against a 32-bit TGA picture: the picture must
be there scaled by the largest whole number that fits, centred, pixel for pixel, on black.

    screen_check.py SCREEN.xwd PICTURE.tga [SCREEN.png]
"""
import struct
import sys


def read_xwd(path):
    data = open(path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format, depth, width, height = header[:6]
    byte_order, bitmap_pad, bits_per_pixel, bytes_per_line = header[7], header[10], header[11], header[12]
    red_mask, green_mask, blue_mask = header[14:17]
    colormap_entries = header[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel != 32:
        sys.exit(f"unexpected xwd layout: version {version} format {pixmap_format} bpp {bits_per_pixel}")
    offset = header_size + colormap_entries * 12
    order = "<" if byte_order == 0 else ">"
    rows = []
    for y in range(height):
        start = offset + y * bytes_per_line
        words = struct.unpack(f"{order}{width}I", data[start:start + width * 4])
        if (red_mask, green_mask, blue_mask) != (0xFF0000, 0xFF00, 0xFF):
            sys.exit(f"unexpected colour masks {red_mask:x} {green_mask:x} {blue_mask:x}")
        rows.append([w & 0xFFFFFF for w in words])
    return width, height, rows


def read_tga(path):
    data = open(path, "rb").read()
    id_length, colormap_type, image_type = data[0], data[1], data[2]
    width, height, bpp, descriptor = struct.unpack("<HHBB", data[12:18])
    if image_type != 2 or bpp != 32 or colormap_type != 0:
        sys.exit(f"{path}: not an uncompressed 32-bit TGA")
    start = 18 + id_length
    rows = []
    for y in range(height):
        words = struct.unpack(f"<{width}I", data[start + y * width * 4:start + (y + 1) * width * 4])
        rows.append([w & 0xFFFFFF for w in words])
    if not descriptor & 0x20:
        rows.reverse()  # stored bottom-up
    return width, height, rows


def write_png(path, width, height, rows):
    import zlib
    raw = b"".join(b"\0" + b"".join(struct.pack(">I", w)[1:] for w in row) for row in rows)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main():
    screen_width, screen_height, screen = read_xwd(sys.argv[1])
    if len(sys.argv) > 3:  # keep a look at what was on the screen
        write_png(sys.argv[3], screen_width, screen_height, screen)
    width, height, picture = read_tga(sys.argv[2])
    scale = max(1, min(screen_width // width, screen_height // height))
    left = (screen_width - width * scale) // 2
    top = (screen_height - height * scale) // 2
    wrong = 0
    first = None
    for y in range(screen_height):
        row = screen[y]
        py = (y - top) // scale if top <= y < top + height * scale else None
        for x in range(screen_width):
            inside = py is not None and left <= x < left + width * scale
            expected = picture[py][(x - left) // scale] if inside else 0
            if row[x] != expected:
                wrong += 1
                if first is None:
                    first = (x, y, row[x], expected)
    print(f"screen {screen_width}x{screen_height}, picture {width}x{height} x{scale} at {left},{top}: "
          f"{wrong} pixels differ")
    if wrong:
        x, y, got, expected = first
        print(f"first at {x},{y}: {got:06x}, expected {expected:06x}")
        sys.exit(1)


if __name__ == "__main__":
    main()
