#!/usr/bin/env python3
"""Draws the program's icon (a calendar sheet over a database drum, in the
16 standard colours) and writes src/app/AutoPeriod.ico, 4 bits per pixel, with
an image for the small and the large icon size at 100, 125, 150 and 200 %
(16, 20, 24, 32, 40, 48 and 64 pixels): each density gets a drawing of its
own, not another size stretched."""
import struct, sys

PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
BLACK, DRED, GRAY, DGRAY, RED, YELLOW, BLUE, WHITE, DBLUE, TEAL = 0, 1, 7, 8, 9, 11, 12, 15, 4, 6

def draw(n):
    s = n / 32.0
    px = [[None] * n for _ in range(n)]
    # Corners rounded to pixels; a line one unit wide keeps at least one.
    def edge(a, b):
        lo, hi = round(a * s), round(b * s)
        return lo, max(hi, lo + 1)
    def rect(x0, y0, x1, y1, c):
        left, right = edge(x0, x1)
        top, bottom = edge(y0, y1)
        for y in range(top, min(bottom, n)):
            for x in range(left, min(right, n)):
                px[y][x] = c
    # database drum, lower left
    rect(2, 16, 18, 30, TEAL); rect(2, 16, 18, 17, BLACK); rect(2, 29, 18, 30, BLACK)
    rect(2, 16, 3, 30, BLACK); rect(17, 16, 18, 30, BLACK)
    rect(3, 21, 17, 22, DBLUE); rect(3, 25, 17, 26, DBLUE)
    # calendar sheet, upper right
    rect(10, 3, 30, 24, WHITE); rect(10, 3, 30, 8, RED)
    rect(10, 3, 30, 4, BLACK); rect(10, 23, 30, 24, BLACK)
    rect(10, 3, 11, 24, BLACK); rect(29, 3, 30, 24, BLACK)
    rect(14, 1, 16, 6, DGRAY); rect(24, 1, 26, 6, DGRAY)
    for gy in (11, 15, 19):
        for gx in (13, 18, 23):
            rect(gx, gy, gx + 3, gy + 2, BLUE if (gx, gy) != (18, 15) else RED)
    return px

def image(n):
    px = draw(n)
    rows = b''
    for y in reversed(range(n)):
        row = bytearray()
        for x in range(0, n, 2):
            a = px[y][x] if px[y][x] is not None else 0
            b = px[y][x + 1] if px[y][x + 1] is not None else 0
            row.append(a << 4 | b)
        row += bytes(-len(row) % 4)  # rows end on a 4-byte boundary
        rows += bytes(row)
    mask = b''
    stride = ((n + 31) // 32) * 4
    for y in reversed(range(n)):
        bits = bytearray(stride)
        for x in range(n):
            if px[y][x] is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, len(rows) + len(mask), 0, 0, 16, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + pal + rows + mask

SIZES = (64, 48, 40, 32, 24, 20, 16)
imgs = [image(n) for n in SIZES]
out = struct.pack('<HHH', 0, 1, len(imgs))
offset = 6 + 16 * len(imgs)
for n, data in zip(SIZES, imgs):
    out += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(data), offset)
    offset += len(data)
out += b''.join(imgs)
open(sys.argv[1] if len(sys.argv) > 1 else 'src/app/AutoPeriod.ico', 'wb').write(out)
