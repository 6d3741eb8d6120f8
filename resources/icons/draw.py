#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
"""Draws the program's icons and separator strip and writes them as XPM files here, each
also at twice its size (NAME@2x.xpm) for screens of device pixel ratio 2, and the program's
icon at the sizes of the desktop's icon theme (hicolor/SIZExSIZE/apps/*.png).

The icons use the standard 16-colour palette with a transparent background; light grey
is left out of them, since it stands for transparency in icon artwork. The strip has a
16-entry palette of its own, shades of grey-blue. Run it again after changing a drawing:
    python3 resources/icons/draw.py
"""
import math
import os
import struct
import zlib

STANDARD = {  # XPM key -> colour; "." is transparent
    ".": None, "#": "#000000", "r": "#800000", "g": "#008000", "o": "#808000",
    "n": "#000080", "p": "#800080", "t": "#008080", "d": "#808080", "R": "#FF0000",
    "G": "#00FF00", "Y": "#FFFF00", "B": "#0000FF", "M": "#FF00FF", "C": "#00FFFF",
    "w": "#FFFFFF",
}
HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    """A drawing in logical pixels, stored at `scale` device pixels per logical pixel.

    Rectangles and single pixels fill the device pixels their logical pixel covers;
    discs and thick lines are tested at every device pixel, so a larger scale draws the
    same picture with smoother curves (the 2x artwork and the large desktop icon).
    """

    def __init__(self, width, height, fill=".", scale=1):
        self.w, self.h, self.scale = width, height, scale
        self.pw, self.ph = round(width * scale), round(height * scale)
        self.px = [[fill] * self.pw for _ in range(self.ph)]

    def _span(self, v):
        return math.floor(v * self.scale + 1e-9), math.floor((v + 1) * self.scale + 1e-9)

    def set(self, x, y, key):
        if 0 <= x < self.w and 0 <= y < self.h:
            y0, y1 = self._span(y)
            x0, x1 = self._span(x)
            for py in range(y0, y1):
                for px in range(x0, x1):
                    self.px[py][px] = key

    def rect(self, x0, y0, x1, y1, key):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, key)

    def frame(self, x0, y0, x1, y1, key):
        for x in range(x0, x1 + 1):
            self.set(x, y0, key)
            self.set(x, y1, key)
        for y in range(y0, y1 + 1):
            self.set(x0, y, key)
            self.set(x1, y, key)

    def _centres(self):
        """Every device pixel with its centre in logical coordinates."""
        for py in range(self.ph):
            for px in range(self.pw):
                yield px, py, (px + 0.5) / self.scale, (py + 0.5) / self.scale

    def disc(self, cx, cy, r, key):
        for px, py, x, y in self._centres():
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                self.px[py][px] = key

    def thick_line(self, x0, y0, x1, y1, r, key):
        """All pixels whose centre lies within r of the segment."""
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        for px, py, x, y in self._centres():
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            if (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= r * r:
                self.px[py][px] = key


def write_xpm(name, canvas, palette):
    used = sorted({k for row in canvas.px for k in row})
    lines = ["/* XPM */", "/* SPDX-License-Identifier: MIT */",
             "/* SPDX-FileCopyrightText: Pelorus Viewer authors */",
             "static const char* const %s[] = {" % name.replace(".", "_").replace("@", "_"),
             '"%d %d %d 1",' % (canvas.pw, canvas.ph, len(used))]
    for key in used:
        lines.append('"%s c %s",' % (key, palette[key] or "None"))
    rows = ['"%s"' % "".join(row) for row in canvas.px]
    lines += [row + "," for row in rows[:-1]] + [rows[-1], "};"]
    with open(os.path.join(HERE, name + ".xpm"), "w") as out:
        out.write("\n".join(lines) + "\n")


def page(c, x0, y0, x1, y1, fold, paper, lines, line_step, line_indent):
    """A page with its top-right corner folded over."""
    c.rect(x0, y0, x1, y1, paper)
    c.frame(x0, y0, x1, y1, "#")
    for i in range(fold + 1):  # cut the corner along the diagonal
        for x in range(x1 - fold + i + 1, x1 + 1):
            c.set(x, y0 + i, ".")
        c.set(x1 - fold + i, y0 + i, "#")
    for i in range(1, fold):  # the folded flap
        for x in range(x1 - fold + 1, x1 - fold + i):
            c.set(x, y0 + i, "w")
    for i in range(fold + 1):
        c.set(x1 - fold, y0 + i, "#")
        c.set(x1 - fold + i, y0 + fold, "#")
    c.set(x1 - fold, y0 + fold, "#")
    y = y0 + fold + line_step // 2 + 1
    while y < y1 - 1:
        c.rect(x0 + line_indent, y, x1 - line_indent, y, lines)
        y += line_step
    for y in range(y0 + 3, y0 + fold, line_step):
        c.rect(x0 + line_indent, y, x1 - fold - 2, y, lines)


def magnifier(c, cx, cy, r, rim, glass, handle, handle_edge, end, handle_r, glint):
    ex = cx + (r - 0.5) / math.sqrt(2)
    c.thick_line(ex, ex - cx + cy, end[0], end[1], handle_r + 1, handle_edge)
    c.thick_line(ex, ex - cx + cy, end[0], end[1], handle_r, handle)
    c.disc(cx, cy, r + 1, "#")
    c.disc(cx, cy, r, rim)
    c.disc(cx, cy, r - 1.2, glass)
    for dx, dy in glint:
        c.set(int(cx) + dx, int(cy) + dy, "w")


def page32(scale=1):
    c = Canvas(32, 32, scale=scale)
    page(c, 3, 1, 22, 28, 6, "w", "d", 3, 3)
    magnifier(c, 19.5, 18.5, 7.2, "d", "C", "B", "n", (29.5, 29.5), 1.6,
              [(-3, -4), (-4, -3), (-4, -2), (-2, -5)])
    # the text seen through the glass, magnified
    for y in (16, 20):
        for x in range(15, 24):
            if (x + 0.5 - 19.5) ** 2 + (y + 0.5 - 18.5) ** 2 <= 5.0 ** 2:
                c.set(x, y, "n")
                c.set(x, y + 1, "n")
    return c


def page16(scale=1):
    c = Canvas(16, 16, scale=scale)
    page(c, 1, 0, 11, 14, 3, "w", "d", 2, 2)
    magnifier(c, 9.0, 9.0, 3.4, "d", "C", "B", "n", (15.5, 15.5), 1.0, [(-2, -1)])
    return c


def greypage32(scale=1):
    c = Canvas(32, 32, scale=scale)
    page(c, 3, 1, 22, 28, 6, "d", "#", 3, 3)
    magnifier(c, 19.5, 18.5, 7.2, "#", "w", "d", "#", (29.5, 29.5), 1.6, [])
    for y in (16, 20):
        for x in range(15, 24):
            if (x + 0.5 - 19.5) ** 2 + (y + 0.5 - 18.5) ** 2 <= 5.0 ** 2:
                c.set(x, y, "d")
                c.set(x, y + 1, "d")
    return c


def flag32(scale=1):
    c = Canvas(32, 32, scale=scale)
    left, right, top, bottom = 11, 30, 6, 24

    def wave(x):
        return round(1.8 * math.sin((x - left) / (right - left) * 1.6 * math.pi))

    middle_x, middle_y = (left + right) // 2, (top + bottom) // 2
    for x in range(left, right + 1):
        dy = wave(x)
        for y in range(top + dy, bottom + dy + 1):
            edge = x in (left, right) or y in (top + dy, bottom + dy)
            gap = x in (middle_x, middle_x + 1) or y in (middle_y + dy, middle_y + 1 + dy)
            if edge or gap:
                c.set(x, y, "#")
            elif y < middle_y + dy:
                c.set(x, y, "R" if x < middle_x else "G")
            else:
                c.set(x, y, "B" if x < middle_x else "Y")
    for y, x0, colour in ((8, 5, "R"), (11, 2, "R"), (14, 6, "#"),
                          (17, 1, "B"), (20, 4, "B"), (23, 7, "#")):
        c.rect(x0, y, left - 2, y, colour)
    return c


def windows32(scale=1):
    c = Canvas(32, 32, scale=scale)
    for n, (x0, y0) in enumerate(((0, 1), (6, 8), (12, 15))):
        x1, y1 = x0 + 19, y0 + 15
        c.rect(x0, y0, x1, y1, "w")
        c.frame(x0, y0, x1, y1, "#")
        c.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 3, "n" if n < 2 else "B")
        c.rect(x1 - 3, y0 + 1, x1 - 2, y0 + 2, "w")
        c.rect(x0 + 1, y0 + 4, x1 - 1, y0 + 4, "#")
    c.rect(14, 23, 28, 23, "d")
    c.rect(14, 26, 25, 26, "d")
    return c


