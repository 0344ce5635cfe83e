"""Reads the uncompressed 8- and 24-bit bitmaps the tool ships, for the tests that check them."""
import struct


class Bmp:
    """Minimal reader for uncompressed 8/24-bit BITMAPINFOHEADER files."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            self.raw = raw = f.read()
        (self.magic, self.file_size, self.res1, self.res2,
         self.offset) = struct.unpack_from('<2sIHHI', raw, 0)
        (self.hdr_size, self.width, self.height, self.planes, self.bpp,
         self.compression, self.size_image, _xppm, _yppm, self.clr_used,
         self.clr_important) = struct.unpack_from('<IiiHHIIiiII', raw, 14)
        self.palette = None
        if self.bpp == 8:
            n = self.clr_used or 256
            self.palette = [(raw[54 + 4 * i + 2], raw[54 + 4 * i + 1], raw[54 + 4 * i])
                            for i in range(n)]
        self.stride = (self.width * self.bpp // 8 + 3) & ~3
        self.index_rows = []
        self.rows = []
        h = abs(self.height)
        for y in range(h):
            src = h - 1 - y if self.height > 0 else y
            line = raw[self.offset + src * self.stride: self.offset + (src + 1) * self.stride]
            if self.bpp == 8:
                idx = list(line[:self.width])
                self.index_rows.append(idx)
                self.rows.append([self.palette[i] for i in idx])
            else:
                self.rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x])
                                  for x in range(self.width)])

    def px(self, x, y):
        return self.rows[y][x]

    def frame(self, i, n=5):
        fw = self.width // n
        return [row[i * fw:(i + 1) * fw] for row in self.rows]
