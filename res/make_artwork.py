#!/usr/bin/env python3
"""Draws the updater's artwork: the window icon and the banner of the progress window.

Usage: make_artwork.py OUTPUT_FOLDER

Writes OUTPUT_FOLDER/zant.ico (32x32 at 24 bits, 16x16 at 16 colours and at 256 colours) and
OUTPUT_FOLDER/banner.bmp (154x40, 24 bits). The pictures are drawn here from simple shapes, so
the build needs nothing but Python's standard library, and the output is the same on every run.
"""

import math
import os
import struct
import sys

PANEL = (255, 255, 208)  # the progress window's panel colour: the banner blends into it
BROWN = (128, 64, 0)     # the header text colour

# The icon and the banner are drawn as a grid of roles; each colour depth gives the roles its
# own colours, so the 16-colour icon uses only the standard 16-colour palette.
FULL_COLOURS = {
    "rim": (88, 96, 120),
    "body": (196, 202, 214),
    "sheen": (244, 244, 250),
    "hub": (150, 156, 176),
    "arrow": (214, 110, 16),
    "edge": BROWN,
}
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
VGA_COLOURS = {
    "rim": (128, 128, 128),
    "body": (192, 192, 192),
    "sheen": (255, 255, 255),
    "hub": (128, 128, 128),
    "arrow": (255, 255, 0),
    "edge": (128, 0, 0),
}


def disc_role(x, y, cx, cy, radius):
    """The role of the pixel centre (x, y) on a compact disc centred at (cx, cy), or None."""
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r > radius or r < radius * 0.14:
        return None
    if r > radius - max(1.0, radius * 0.09):
        return "rim"
    if r < radius * 0.34:
        return "hub"
    angle = math.degrees(math.atan2(-dy, dx)) % 180.0
    if 25.0 <= angle <= 60.0:
        return "sheen"
    return "body"


def in_arrow(x, y, size):
    """True inside an upward arrow centred on a square of the given size."""
    u, v = x / size, y / size
    head_top, head_bottom, tail = 0.16, 0.56, 0.86
    if head_top <= v <= head_bottom:
        half = 0.32 * (v - head_top) / (head_bottom - head_top)
        return abs(u - 0.5) <= half
    if head_bottom < v <= tail:
        return abs(u - 0.5) <= 0.13
    return False


def icon_roles(size):
    grid = []
    centre = (size - 1) / 2.0
    for row in range(size):
        line = []
        for col in range(size):
            x, y = col + 0.5, row + 0.5
            role = disc_role(col, row, centre, centre, size / 2.0)
            if in_arrow(x, y, size):
                neighbours = [in_arrow(x + dx, y + dy, size)
                              for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
                role = "arrow" if all(neighbours) else "edge"
            line.append(role)
        grid.append(line)
    return grid


# A 5x7 pixel font for the banner's lettering.
GLYPHS = {
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def draw_text(pixels, text, left, top, scale, colour):
    x = left
    for char in text:
        for gy, line in enumerate(GLYPHS[char]):
            for gx, cell in enumerate(line):
                if cell == "#":
                    for sy in range(scale):
                        for sx in range(scale):
                            pixels[top + gy * scale + sy][x + gx * scale + sx] = colour
        x += 6 * scale
    return x


def banner_pixels(width=154, height=40):
    pixels = [[PANEL] * width for _ in range(height)]
    radius = 18.0
    cx, cy = 20.0, 19.5
    for row in range(height):
        for col in range(width):
            role = disc_role(col, row, cx, cy, radius)
            if role:
                pixels[row][col] = FULL_COLOURS[role]
    # The update arrow on the disc's lower right.
    size = 20
    for row in range(size):
        for col in range(size):
            x, y = col + 0.5, row + 0.5
            if in_arrow(x, y, size):
                edge = not all(in_arrow(x + dx, y + dy, size)
                               for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                pixels[20 + row][22 + col] = FULL_COLOURS["edge" if edge else "arrow"]
    end = draw_text(pixels, "ZANT", 48, 4, 3, BROWN)
    for col in range(48, end - 3):
        pixels[27][col] = FULL_COLOURS["arrow"]
    draw_text(pixels, "UPDATE 1.40", 48, 30, 1, BROWN)
    return pixels


def bmp_rows(pixels, bits):
    """Bottom-up rows, each padded to four bytes. pixels: rows of colours (24) or indexes."""
    out = b""
    for line in reversed(pixels):
        if bits == 24:
            data = b"".join(bytes((b, g, r)) for (r, g, b) in line)
        elif bits == 8:
            data = bytes(line)
        elif bits == 4:
            padded = list(line) + [0] * (len(line) % 2)
            data = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        elif bits == 1:
            padded = list(line) + [0] * (-len(line) % 8)
            data = bytes(sum(bit << (7 - i) for i, bit in enumerate(padded[k:k + 8]))
                         for k in range(0, len(padded), 8))
        out += data + b"\0" * (-len(data) % 4)
    return out


def info_header(width, height, bits, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def write_bmp(path, pixels):
    height, width = len(pixels), len(pixels[0])
    body = bmp_rows(pixels, 24)
    header = info_header(width, height, 24, len(body))
    offset = 14 + len(header)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset))
        f.write(header + body)


def icon_image(size, bits):
    """One icon image: header, palette, colour bits and the transparency mask."""
    roles = icon_roles(size)
    mask = [[1 if role is None else 0 for role in line] for line in roles]
    if bits == 24:
        palette = b""
        colours = [[FULL_COLOURS[r] if r else (0, 0, 0) for r in line] for line in roles]
        xor = bmp_rows(colours, 24)
    else:
        if bits == 4:
            table = list(VGA_PALETTE)
            lookup = {role: table.index(colour) for role, colour in VGA_COLOURS.items()}
        else:
            table = [(0, 0, 0)] + sorted(set(FULL_COLOURS.values()))
            lookup = {role: table.index(colour) for role, colour in FULL_COLOURS.items()}
            table += [(0, 0, 0)] * (256 - len(table))
        palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in table)
        indexes = [[lookup[r] if r else 0 for r in line] for line in roles]
        xor = bmp_rows(indexes, bits)
    and_mask = bmp_rows(mask, 1)
    header = info_header(size, size * 2, bits, len(xor) + len(and_mask))
    return header + palette + xor + and_mask


def write_ico(path, images):
    """images: (size, bits) pairs, written in that order."""
    blobs = [icon_image(size, bits) for size, bits in images]
    offset = 6 + 16 * len(images)
    entries = b""
    for (size, bits), blob in zip(images, blobs):
        colour_count = 16 if bits == 4 else 0
        entries += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + b"".join(blobs))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    write_ico(os.path.join(folder, "zant.ico"), [(32, 24), (16, 4), (16, 8)])
    write_bmp(os.path.join(folder, "banner.bmp"), banner_pixels())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
