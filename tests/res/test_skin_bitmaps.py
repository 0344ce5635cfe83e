#!/usr/bin/python3
"""Checks of the committed skin artwork in res/.

Run from the repository root:
    python3 tests/res/test_skin_bitmaps.py [REPO_ROOT]
Without REPO_ROOT the repository is found from this file's location.
"""

import hashlib
import itertools
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
if len(sys.argv) > 1 and not sys.argv[1].startswith('-') and os.path.isdir(sys.argv[1]):
    ROOT = os.path.abspath(sys.argv.pop(1))

RES = os.path.join(ROOT, 'res')
sys.path.insert(0, os.path.join(ROOT, 'tests', 'support'))
from bmp import Bmp  # noqa: E402
GENERATOR = os.path.join(ROOT, 'tools', 'make_skin_bitmaps.py')
CONVERT = '/usr/bin/convert'
FONT = '/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc'

MAGENTA = (255, 0, 255)
ORANGE = (221, 134, 10)

# name: (width, height, bits per pixel, frames)
BITMAPS = {
    'btn_default.bmp': (315, 21, 8, 5),
    'btn_close.bmp': (105, 19, 24, 5),
    'btn_minimize.bmp': (105, 19, 24, 5),
    'share_sina.bmp': (610, 31, 8, 5),
    'share_qq.bmp': (610, 31, 8, 5),
    'copy_text.bmp': (610, 31, 8, 5),
    'forum.bmp': (610, 31, 8, 5),
    'collapse_bar.bmp': (23, 558, 24, 1),
    'bg_expanded.bmp': (940, 600, 24, 1),
    'bg_collapsed.bmp': (556, 600, 24, 1),
}
STRIPS = [n for n, v in BITMAPS.items() if v[3] == 5]
# Each bitmap's art drawn at twice the size, for displays scaled above 100 %.
TWICE = {name: name[:-4] + '_2x.png' for name in BITMAPS}
ALL_FILES = list(BITMAPS) + list(TWICE.values()) + ['QuilVara.ico']
SHARE = ['share_sina.bmp', 'share_qq.bmp', 'copy_text.bmp', 'forum.bmp']


_cache = {}


def load(name):
    if name not in _cache:
        _cache[name] = Bmp(os.path.join(RES, name))
    return _cache[name]


