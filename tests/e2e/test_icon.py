"""The application icon as the built exe carries it: an image for each size Windows asks for, from
16 to 256 pixels, each 32-bit with alpha, those above 32 pixels PNG-compressed; and each the very
image of the committed icon file, whose pixels the artwork's own checks look at."""
import os
import struct
import sys
import unittest

import qvharness as h

sys.path.insert(0, os.path.join(h.ROOT, "tools"))
from pe_image import Pe  # noqa: E402

IDR_MAINFRAME = 128
SIZES = [16, 20, 24, 32, 40, 48, 64, 256]


def committed_images():
    """The images of res/QuilVara.ico, in its order."""
    with open(os.path.join(h.ROOT, "res", "QuilVara.ico"), "rb") as f:
        raw = f.read()
    entries = [struct.unpack_from("<II", raw, 6 + 16 * i + 8) for i in range(struct.unpack_from("<H", raw, 4)[0])]
    return [raw[offset:offset + size] for size, offset in entries]


class IconInTheExe(unittest.TestCase):
    def test_every_size_in_32_bits_the_larger_ones_as_png(self):
        if not h.EXE:
            self.skipTest("QV_EXE is set by CTest")
        images = Pe(h.EXE).icon_images(IDR_MAINFRAME)
        self.assertEqual([image[:3] for image in images], [(n, n, 32) for n in SIZES])
        self.assertEqual([image[3] for image in images], ["BMP" if n <= 32 else "PNG" for n in SIZES])
        self.assertEqual([image[4] for image in images], committed_images())


if __name__ == "__main__":
    h.main()
