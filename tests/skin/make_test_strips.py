#!/usr/bin/python3
"""Writes the frame strips the skin tests draw from.

Every pixel of the pattern strips has a colour of its own, so a copy of the wrong frame, of a shifted
rectangle or at a wrong scale shows up in a pixel comparison. The keyed strips put magenta
pixels at scattered places in every frame; the holed strip keys out the left half of every frame
and paints the right half in one colour of the frame's own.

Usage:  python3 make_test_strips.py OUT_DIR
Standard library only; the output is deterministic.
"""

import os
import struct
import sys

MAGENTA = (255, 0, 255)
FRAMES = 5


def unique_colour(k, x, y):
    # Red tells frame and column apart (2x < 25), green the row; red never reaches 255.
    return (25 * k + 2 * x + 5, 30 * y + 3, 200 - 20 * k - x)


def keyed(x, y):
    return (x + 2 * y) % 3 == 0


def write_bmp(path, width, height, pixel, bits):
    """pixel(x, y) -> (r, g, b), y counted from the top; bottom-up rows as BMP stores them."""
    rows = [[pixel(x, y) for x in range(width)] for y in range(height)]
    if bits == 24:
        palette = b''
        stride = (width * 3 + 3) & ~3
        body = b''
        for row in reversed(rows):
            line = b''.join(bytes((b, g, r)) for r, g, b in row)
            body += line + b'\0' * (stride - len(line))
        colours = 0
    else:
        table = sorted({c for row in rows for c in row})
        if len(table) > 256:
            raise ValueError('%s: %d colours do not fit a palette' % (path, len(table)))
        index = {c: i for i, c in enumerate(table)}
        table += [(0, 0, 0)] * (256 - len(table))
        palette = b''.join(bytes((b, g, r, 0)) for r, g, b in table)
        stride = (width + 3) & ~3
        body = b''
        for row in reversed(rows):
            line = bytes(index[c] for c in row)
            body += line + b'\0' * (stride - len(line))
        colours = 256
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(body), 2835, 2835,
                       colours, 0)
    with open(path, 'wb') as f:
        f.write(header + info + palette + body)


def strip(frame_width, key=False, leftover=0):
    def pixel(x, y):
        k, fx = divmod(x, frame_width)
        if k >= FRAMES:
            return (250, 250, 10 * (fx + 1))  # columns past the last frame
        if key == 'left half':
            return MAGENTA if 2 * fx < frame_width else unique_colour(k, 0, 0)
        if key and keyed(fx + k, y):
            return MAGENTA
        return unique_colour(k, fx, y)
    return pixel, frame_width * FRAMES + leftover


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    # name: (frame width, height, bits, keyed, leftover columns)
    strips = {
        'pattern24.bmp': (10, 8, 24, False, 0),
        'keyed24.bmp': (10, 8, 24, True, 0),
        'odd24.bmp': (10, 8, 24, False, 3),
        'keyed8.bmp': (6, 6, 8, True, 0),
        'holes24.bmp': (12, 8, 24, 'left half', 0),
    }
    for name, (frame_width, height, bits, key, leftover) in strips.items():
        pixel, width = strip(frame_width, key, leftover)
        write_bmp(os.path.join(out, name), width, height, pixel, bits)


if __name__ == '__main__':
    main()
