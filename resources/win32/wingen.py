#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
"""Makes the Windows build's resource files from the data the Linux build uses too.

    wingen.py strings strings.tsv out.rc      the string table as a STRINGTABLE block
    wingen.py icon out.ico a.xpm [b.xpm ...]  an icon with one image per XPM (16 colours)
    wingen.py bitmap out.bmp a.xpm            a 16-colour uncompressed bitmap

The artwork stays in resources/icons (drawn by draw.py); this only re-encodes it. XPM
colour "None" is the icon's transparent colour; in a bitmap it becomes light grey.
"""
import struct
import sys


def read_tsv(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            parts = line.split("\t", 2)
            if len(parts) != 3 or not parts[0].isdigit():
                sys.exit(f"{path}:{number}: expected <id> TAB <name> TAB <text>")
            entries.append((int(parts[0]), parts[2]))
    return entries


def rc_literal(text):
    # A resource-script string: quotes doubled, backslashes escaped, every character
    # beyond ASCII as its UTF-16 escape so that no code page is involved.
    out = []
    for ch in text:
        if ch == '"':
            out.append('""')
        elif ch == "\\":
            out.append("\\\\")
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            for unit in struct.unpack("<%dH" % (len(ch.encode("utf-16-le")) // 2),
                                      ch.encode("utf-16-le")):
                out.append("\\x%04x" % unit)
    return 'L"' + "".join(out) + '"'


def write_strings(tsv, out):
    lines = ["// Generated from strings.tsv by wingen.py. Do not edit.",
             "LANGUAGE 0x09, 0x01  // English (United States), 1033",
             "STRINGTABLE", "BEGIN"]
    lines += [f"    {number}, {rc_literal(text)}" for number, text in read_tsv(tsv)]
    lines += ["END", ""]
    with open(out, "w", encoding="ascii") as f:
        f.write("\n".join(lines))


def read_xpm(path):
    with open(path, encoding="ascii") as f:
        rows = [part.split('"')[1] for part in f.read().split("\n") if part.startswith('"')]
    width, height, ncolours, cpp = map(int, rows[0].split()[:4])
    colours = {}
    for row in rows[1:1 + ncolours]:
        key, value = row[:cpp], row[cpp:].split()[-1]
        colours[key] = None if value == "None" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    pixels = [[colours[r[x * cpp:(x + 1) * cpp]] for x in range(width)]
              for r in rows[1 + ncolours:1 + ncolours + height]]
    return width, height, pixels


def palette_of(pixels, transparent):
    palette = []
    for row in pixels:
        for colour in row:
            colour = transparent if colour is None else colour
            if colour not in palette:
                palette.append(colour)
    if len(palette) > 16:
        sys.exit("more than 16 colours")
    return palette + [(0, 0, 0)] * (16 - len(palette))


def dib_4bit(width, height, pixels, palette, transparent, image_height):
    header = struct.pack("<IiiHHIIiiII", 40, width, image_height, 1, 4, 0, 0, 0, 0, 16, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    stride = ((width * 4 + 31) // 32) * 4
    data = b""
    for row in reversed(pixels):  # bottom-up
        line = bytearray(stride)
        for x, colour in enumerate(row):
            index = palette.index(transparent if colour is None else colour)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += bytes(line)
    return header + table + data


def write_icon(out, xpms):
    images = []
    for path in xpms:
        width, height, pixels = read_xpm(path)
        palette = palette_of(pixels, (0, 0, 0))
        image = dib_4bit(width, height, pixels, palette, (0, 0, 0), height * 2)
        mask_stride = ((width + 31) // 32) * 4
        for row in reversed(pixels):
            line = bytearray(mask_stride)
            for x, colour in enumerate(row):
                if colour is None:
                    line[x // 8] |= 0x80 >> (x % 8)
            image += bytes(line)
        images.append((width, height, image))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for width, height, image in images:
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4,
                                 len(image), offset + len(body))
        body += image
    with open(out, "wb") as f:
        f.write(directory + body)


def write_bitmap(out, xpm):
    width, height, pixels = read_xpm(xpm)
    grey = (192, 192, 192)
    dib = dib_4bit(width, height, pixels, palette_of(pixels, grey), grey, height)
    with open(out, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 14 + 40 + 64) + dib)


if __name__ == "__main__":
    command, out, *inputs = sys.argv[1:]
    if command == "strings":
        write_strings(inputs[0], out)
    elif command == "icon":
        write_icon(out, inputs)
    elif command == "bitmap":
        write_bitmap(out, inputs[0])
    else:
        sys.exit(__doc__)
