#!/usr/bin/env python3
"""Draws Quillomat's Windows icon (resource 500): one 32 x 32 image in 16 colours, a page with
a folded corner and lines of text, and a quill across it. Writes an .ico to the path given
(default src/win32gui/quillomat.ico). Only the standard library: the picture is made here."""
import struct
import sys

SIZE = 32
# The standard 16-colour palette (red, green, blue), indexed below by name.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, NAVY, SILVER, GREY, RED, BLUE, YELLOW, WHITE = 0, 1, 4, 7, 8, 9, 12, 11, 15
TRANSPARENT = None


def draw():
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    # The page: x 4..23, y 2..29, its top right corner folded over along a diagonal.
    fold = 6
    corner = 23 - fold
    for y in range(2, 30):
        for x in range(4, 24):
            if x - corner > y - 2:  # cut off by the fold
                continue
            edge = x in (4, 23) or y in (2, 29) or x - corner == y - 2
            pixels[y][x] = GREY if edge else WHITE
    for y in range(2, 2 + fold + 1):  # the folded flap, lying on the page
        for x in range(corner, corner + (y - 2) + 1):
            border = x == corner or y == 2 + fold or x - corner == y - 2
            pixels[y][x] = GREY if border else SILVER
    # Lines of text; the first, bold and red, is the title the page is named after.
    for x in range(7, 17):
        pixels[6][x] = RED
        pixels[7][x] = RED
    for y, right in ((11, 20), (14, 19), (17, 20), (20, 15), (23, 18)):
        for x in range(7, right + 1):
            pixels[y][x] = NAVY
    # The quill: a shaft from the nib at the lower left up to the right (x + y = 40), and its
    # vane above it, widest in the middle.
    for i in range(22):
        x, y = 10 + i, 30 - i
        if 8 <= i <= 21:
            width = min(5, i - 7, 22 - i)
            for d in range(1, width + 1):
                for vx, vy in ((x - d, y), (x, y - d)):
                    if 0 <= vx < SIZE and 0 <= vy < SIZE:
                        pixels[vy][vx] = YELLOW if d < width else MAROON
    for i in range(22):
        x, y = 10 + i, 30 - i
        if 0 <= x < SIZE and 0 <= y < SIZE:
            pixels[y][x] = BLACK
    pixels[30][10] = BLUE  # ink at the nib
    return pixels


def ico(pixels):
    rows_xor = b""
    rows_and = b""
    for y in reversed(range(SIZE)):  # bottom-up, as bitmaps are stored
        row = pixels[y]
        packed = bytearray()
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            packed.append(hi << 4 | lo)
        rows_xor += bytes(packed)
        mask = 0
        for x in range(SIZE):
            mask = mask << 1 | (1 if row[x] is None else 0)
        rows_and += struct.pack(">I", mask)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(rows_xor) + len(rows_and), 0, 0, 16, 0)
    image = header + palette + rows_xor + rows_and
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "src/win32gui/quillomat.ico"
    with open(target, "wb") as out:
        out.write(ico(draw()))