def lum(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def white(c):
    return min(c) >= 245


def mean_lum(pixels):
    pixels = list(pixels)
    return sum(lum(c) for c in pixels) / len(pixels)


class BitmapFormat(unittest.TestCase):

    def test_headers_sizes_and_formats(self):
        for name, (w, h, bpp, _) in BITMAPS.items():
            with self.subTest(name=name):
                b = load(name)
                self.assertEqual(b.magic, b'BM')
                self.assertEqual(b.file_size, len(b.raw))
                self.assertEqual(b.hdr_size, 40)
                self.assertEqual((b.width, b.height), (w, h))   # bottom-up: positive height
                self.assertEqual(b.planes, 1)
                self.assertEqual(b.bpp, bpp)
                self.assertEqual(b.compression, 0)
                stride = (w * bpp // 8 + 3) & ~3
                self.assertEqual(b.size_image, stride * h)
                pal_bytes = 1024 if bpp == 8 else 0
                self.assertEqual(b.offset, 14 + 40 + pal_bytes)
                self.assertEqual(len(b.raw), b.offset + stride * h)
                if bpp == 8:
                    self.assertIn(b.clr_used, (0, 256))
                    self.assertEqual(len(b.palette), 256)
                else:
                    self.assertEqual(b.clr_used, 0)

    def test_row_padding_is_zero(self):
        for name in BITMAPS:
            b = load(name)
            used = b.width * b.bpp // 8
            for y in range(abs(b.height)):
                pad = b.raw[b.offset + y * b.stride + used: b.offset + (y + 1) * b.stride]
                self.assertEqual(pad.count(0), len(pad), '%s row %d' % (name, y))

    def test_palette_indices_in_range(self):
        for name in BITMAPS:
            b = load(name)
            if b.bpp == 8:
                self.assertLess(max(max(r) for r in b.index_rows), len(b.palette), name)


class Strips(unittest.TestCase):

    def test_no_magenta_anywhere_in_strips(self):
        for name in STRIPS + ['collapse_bar.bmp']:
            with self.subTest(name=name):
                b = load(name)
                if b.palette is not None:
                    used = set(i for r in b.index_rows for i in r)
                    for i in used:
                        self.assertNotEqual(b.palette[i], MAGENTA, 'index %d' % i)
                    self.assertNotIn(MAGENTA, b.palette)
                for y, row in enumerate(b.rows):
                    self.assertNotIn(MAGENTA, row, 'row %d' % y)

    def test_frames_pairwise_visibly_different(self):
        for name in STRIPS:
            b = load(name)
            frames = [b.frame(i) for i in range(5)]
            for i, j in itertools.combinations(range(5), 2):
                with self.subTest(name=name, frames=(i, j)):
                    total = diff = 0
                    for ra, rb in zip(frames[i], frames[j]):
                        for ca, cb in zip(ra, rb):
                            d = sum(abs(p - q) for p, q in zip(ca, cb))
                            total += d
                            diff += d > 12
                    npx = len(frames[i]) * len(frames[i][0])
                    # a real variant changes a noticeable share of the face
                    self.assertGreater(diff, npx // 10)
                    self.assertGreater(total / npx, 6.0)

    def test_default_button_colours(self):
        b = load('btn_default.bmp')
        centre = [b.frame(i)[10][31] for i in range(5)]
        for i in (0, 1):                      # cyan: blue and green above red
            r, g, bl = centre[i]
            self.assertGreater(bl, r + 20, centre[i])
            self.assertGreater(g, r + 20, centre[i])
        self.assertGreater(lum(centre[0]), lum(centre[1]) + 15)   # pressed is darker
        for i in (2, 3):                      # pale yellow-orange
            r, g, bl = centre[i]
            self.assertGreater(r, 230)
            self.assertGreater(r, g)
            self.assertGreater(g, bl + 20)
        r, g, bl = centre[4]                  # grey
        self.assertLess(max(r, g, bl) - min(r, g, bl), 8)
        self.assertGreater(r, 150)

    def test_caption_buttons(self):
        for name in ('btn_close.bmp', 'btn_minimize.bmp'):
            b = load(name)
            frames = [b.frame(i) for i in range(5)]
            square = []
            for f in frames:
                # glyph at the centre line is white in every frame
                glyph_row = 10 if name == 'btn_close.bmp' else 12
                self.assertTrue(white(f[glyph_row][10]), name)
                c = f[4][2]               # face, clear of the glyph and bevel
                r, g, bl = c
                self.assertTrue(r > g > bl, '%s face %r not brown-gold' % (name, c))
                square.append(lum(c))
            # five distinct brightness levels
            self.assertEqual(len(set(round(s) for s in square)), 5, square)
            # the glyph itself stays in place from frame to frame
            core = [(x, y) for y in range(19) for x in range(21) if white(frames[0][y][x])]
            self.assertGreater(len(core), 10, name)
            for f in frames[1:]:
                for x, y in core:
                    self.assertGreater(min(f[y][x]), 225, '%s (%d,%d)' % (name, x, y))
        # the close glyph is a cross (diagonals), the minimise glyph a bar
        close = load('btn_close.bmp').frame(0)
        mini = load('btn_minimize.bmp').frame(0)
        for x, y in ((6, 5), (14, 5), (6, 13), (14, 13)):
            self.assertTrue(white(close[y][x]), (x, y))
        self.assertFalse(white(close[12][10]))
        self.assertTrue(white(mini[12][6]))
        self.assertTrue(white(mini[12][14]))
        self.assertFalse(white(mini[6][6]))

    def test_share_strip_shading(self):
        for name in SHARE:
            with self.subTest(name=name):
                b = load(name)
                frames = [b.frame(i) for i in range(5)]
                # background sampled at the right end of the face, clear of text
                bg = [mean_lum(f[y][118] for y in range(4, 27)) for f in frames]
                for i in range(5):
                    r, g, bl = frames[i][15][118]
                    self.assertLess(max(r, g, bl) - min(r, g, bl), 8, 'frame %d not grey' % i)
                # focus: the normal face with a wide gold border, where the others' are grey
                for i in range(5):
                    r, g, bl = frames[i][0][61]
                    if i == 2:
                        self.assertGreater(r - bl, 60, 'focus border not gold')
                    else:
                        self.assertLess(max(r, g, bl) - min(r, g, bl), 8, 'frame %d border not grey' % i)
                self.assertGreater(bg[0], 170)
                self.assertGreater(bg[1], bg[0] + 5)      # pressed: lighter
                self.assertLess(bg[3], bg[0] - 5)         # hover: darker
                self.assertLess(bg[4], bg[3] - 5)         # disabled: darkest
                # label: dark in frame 0, and in frame 2 too: focus never reads as disabled
                label = lambda f: min(lum(f[y][x]) for y in range(5, 26) for x in range(30, 105))
                self.assertLess(label(frames[0]), 70)
                self.assertLess(label(frames[2]), 70)
                # there is ink in the label area of every frame
                for i, f in enumerate(frames):
                    dark = sum(1 for y in range(5, 26) for x in range(30, 105)
                               if lum(f[y][x]) < bg[i] - 40)
                    self.assertGreater(dark, 150, 'frame %d label missing' % i)
                # nor is its icon faded: as saturated as the normal one
                sat = lambda f: max(max(c) - min(c) for row in f[4:27] for c in row[3:27])
                self.assertGreater(sat(frames[2]), sat(frames[0]) - 10)

    def test_share_icons(self):
        def icon(name):
            f = load(name).frame(0)
            return [c for row in f[4:27] for c in row[3:27]]
        self.assertTrue(any(r > 170 and g < 90 and b < 90 for r, g, b in icon('share_sina.bmp')),
                        'no red in the sina emblem')
        self.assertTrue(any(b > 150 and b > r + 80 for r, g, b in icon('share_qq.bmp')),
                        'no blue in the qq emblem')
        peng = icon('copy_text.bmp')
        self.assertTrue(any(max(c) < 50 for c in peng), 'penguin has no black body')
        self.assertTrue(any(r > 200 and 120 < g < 200 and b < 60 for r, g, b in peng),
                        'penguin has no orange beak/feet')
        self.assertTrue(any(b > r + 50 for r, g, b in icon('forum.bmp')), 'user icon missing')


class Backgrounds(unittest.TestCase):

    def test_left_parts_identical(self):
        e, c = load('bg_expanded.bmp'), load('bg_collapsed.bmp')
        for y in range(0, 597):
            self.assertEqual(e.rows[y][:531], c.rows[y][:531], 'row %d' % y)

    def test_orange_pane(self):
        for name in ('bg_expanded.bmp', 'bg_collapsed.bmp'):
            b = load(name)
            for x, y in ((3, 41), (3, 596), (100, 300), (265, 556), (12, 590),
                         (400, 575), (530, 41), (530, 596)):
                self.assertEqual(b.px(x, y), ORANGE, '%s (%d,%d)' % (name, x, y))
        self.assertEqual(load('bg_expanded.bmp').px(300, 597), ORANGE)

    def test_title_band(self):
        for name in ('bg_expanded.bmp', 'bg_collapsed.bmp'):
            b = load(name)
            for y in range(41):
                for x in (5, 300, b.width - 30):
                    self.assertNotEqual(b.px(x, y), ORANGE, '%s (%d,%d)' % (name, x, y))
            # dark brown at the top, gold towards the bottom
            top, low = b.px(300, 4), b.px(300, 36)
            self.assertLess(lum(top), 80)
            self.assertGreater(lum(low), lum(top) + 50)
            self.assertTrue(low[0] > low[1] > low[2])
            # light title text at the top left
            light = sum(1 for y in range(4, 34) for x in range(30, 260)
                        if lum(b.px(x, y)) > 215)
            self.assertGreater(light, 150, name)
            self.assertEqual(sum(1 for y in range(4, 34) for x in range(300, 470)
                                 if lum(b.px(x, y)) > 215), 0, 'stray light pixels')

    def test_title_band_is_plain_under_caption_buttons(self):
        # the caption buttons match the band by row, so the band there must
        # depend on the row only
        e, c = load('bg_expanded.bmp'), load('bg_collapsed.bmp')
        for y in range(5, 35):
            ref = e.px(910, y)
            for b, xs in ((e, range(870, 935)), (c, range(470, 530))):
                for x in xs:
                    self.assertEqual(b.px(x, y), ref, '(%d,%d)' % (x, y))

    def test_gap_and_right_pane(self):
        e, c = load('bg_expanded.bmp'), load('bg_collapsed.bmp')
        for b in (e, c):
            for x in (531, 540, 549):
                self.assertLess(max(b.px(x, 300)), 40)
        self.assertLess(max(e.px(553, 300)), 40)
        brown = sum(1 for y in range(41, 598) for x in range(554, 937)
                    if e.px(x, y) == (87, 53, 5))
        self.assertGreater(brown, 0.9 * 557 * 383)

    def test_frames(self):
        e, c = load('bg_expanded.bmp'), load('bg_collapsed.bmp')
        for b in (e, c):
            w = b.width
            for y in (0, 300, 599):
                self.assertLess(lum(b.px(0, y)), 50)
                self.assertLess(lum(b.px(w - 1, y)), 50)
            for x in (0, 200, w - 1):
                self.assertLess(lum(b.px(x, 599)), 50)
                self.assertLess(lum(b.px(x, 0)), 50)
            self.assertGreater(lum(b.px(1, 300)), lum(b.px(0, 300)) + 80)
        # the collapsed window: light line then dark edge at its right end
        self.assertGreater(lum(c.px(554, 300)), lum(c.px(555, 300)) + 80)
        self.assertGreater(lum(c.px(554, 300)), lum(c.px(550, 300)) + 80)
        # its bottom frame starts a row higher than the expanded one's
        self.assertEqual(e.px(300, 597), ORANGE)
        self.assertNotEqual(c.px(300, 597), ORANGE)
        self.assertNotEqual(e.px(300, 598), ORANGE)
        self.assertGreater(lum(e.px(938, 300)), lum(e.px(939, 300)) + 80)

    def test_collapse_bar(self):
        b = load('collapse_bar.bmp')
        mid = [b.px(x, 100) for x in range(23)]
        for c in mid:
            self.assertLess(max(c), 90)
            self.assertLess(max(c) - min(c), 6)
        self.assertGreater(mean_lum(mid), 25)
        self.assertGreater(mean_lum(b.rows[0]), mean_lum(mid) + 10)
        self.assertGreater(mean_lum(b.rows[-1]), mean_lum(mid) + 10)


def ppm_pixels(args):
    """RGB bytes of what convert writes as PPM for args (top-down)."""
    ppm = subprocess.run([CONVERT] + args + ['-depth', '8', 'ppm:-'], check=True,
                         stdout=subprocess.PIPE).stdout
    header = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', ppm)
    return ppm[header.end():]


class TwiceTheSize(unittest.TestCase):

    def test_png_headers(self):
        for name, png in TWICE.items():
            with self.subTest(png=png):
                with open(os.path.join(RES, png), 'rb') as f:
                    raw = f.read()
                self.assertEqual(raw[:8], b'\x89PNG\r\n\x1a\n')
                length, tag = struct.unpack_from('>I4s', raw, 8)
                self.assertEqual((length, tag), (13, b'IHDR'))
                w, h, depth, colour, _, _, interlace = struct.unpack_from('>IIBBBBB', raw, 16)
                bw, bh = BITMAPS[name][:2]
                self.assertEqual((w, h), (2 * bw, 2 * bh))
                self.assertEqual((depth, colour, interlace), (8, 2, 0))   # 24-bit RGB
                self.assertTrue(raw.endswith(b'IEND\xaeB`\x82'))

    def test_same_shapes_in_the_same_places(self):
        # Averaged back down to 1x, the 2x art is the 1x art but for the finer edges and text
        # strokes: a shape drawn elsewhere, at another size or in other colours would differ.
        if not os.path.exists(CONVERT):
            self.skipTest('ImageMagick convert (%s) is missing' % CONVERT)
        for name, png in TWICE.items():
            with self.subTest(png=png):
                halved = ppm_pixels([os.path.join(RES, png), '-filter', 'Box', '-resize', '50%'])
                original = bytes(c for row in load(name).rows for px in row for c in px)
                self.assertEqual(len(halved), len(original))
                mean = sum(abs(a - b) for a, b in zip(halved, original)) / len(original)
                self.assertLess(mean, 6.0)
                # Nor any pixel of the key colour, which would be left undrawn.
                full = ppm_pixels([os.path.join(RES, png)])
                at = full.find(bytes(MAGENTA))
                while at >= 0:
                    self.assertNotEqual(at % 3, 0, 'magenta pixel %d' % (at // 3))
                    at = full.find(bytes(MAGENTA), at + 1)


# The application icon's images: what Windows asks for in title bars, the notification area and
# the taskbar at 100 % to 400 %, and Explorer's largest; those above 32 px are PNG-compressed.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
ICON_LARGEST_BITMAP = 32
# The 32 x 32 image the tool has always shipped, which stays as it is.
ICON_32_SHA256 = 'a349b0c8541919c9319b385317d9b954376739acab93aafc184464380c7d7abd'


def icon_images(raw):
    """{size: (directory entry fields, image bytes)} of an .ico file."""
    reserved, kind, count = struct.unpack_from('<HHH', raw, 0)
    assert (reserved, kind) == (0, 1), 'not an icon file'
    images = {}
    for i in range(count):
        entry = struct.unpack_from('<BBBBHHII', raw, 6 + 16 * i)
        size, offset = entry[6:8]
        images[entry[0] or 256] = (entry, raw[offset:offset + size])
    return images


def png_rgba(png):
    """The RGBA bytes, top-down, of a PNG, as ImageMagick decodes it."""
    if not os.path.exists(CONVERT):
        raise unittest.SkipTest('ImageMagick convert (%s) is missing' % CONVERT)
    return subprocess.run([CONVERT, 'png:-', '-depth', '8', 'rgba:-'], input=png, check=True,
                          stdout=subprocess.PIPE).stdout


class Icon(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        with open(os.path.join(RES, 'QuilVara.ico'), 'rb') as f:
            cls.raw = f.read()
        cls.images = icon_images(cls.raw)

    def alpha_of(self, n, image):
        """The image's alpha channel, top-down, checked against its AND mask."""
        if n > ICON_LARGEST_BITMAP:
            self.assertEqual(image[:8], b'\x89PNG\r\n\x1a\n')
            self.assertEqual(struct.unpack_from('>4sIIBBBBB', image, 12), (b'IHDR', n, n, 8, 6, 0, 0, 0))  # RGBA
            return list(png_rgba(image)[3::4])
        (hsize, bw, bh, bplanes, bbits, comp) = struct.unpack_from('<IiiHHI', image, 0)
        self.assertEqual((hsize, bw, bh, bplanes, bbits, comp), (40, n, 2 * n, 1, 32, 0))
        mask_stride = (n + 31) // 32 * 4
        self.assertEqual(len(image), 40 + n * n * 4 + mask_stride * n)
        pix, mask = image[40:40 + n * n * 4], image[40 + n * n * 4:]
        alpha = [pix[((n - 1 - y) * n + x) * 4 + 3] for y in range(n) for x in range(n)]
        for y in range(n):   # set = transparent
            for x in range(n):
                bit = (mask[(n - 1 - y) * mask_stride + x // 8] >> (7 - x % 8)) & 1
                self.assertEqual(bit, alpha[y * n + x] == 0, (n, x, y))
        return alpha

    def test_every_size_is_there_in_32_bits_with_an_alpha_channel(self):
        self.assertEqual(sorted(self.images), list(ICON_SIZES))
        end = 6 + 16 * len(self.images)
        for n, (entry, image) in sorted(self.images.items()):
            with self.subTest(size=n):
                w, h, colours, res, planes, bits, size, offset = entry
                self.assertEqual((w, h, colours, res, planes, bits), (n % 256, n % 256, 0, 0, 1, 32))
                self.assertEqual(offset, end, 'images follow one another')
                end = offset + size
                alpha = self.alpha_of(n, image)
                self.assertGreater(alpha.count(0), n * n // 20, 'no transparent surround')
                self.assertGreater(alpha.count(255), n * n // 4, 'no opaque body')
                self.assertGreater(len(alpha) - alpha.count(0) - alpha.count(255), n // 2, 'edges not anti-aliased')
                for x, y in ((0, 0), (n - 1, 0), (0, n - 1), (n - 1, n - 1)):
                    self.assertEqual(alpha[y * n + x], 0, 'corner (%d, %d)' % (x, y))
                self.assertEqual(alpha[(n // 2) * n + n // 2], 255, 'centre')
        self.assertEqual(end, len(self.raw))

    def test_the_32_pixel_image_is_the_one_always_shipped(self):
        self.assertEqual(hashlib.sha256(self.images[32][1]).hexdigest(), ICON_32_SHA256)


class Reproducible(unittest.TestCase):

    def test_generator_reproduces_committed_files(self):
        if not os.path.exists(CONVERT) or not os.path.exists(FONT):
            self.skipTest('ImageMagick convert (%s) or the WenQuanYi Zen Hei font (%s) '
                          'is missing, cannot rerun the generator' % (CONVERT, FONT))
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([sys.executable, GENERATOR, '--out', tmp], check=True)
            self.assertEqual(sorted(os.listdir(tmp)), sorted(ALL_FILES))
            for name in ALL_FILES:
                with open(os.path.join(tmp, name), 'rb') as f:
                    new = f.read()
                with open(os.path.join(RES, name), 'rb') as f:
                    old = f.read()
                self.assertTrue(new == old, '%s differs from the generator output' % name)


if __name__ == '__main__':
    unittest.main()
