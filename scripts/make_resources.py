#!/usr/bin/env python3
"""Draws the program's picture and icon.

Writes into the folder given on the command line (default: ui/resources):
  warnbmp.bmp      the receiver's power-on page, 180 x 240, 8 bits per pixel
                   with a 256-entry palette
  aaicon.ico       the window icon, 32 x 32, 16 colours
  wendrix-32.png   the icon as PNG for the desktop, 32 x 32
  wendrix-128.png  the same scaled up to 128 x 128

Only the standard library is used, and the output is the same byte for byte
on every run, so the committed files can be checked against a fresh run.
"""

import os
import struct
import sys
import zlib

# A 5 x 7 capital font: each glyph is seven rows, '#' for ink.
FONT = {
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "B": ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "G": [" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"],
    "H": ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "I": [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "J": ["  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "],
    "K": ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "N": ["#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "Q": [" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "U": ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "W": ["#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "],
    "X": ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
    "Y": ["#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "],
    "Z": ["#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"],
    " ": ["     "] * 7,
}
GLYPH_W, GLYPH_H, GLYPH_GAP = 5, 7, 1


class Canvas:
    """A grid of palette indices."""

    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def rect(self, x0, y0, x1, y1, colour):
        """Outline of the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def fill_rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def ellipse(self, cx, cy, rx, ry, colour, filled=False):
        """Midpoint-free ellipse: every pixel whose centre lies on (or in) it."""
        if rx == 0:
            for y in range(cy - ry, cy + ry + 1):
                self.put(cx, y, colour)
            return
        if ry == 0:
            for x in range(cx - rx, cx + rx + 1):
                self.put(x, cy, colour)
            return
        for y in range(cy - ry, cy + ry + 1):
            for x in range(cx - rx, cx + rx + 1):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if filled:
                    if d <= 1.0:
                        self.put(x, y, colour)
                else:
                    # Inside, but with an outside neighbour: the outline.
                    if d <= 1.0 and any(
                        ((x + dx - cx) / rx) ** 2 + ((y + dy - cy) / ry) ** 2 > 1.0
                        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                    ):
                        self.put(x, y, colour)

    def text(self, x, y, text, colour, scale=1):
        for ch in text:
            glyph = FONT[ch]
            for row, bits in enumerate(glyph):
                for col, bit in enumerate(bits):
                    if bit == "#":
                        self.fill_rect(x + col * scale, y + row * scale,
                                       x + (col + 1) * scale - 1,
                                       y + (row + 1) * scale - 1, colour)
            x += (GLYPH_W + GLYPH_GAP) * scale

    def centred_text(self, y, text, colour, scale=1):
        width = (len(text) * (GLYPH_W + GLYPH_GAP) - GLYPH_GAP) * scale
        self.text((self.width - width) // 2, y, text, colour, scale)


# ------------------------------------------------------------ the picture

PIC_W, PIC_H = 180, 240
# Palette of the picture: the few colours drawn, then a grey ramp so that
# all 256 entries are real colours.
LCD, INK, SHADE, GLOBE_LINE = 0, 1, 2, 3
PIC_COLOURS = [(196, 208, 186), (24, 32, 28), (150, 164, 142), (60, 84, 72)]


def picture_palette():
    palette = list(PIC_COLOURS)
    while len(palette) < 256:
        level = (len(palette) - len(PIC_COLOURS)) * 255 // (256 - len(PIC_COLOURS) - 1)
        palette.append((level, level, level))
    return palette


def draw_globe(c, cx, cy, r):
    c.ellipse(cx, cy, r, r, SHADE, filled=True)
    # Meridians, then parallels, then the rim over them.
    for rx in (r * 2 // 3, r // 3, 0):
        c.ellipse(cx, cy, rx, r, GLOBE_LINE)
    for dy in (-r // 2, 0, r // 2):
        half = int((r * r - dy * dy) ** 0.5)
        for x in range(cx - half, cx + half + 1):
            c.put(x, cy + dy, GLOBE_LINE)
    c.ellipse(cx, cy, r, r, INK)
    c.ellipse(cx, cy, r + 1, r + 1, INK)


def draw_picture():
    c = Canvas(PIC_W, PIC_H, LCD)
    draw_globe(c, PIC_W // 2, 22, 18)
    c.centred_text(45, "WENDRIX", INK, scale=2)
    # The frame the seven preview lines are written into.
    c.rect(3, 66, PIC_W - 4, 216, INK)
    c.rect(5, 68, PIC_W - 6, 214, SHADE)
    c.centred_text(225, "PRESS PAGE TO AGREE", INK)
    return c


def bmp_bytes(canvas, palette):
    row_size = (canvas.width + 3) // 4 * 4
    pixels = bytearray()
    for y in range(canvas.height - 1, -1, -1):  # bottom-up
        row = bytes(canvas.pixels[y])
        pixels += row + bytes(row_size - len(row))
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0,
                       len(pixels), 3780, 3780, len(palette), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + bytes(pixels)


# --------------------------------------------------------------- the icon

ICON_SIZE = 32
# The 16 standard colours, in their usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, NAVY, BLUE, GREEN, YELLOW, WHITE = 0, 2, 4, 12, 10, 11, 15
CLEAR = -1  # transparent


def thick_line(c, x0, y0, x1, y1, radius, colour):
    """Every pixel whose centre lies within `radius` of the segment."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    for y in range(min(y0, y1) - 3, max(y0, y1) + 4):
        for x in range(min(x0, x1) - 3, max(x0, x1) + 4):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            px, py = x0 + t * dx - x, y0 + t * dy - y
            if px * px + py * py <= radius * radius:
                c.put(x, y, colour)


def draw_icon():
    c = Canvas(ICON_SIZE, ICON_SIZE, CLEAR)
    c.ellipse(15, 15, 14, 14, BLUE, filled=True)
    # Two patches of land.
    c.ellipse(9, 10, 5, 4, GREEN, filled=True)
    c.ellipse(21, 21, 5, 6, DARK_GREEN, filled=True)
    c.ellipse(15, 15, 14, 14, NAVY)
    # A bold W across the globe, dark edged so that it reads on blue and green.
    strokes = [(6, 7, 11, 25), (11, 25, 15, 13), (15, 13, 19, 25), (19, 25, 24, 7)]
    for colour, radius in ((BLACK, 2.2), (YELLOW, 1.3)):
        for x0, y0, x1, y1 in strokes:
            thick_line(c, x0, y0, x1, y1, radius, colour)
    return c


def ico_bytes(canvas):
    size = canvas.width
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = [canvas.get(x, y) for x in range(size)]
        for x in range(0, size, 2):
            hi = max(row[x], 0)
            lo = max(row[x + 1], 0)
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] == CLEAR else 0)
        mask += struct.pack(">I", bits)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA16)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    image = info + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(canvas, scale):
    size = canvas.width * scale
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # no filter
        for x in range(size):
            index = canvas.get(x // scale, y // scale)
            if index == CLEAR:
                raw += b"\0\0\0\0"
            else:
                raw += bytes(VGA16[index]) + b"\xff"

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    # Stored blocks only: compressed output would depend on the zlib build.
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 0)) + chunk(b"IEND", b""))


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, "..", "ui", "resources")
    os.makedirs(out, exist_ok=True)
    icon = draw_icon()
    files = {
        "warnbmp.bmp": bmp_bytes(draw_picture(), picture_palette()),
        "aaicon.ico": ico_bytes(icon),
        "wendrix-32.png": png_bytes(icon, 1),
        "wendrix-128.png": png_bytes(icon, 4),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