def strip(scale=1):
    keys = "0123456789abcdef"
    pale, dark = (0xDC, 0xE4, 0xEE), (0x5E, 0x70, 0x8E)
    palette = {}
    for i, key in enumerate(keys):
        t = i / 15
        palette[key] = "#%02X%02X%02X" % tuple(round(p + (d - p) * t) for p, d in zip(pale, dark))
    c = Canvas(334, 5, scale=scale)
    for x in range(334):
        distance = abs(x + 0.5 - 167) / 167  # 0 in the middle, 1 at the ends
        level = min(15, int((1 - distance) * 16))
        for y in range(5):
            c.set(x, y, keys[level])
    return c, palette


def write_png(path, canvas, palette):
    """Writes the drawing as an 8-bit RGBA PNG, the transparent key fully transparent."""
    def rgba(key):
        colour = palette[key]
        return bytes.fromhex(colour[1:]) + b"\xff" if colour else b"\0\0\0\0"

    raw = b"".join(b"\0" + b"".join(rgba(k) for k in row) for row in canvas.px)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", canvas.pw, canvas.ph, 8, 6, 0, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"tEXt", b"Copyright\0SPDX-FileCopyrightText: Pelorus Viewer authors") +
                  chunk(b"tEXt", b"Disclaimer\0SPDX-License-Identifier: MIT") +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# The program's icon (icon 1) as the desktop shows it: its own 16 and 32 pixel drawings
# and the 32 pixel drawing at the larger sizes of the icon theme.
DESKTOP_ICON = "org.pelorus.viewer"
DESKTOP_SIZES = ((16, page16, 1), (32, page32, 1), (48, page32, 1.5), (64, page32, 2),
                 (128, page32, 4), (256, page32, 8))


if __name__ == "__main__":
    for scale, suffix in ((1, ""), (2, "@2x")):
        write_xpm("page16" + suffix, page16(scale), STANDARD)
        write_xpm("page32" + suffix, page32(scale), STANDARD)
        write_xpm("greypage32" + suffix, greypage32(scale), STANDARD)
        write_xpm("flag32" + suffix, flag32(scale), STANDARD)
        write_xpm("windows32" + suffix, windows32(scale), STANDARD)
        strip_canvas, strip_palette = strip(scale)
        write_xpm("strip" + suffix, strip_canvas, strip_palette)
    for size, drawing, scale in DESKTOP_SIZES:
        write_png(os.path.join(HERE, "hicolor", "%dx%d" % (size, size), "apps",
                               DESKTOP_ICON + ".png"), drawing(scale), STANDARD)
