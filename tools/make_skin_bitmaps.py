#!/usr/bin/python3
"""Draw QuilVara's skin artwork and write it to res/.

Writes the ten skin bitmaps (button strips, share strips, collapse bar and
the two window backgrounds), the same pictures drawn at twice the size as
24-bit PNG files (NAME_2x.png, for displays scaled above 100 %) and the
application icon, one image drawn for each of its sizes (16 to 256 px; those
above 32 px PNG-compressed).  Everything is drawn procedurally, in 1x coordinates that
the 2x raster samples more finely; Chinese labels and the window title are
rasterised with ImageMagick's `convert` from the WenQuanYi Zen Hei font into
a grey coverage map, at the raster's own size, and composited here.  The
output is deterministic: running the script twice gives byte-identical files.

Usage:  python3 tools/make_skin_bitmaps.py [--out DIR] [--icon-sheet PNG]
        (DIR defaults to res/ next to this script's parent folder; PNG, a
        picture of the icon's sizes side by side, is docs/icon-sizes.png)

Standard library only.
"""

import argparse
import math
import os
import re
import struct
import subprocess
import sys
import zlib
from array import array

CONVERT = '/usr/bin/convert'
FONT = '/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc'

MAGENTA = (255, 0, 255)

# Colours shared by several pieces of artwork.
PANE_ORANGE = (221, 134, 10)
RIGHT_BROWN = (87, 53, 5)
GAP_BLACK = (17, 12, 8)
FRAME_DARK = (34, 19, 3)
FRAME_LIGHT = (236, 184, 92)
FRAME_MID = (132, 80, 12)

TITLE = 'QUILVARA好感查询器'
TITLE_H = 41          # rows 0..40 form the title band
PANE_TOP = 41
EXPANDED_W = 940
COLLAPSED_W = 556
WIN_H = 600


# --------------------------------------------------------------------------
# small raster toolkit
# --------------------------------------------------------------------------

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Linear blend between colours a and b (t=0 gives a)."""
    return (a[0] + (b[0] - a[0]) * t,
            a[1] + (b[1] - a[1]) * t,
            a[2] + (b[2] - a[2]) * t)


def scale(c, f):
    return (c[0] * f, c[1] * f, c[2] * f)


def lighten(c, t):
    return mix(c, (255, 255, 255), t)


def gradient(stops, t):
    """Piecewise linear colour ramp; stops is [(t, colour), ...] sorted."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 1.0)
    return stops[-1][1]


def to_byte(v):
    v = math.floor(v + 0.5)
    return 0 if v < 0 else 255 if v > 255 else int(v)


class Img:
    """RGB image with float channels (0..255), drawn at scale k: w x h is its
    size at 1x, the raster holds (w*k) x (h*k) pixels.  Drawing calls take
    1x coordinates; a 1x pixel covers a k x k block of the raster."""

    def __init__(self, w, h, colour=(0, 0, 0), k=1):
        self.w, self.h, self.k = w, h, k
        self.pw, self.ph = w * k, h * k
        n = self.pw * self.ph
        self.r = array('d', [float(colour[0])]) * n
        self.g = array('d', [float(colour[1])]) * n
        self.b = array('d', [float(colour[2])]) * n

    def px(self, x, y):
        """Colour of raster pixel (x, y)."""
        i = y * self.pw + x
        return (self.r[i], self.g[i], self.b[i])

    def blend_px(self, x, y, c, a):
        """Blend colour c with weight a into raster pixel (x, y)."""
        if a <= 0.0 or not (0 <= x < self.pw and 0 <= y < self.ph):
            return
        if a > 1.0:
            a = 1.0
        i = y * self.pw + x
        self.r[i] += (c[0] - self.r[i]) * a
        self.g[i] += (c[1] - self.g[i]) * a
        self.b[i] += (c[2] - self.b[i]) * a

    def block(self, x, y):
        """Raster indices of 1x pixel (x, y), or none outside the image."""
        if not (0 <= x < self.w and 0 <= y < self.h):
            return ()
        k = self.k
        return [(y * k + j) * self.pw + x * k + i for j in range(k) for i in range(k)]

    def set(self, x, y, c):
        for i in self.block(x, y):
            self.r[i], self.g[i], self.b[i] = c[0], c[1], c[2]

    def blend(self, x, y, c, a):
        if a <= 0.0:
            return
        if a > 1.0:
            a = 1.0
        for i in self.block(x, y):
            self.r[i] += (c[0] - self.r[i]) * a
            self.g[i] += (c[1] - self.g[i]) * a
            self.b[i] += (c[2] - self.b[i]) * a

    def fill(self, x0, y0, x1, y1, c):
        """Fill the inclusive rectangle (x0,y0)-(x1,y1)."""
        for y in range(max(0, y0), min(self.h - 1, y1) + 1):
            for x in range(max(0, x0), min(self.w - 1, x1) + 1):
                self.set(x, y, c)

    def paste(self, src, ox, oy):
        """Copy src (drawn at the same scale) with its corner at 1x (ox, oy)."""
        k = self.k
        for y in range(src.ph):
            ty = oy * k + y
            if not 0 <= ty < self.ph:
                continue
            for x in range(src.pw):
                tx = ox * k + x
                if 0 <= tx < self.pw:
                    i, j = ty * self.pw + tx, y * src.pw + x
                    self.r[i], self.g[i], self.b[i] = src.r[j], src.g[j], src.b[j]

    def rgb_bytes(self):
        """Raster rows top-down as (r, g, b) byte tuples."""
        return [[(to_byte(self.r[y * self.pw + x]), to_byte(self.g[y * self.pw + x]),
                  to_byte(self.b[y * self.pw + x])) for x in range(self.pw)]
                for y in range(self.ph)]


def coverage(d):
    """Anti-aliased coverage of a pixel whose centre is at signed distance d."""
    return clamp(0.5 - d)


def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_ellipse(cx, cy, rx, ry):
    m = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * m


def sd_round_rect(x0, y0, x1, y1, r):
    """Rounded rectangle covering the continuous box [x0,x1]x[y0,y1]."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        out = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return out + min(max(qx, qy), 0.0) - r
    return f


def sd_capsule(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy

    def f(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / ll) if ll else 0.0
        return math.hypot(x - ax - dx * t, y - ay - dy * t) - r
    return f


def sd_ring(cx, cy, r, half_width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - half_width


def raster_box(img, box):
    """The raster pixels covered by the inclusive 1x box (all when None)."""
    x0, y0, x1, y1 = box if box else (0, 0, img.w - 1, img.h - 1)
    k = img.k
    return (range(max(0, y0 * k), min(img.ph - 1, y1 * k + k - 1) + 1),
            range(max(0, x0 * k), min(img.pw - 1, x1 * k + k - 1) + 1))


def at_1x(img, v):
    """The 1x coordinate a colour function gets for raster pixel v: the
    pixel's own index at 1x, so that v + 0.5 is its centre."""
    return v if img.k == 1 else (v + 0.5) / img.k - 0.5


def paint(img, sdf, colour, box=None, alpha=1.0):
    """Fill the shape given by a signed distance function (1x units).

    colour may be an (r, g, b) tuple or a function (x, y) -> colour.
    """
    k = img.k
    func = colour if callable(colour) else None
    rows, cols = raster_box(img, box)
    for y in rows:
        for x in cols:
            d = sdf(x + 0.5, y + 0.5) if k == 1 else sdf((x + 0.5) / k, (y + 0.5) / k) * k
            a = coverage(d) * alpha
            if a > 0.0:
                img.blend_px(x, y, func(at_1x(img, x), at_1x(img, y)) if func else colour, a)


def paint_ss(img, inside, colour, box, alpha=1.0, n=4):
    """Fill an implicit shape by n x n supersampling (for shapes without a
    convenient distance function)."""
    k = img.k
    func = colour if callable(colour) else None
    rows, cols = raster_box(img, box)
    for y in rows:
        for x in cols:
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    if inside((x + (sx + 0.5) / n) / k, (y + (sy + 0.5) / n) / k):
                        hits += 1
            if hits:
                img.blend_px(x, y, func(at_1x(img, x), at_1x(img, y)) if func else colour,
                             alpha * hits / (n * n))


def heart_inside(cx, cy, s):
    """Classic implicit heart, centred at (cx, cy), half-width about s."""
    def f(x, y):
        u = (x - cx) / s
        v = -(y - cy) / s + 0.1
        q = u * u + v * v - 1.0
        return q * q * q - u * u * v * v * v <= 0.0
    return f


# --------------------------------------------------------------------------
# text
# --------------------------------------------------------------------------

class Coverage:
    def __init__(self, w, h, data):
        self.w, self.h, self.data = w, h, data

    def at(self, x, y):
        return self.data[y * self.w + x] / 255.0

    def ink_box(self):
        xs, ys = [], []
        for y in range(self.h):
            for x in range(self.w):
                if self.data[y * self.w + x]:
                    xs.append(x)
                    ys.append(y)
        return min(xs), min(ys), max(xs), max(ys)


_text_cache = {}


def render_text(text, size, weight=0.0, kerning=0.0):
    """Rasterise text to an 8-bit coverage map using ImageMagick."""
    key = (text, size, weight, kerning)
    if key in _text_cache:
        return _text_cache[key]
    args = [CONVERT, '-font', FONT, '-pointsize', str(size), '-density', '72',
            '-background', 'black', '-fill', 'white']
    if weight:
        args += ['-stroke', 'white', '-strokewidth', str(weight)]
    if kerning:
        args += ['-kerning', str(kerning)]
    args += ['label:' + text, '-depth', '8', 'pgm:-']
    out = subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout
    # P5 header: magic, width, height, maxval, one whitespace, raster.
    fields, pos = [], 0
    while len(fields) < 4:
        while out[pos:pos + 1].isspace():
            pos += 1
        if out[pos:pos + 1] == b'#':
            pos = out.index(b'\n', pos) + 1
            continue
        end = pos
        while not out[end:end + 1].isspace():
            end += 1
        fields.append(out[pos:end])
        pos = end
    pos += 1
    if fields[0] != b'P5' or int(fields[3]) != 255:
        raise RuntimeError('unexpected output from convert: %r' % fields)
    w, h = int(fields[1]), int(fields[2])
    data = bytes(out[pos:pos + w * h])
    if len(data) != w * h:
        raise RuntimeError('short raster from convert')
    cov = Coverage(w, h, data)
    _text_cache[key] = cov
    return cov


def draw_text(img, cov, x, y, colour, alpha=1.0):
    """Composite a coverage map with its top-left corner at raster (x, y)."""
    for j in range(cov.h):
        for i in range(cov.w):
            a = cov.data[j * cov.w + i]
            if a:
                img.blend_px(x + i, y + j, colour, a / 255.0 * alpha)


def draw_label(img, text, size, x, cy, colour, shadow=None, shadow_alpha=0.5,
               weight=0.0, kerning=0.0, alpha=1.0):
    """Draw text whose ink starts at 1x column x and is vertically centred on
    1x row cy, rasterised at the image's scale (size, stroke and kerning
    times k), so that its strokes are as sharp at 2x as at 1x."""
    k = img.k
    cov = render_text(text, size * k, weight * k, kerning * k)
    ix0, iy0, ix1, iy1 = cov.ink_box()
    ox = x * k - ix0
    oy = int(math.floor(cy * k - (iy0 + iy1 + 1) / 2.0 + 0.5))
    if shadow is not None:
        draw_text(img, cov, ox + k, oy + k, shadow, shadow_alpha * alpha)
    draw_text(img, cov, ox, oy, colour, alpha)


# --------------------------------------------------------------------------
# file writers
# --------------------------------------------------------------------------

def bmp_bytes(width, height, bpp, rows, palette=None):
    """rows: top-down list of rows; each row a list of (r,g,b) for 24 bpp or
    of palette indices for 8 bpp."""
    stride = (width * bpp // 8 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bpp == 24:
            for r, g, b in row:
                line += bytes((b, g, r))
        else:
            line += bytes(row)
        line += b'\0' * (stride - len(line))
        body += line
    pal = b''
    if bpp == 8:
        assert len(palette) == 256
        pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    off = 14 + 40 + len(pal)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0, len(body),
                       2835, 2835, 256 if bpp == 8 else 0, 0)
    head = struct.pack('<2sIHHI', b'BM', off + len(body), 0, 0, off)
    return head + info + pal + bytes(body)


def median_cut(counts, n):
    """Deterministic median-cut quantiser.  counts maps colour -> pixels.
    Returns up to n colours."""
    boxes = [sorted(counts.items())]
    if len(counts) <= n:
        return sorted(counts)

    def spread(box):
        best = None
        for ch in range(3):
            vals = [c[ch] for c, _ in box]
            rng = max(vals) - min(vals)
            if best is None or rng > best[0]:
                best = (rng, ch)
        return best

    while len(boxes) < n:
        # split the box with the largest (range * sqrt(pixel count))
        cand = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            rng, ch = spread(box)
            pix = sum(k for _, k in box)
            score = rng * math.sqrt(pix)
            if cand is None or score > cand[0]:
                cand = (score, i, ch)
        if cand is None:
            break
        _, i, ch = cand
        box = sorted(boxes[i], key=lambda e: (e[0][ch], e[0]))
        total = sum(k for _, k in box)
        acc, cut = 0, 1
        for j, (_, k) in enumerate(box):
            acc += k
            if acc * 2 >= total:
                cut = j + 1
                break
        cut = min(max(cut, 1), len(box) - 1)
        boxes[i:i + 1] = [box[:cut], box[cut:]]
    pal = []
    for box in boxes:
        tot = sum(k for _, k in box)
        pal.append(tuple(to_byte(sum(c[ch] * k for c, k in box) / tot) for ch in range(3)))
    return sorted(set(pal))


def quantise(img):
    """Return (palette[256], rows of indices) for an Img."""
    rows = img.rgb_bytes()
    counts = {}
    for row in rows:
        for c in row:
            counts[c] = counts.get(c, 0) + 1
    pal = [c for c in median_cut(counts, 256) if c != MAGENTA]
    lookup = {}
    for c in counts:
        best, bi = None, 0
        for i, p in enumerate(pal):
            d = (c[0] - p[0]) ** 2 * 3 + (c[1] - p[1]) ** 2 * 4 + (c[2] - p[2]) ** 2 * 2
            if best is None or d < best:
                best, bi = d, i
        lookup[c] = bi
    idx_rows = [[lookup[c] for c in row] for row in rows]
    palette = list(pal) + [(0, 0, 0)] * (256 - len(pal))
    assert MAGENTA not in palette
    return palette, idx_rows


def write_bmp24(path, img):
    with open(path, 'wb') as f:
        f.write(bmp_bytes(img.pw, img.ph, 24, img.rgb_bytes()))


def write_bmp8(path, img):
    palette, rows = quantise(img)
    with open(path, 'wb') as f:
        f.write(bmp_bytes(img.pw, img.ph, 8, rows, palette))


def png_bytes(width, height, rows, colour_type):
    """A PNG of top-down rows of pixel tuples, 8 bits a channel (colour type 2:
    RGB, 6: RGBA), without filtering (flat artwork and the icon's soft
    gradients compress best as they are) and at the highest zlib level."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for c in row:
            raw += bytes(c)

    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data))

    header = struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def write_png(path, img):
    """24-bit PNG of the raster."""
    with open(path, 'wb') as f:
        f.write(png_bytes(img.pw, img.ph, img.rgb_bytes(), 2))


def ico_bitmap_bytes(rgba):
    """One 32-bpp icon image as an .ico stores it: header, colour and alpha
    bottom-up, then the AND mask (set where fully transparent)."""
    size = len(rgba)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rgba):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """An .ico of square 32-bpp images (top-down RGBA rows), smallest first;
    those larger than ICON_LARGEST_BITMAP PNG-compressed."""
    images = sorted(images, key=len)
    data = [png_bytes(len(rgba), len(rgba), rgba, 6) if len(rgba) > ICON_LARGEST_BITMAP else ico_bitmap_bytes(rgba)
            for rgba in images]
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    for rgba, image in zip(images, data):
        size = len(rgba)
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as f:
        f.write(directory + b''.join(data))


def write_icon_sheet(path, images):
    """A picture of the icon's images side by side at their own sizes, on
    the window's orange and on its title band's dark brown, each with its
    size in pixels beneath: for the documentation."""
    gap, label_h = 16, 18
    width = gap + sum(len(rgba) + gap for rgba in images)
    tallest = max(len(rgba) for rgba in images)
    band = tallest + 2 * gap
    sheet = Img(width, 2 * band + label_h + gap // 2, (250, 246, 238))
    for i, ground in enumerate((PANE_ORANGE, (52, 29, 5))):
        sheet.fill(0, i * band, width - 1, (i + 1) * band - 1, ground)
    x = gap
    for rgba in images:
        size = len(rgba)
        for i in range(2):
            top = i * band + gap + tallest - size
            for y, row in enumerate(rgba):
                for dx, (r, g, b, a) in enumerate(row):
                    sheet.blend(x + dx, top + y, (r, g, b), a / 255.0)
        draw_label(sheet, str(size), 11, x + max(0, size // 2 - 4), 2 * band + label_h / 2.0 + 2, (60, 40, 20))
        x += size + gap
    write_png(path, sheet)


# --------------------------------------------------------------------------
# artwork
# --------------------------------------------------------------------------

BAND_STOPS = [
    (0, (52, 29, 5)),
    (3, (70, 40, 8)),
    (19, (118, 75, 17)),
    (20, (134, 88, 22)),
    (37, (190, 140, 46)),
    (38, (206, 158, 62)),
]


def band_colour(x, y):
    """Title band colour at window position (x, y), independent of the
    window width so both backgrounds share their left part."""
    c = gradient(BAND_STOPS, y)
    if y == 39:
        c = (224, 178, 88)
    elif y == 40:
        c = (72, 42, 6)
    elif x < 460:
        # soft warm glow behind the title, gone well before the buttons
        dx = (x - 110) / 330.0
        dy = (y - 14) / 30.0
        g = 1.0 - dx * dx - dy * dy
        if g > 0:
            c = mix(c, (255, 196, 96), 0.22 * g * g)
    return c


class EmblemGrid:
    """Where the emblem's design, drawn on a 32-unit square, lands in an s-pixel box at (ox, oy).

    Scaled, every length is multiplied by s / 32: the emblem in the title band.  Fitted to its
    pixels, as each image of the application icon is drawn: the box's edges fall on whole pixels,
    its outlines stay at least a pixel wide and grow more slowly than the box (sharp at 16 px, not
    heavy at 256 px), and the shine spots, which would be a blur of a pixel or less, are left out
    below 24 px and the shadow below 20 px.  On the design's own 32-pixel grid both are the same.
    """

    def __init__(self, ox, oy, s, fitted):
        self.ox, self.oy, self.k, self.s, self.fitted = ox, oy, s / 32.0, s, fitted

    def x(self, v):
        return self.ox + v * self.k

    def y(self, v):
        return self.oy + v * self.k

    def edge_x(self, v):
        return self.ox + round(v * self.k) if self.fitted else self.x(v)

    def edge_y(self, v):
        return self.oy + round(v * self.k) if self.fitted else self.y(v)

    def line(self):
        """The width in pixels of the box's and the lid's outlines, one unit of the design."""
        return max(1, round(self.k ** 0.75)) if self.fitted else self.k

    def rim(self, v):
        """The width in pixels of a soft outline v units wide (the bow's, the heart's)."""
        return max(0.6, v * self.k ** 0.75) if self.fitted else v * self.k

    def shows(self, smallest_size):
        return not self.fitted or self.s >= smallest_size


def draw_app_emblem(img, ox, oy, s, fitted=False):
    """The gift box with a heart, drawn at (ox, oy) in a box of size s
    (an s x s square), scaled or fitted to its pixels (EmblemGrid).  Used for
    the icon and the title band."""
    g = EmblemGrid(ox, oy, s, fitted)
    k, X, Y = g.k, g.x, g.y

    box = (int(ox) - 1, int(oy) - 1, int(ox + s) + 1, int(oy + s) + 1)
    # soft shadow under the box
    if g.shows(20):
        paint(img, sd_ellipse(X(16), Y(29.6), 13 * k, 2.2 * k), (0, 0, 0), box, 0.28)
    # box body and lid, each a dark outline around a gradient
    for (left, top, right, bottom), radius, inner_radius, stops in (
            ((5, 14, 27, 29), 1.6, 1.0, ((246, 206, 112), (196, 132, 30))),
            ((3, 9, 29, 16), 1.8, 1.2, ((255, 228, 146), (218, 158, 48)))):
        x0, y0, x1, y1 = g.edge_x(left), g.edge_y(top), g.edge_x(right), g.edge_y(bottom)
        paint(img, sd_round_rect(x0, y0, x1, y1, radius * k), (86, 46, 6), box)
        w = g.line()
        paint(img, sd_round_rect(x0 + w, y0 + w, x1 - w, y1 - w, inner_radius * k),
              lambda x, y, t=y0 + w, b=y1 - w, c=stops: gradient([(t, c[0]), (b, c[1])], y + 0.5),
              box)
    lid_top = g.edge_y(9) + g.line()
    body_bottom = g.edge_y(29) - g.line()
    # ribbon
    red = lambda x, y: gradient([(X(13), (150, 16, 22)), (X(16), (222, 46, 46)),
                                 (X(19), (150, 16, 22))], x + 0.5)
    paint(img, sd_round_rect(X(13.2), lid_top, X(18.8), body_bottom, 0.4 * k), red, box)
    # bow: two loops and a knot
    loop, knot = g.rim(0.9), g.rim(0.7)
    for side in (-1, 1):
        lx = X(16 + side * 4.6)
        paint(img, sd_ellipse(lx, Y(6.0), 4.4 * k, 3.4 * k), (120, 10, 16), box)
        paint(img, sd_ellipse(lx, Y(5.7), 4.4 * k - loop, 3.4 * k - g.rim(0.8)),
              lambda x, y: gradient([(Y(3), (246, 92, 84)), (Y(9), (190, 26, 32))], y + 0.5),
              box)
        if g.shows(20):
            paint(img, sd_ellipse(lx + side * 0.6 * k, Y(6.3), 1.5 * k, 1.0 * k), (110, 8, 14), box)
    paint(img, sd_circle(X(16), Y(8.2), 2.6 * k), (120, 10, 16), box)
    paint(img, sd_circle(X(16), Y(8.0), 2.6 * k - knot), (214, 40, 42), box)
    if g.shows(24):
        paint(img, sd_circle(X(15.4), Y(7.4), 0.8 * k), (255, 170, 160), box, 0.8)
    # heart on the box front, in a white rim
    paint_ss(img, heart_inside(X(16), Y(21.6), 4.1 * k + g.rim(1.1)), (255, 255, 255), box, 0.95)
    paint_ss(img, heart_inside(X(16), Y(21.5), 4.1 * k),
             lambda x, y: gradient([(Y(17), (255, 96, 96)), (Y(26), (196, 20, 36))], y + 0.5),
             box)
    if g.shows(24):
        paint(img, sd_circle(X(14.0), Y(19.6), 1.0 * k), (255, 220, 220), box, 0.75)
        # highlight along the lid top
        paint(img, sd_capsule(X(5.5), Y(10.6), X(12), Y(10.6), 0.45 * k), (255, 250, 220), box, 0.7)


# The sizes of the application icon's images: what Windows asks for in title bars, the
# notification area and the taskbar at 100 % to 400 %, and what Explorer shows.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
# Images larger than this are stored PNG-compressed, which Windows reads from Vista on: a sixth of
# their size as bitmaps, and the exe is a download. The smaller ones stay bitmaps, the 32 px one
# as it always was.
ICON_LARGEST_BITMAP = 32


def make_icon(n):
    """The n x n image of the application icon, as top-down RGBA rows,
    drawn for its size."""
    # Draw onto two opaque backgrounds (black and white); from the two
    # results the straight colour and alpha follow exactly.
    on_black = Img(n, n, (0, 0, 0))
    on_white = Img(n, n, (255, 255, 255))
    draw_app_emblem(on_black, 0, 0, n, fitted=True)
    draw_app_emblem(on_white, 0, 0, n, fitted=True)
    rows = []
    for y in range(n):
        row = []
        for x in range(n):
            kb, kw = on_black.px(x, y), on_white.px(x, y)
            a = clamp(1.0 - (kw[0] - kb[0] + kw[1] - kb[1] + kw[2] - kb[2]) / (3 * 255.0))
            ab = to_byte(a * 255)
            if ab == 0:
                row.append((0, 0, 0, 0))
                continue
            row.append(tuple(to_byte(kb[ch] / a) for ch in range(3)) + (ab,))
        rows.append(row)
    return rows


def make_background(width, k=1):
    expanded = width == EXPANDED_W
    img = Img(width, WIN_H, PANE_ORANGE, k)
    right = width - 1

    # title band
    for y in range(TITLE_H):
        for x in range(width):
            img.set(x, y, band_colour(x, y))

    bottom_pane = WIN_H - 3 if expanded else WIN_H - 4   # last pane row
    # left pane (flat orange) is the initial fill; near-black gap
    img.fill(531, PANE_TOP, 553, bottom_pane, GAP_BLACK)
    if expanded:
        img.fill(554, PANE_TOP, 936, bottom_pane, RIGHT_BROWN)
        # faint inner shade along the pane edges
        for y in range(PANE_TOP, bottom_pane + 1):
            img.set(554, y, (64, 38, 3))
            img.set(936, y, (70, 42, 4))
        for x in range(554, 937):
            img.set(x, PANE_TOP, (64, 38, 3))

    # outer frame: left and top
    for y in range(WIN_H):
        img.set(0, y, FRAME_DARK)
        img.set(1, y, FRAME_LIGHT if y >= TITLE_H else lighten(band_colour(1, y), 0.35))
        if y >= TITLE_H:
            img.set(2, y, FRAME_MID)
    for x in range(width):
        img.set(x, 0, FRAME_DARK)
        if 1 <= x:
            img.set(x, 1, lighten(band_colour(x, 1), 0.30))
    # bottom
    if expanded:
        for x in range(1, width):
            img.set(x, WIN_H - 2, FRAME_LIGHT)
    else:
        for x in range(2, width):
            img.set(x, WIN_H - 3, FRAME_MID)
        for x in range(1, width):
            img.set(x, WIN_H - 2, FRAME_LIGHT)
    for x in range(width):
        img.set(x, WIN_H - 1, FRAME_DARK)
    # right
    for y in range(1, WIN_H - 1):
        if expanded:
            if y >= TITLE_H:
                img.set(right - 2, y, FRAME_MID)
            img.set(right - 1, y, FRAME_LIGHT if y >= TITLE_H else lighten(band_colour(right - 1, y), 0.35))
        else:
            img.set(right - 1, y, FRAME_LIGHT if y >= TITLE_H else lighten(band_colour(right - 1, y), 0.35))
    for y in range(WIN_H):
        img.set(right, y, FRAME_DARK)
    # corner pixels softened
    for cx, cy in ((0, 0), (right, 0), (0, WIN_H - 1), (right, WIN_H - 1)):
        img.set(cx, cy, (12, 7, 1))

    # application emblem and title
    draw_app_emblem(img, 9, 9, 22)
    draw_label(img, TITLE, 16, 37, 19.5, (255, 244, 214), shadow=(40, 20, 0),
               shadow_alpha=0.6, weight=0.15, kerning=0.5)
    return img


def bevel_face(w, h, top, bottom, border, outer=PANE_ORANGE, radius=3.0,
               highlight=0.55, shade=None, border_width=1, k=1):
    """A button face: rounded rectangle with a vertical gradient, a border
    border_width px wide, inner top highlight.  Corners blend into `outer`."""
    img = Img(w, h, outer, k)
    outline = sd_round_rect(0, 0, w, h, radius)
    paint(img, outline, border)
    b = border_width
    inner = sd_round_rect(b, b, w - b, h - b, radius - b)
    paint(img, inner, lambda x, y: gradient([(b, top), (h - 1 - b, bottom)], y))
    # inner highlight along the top and a slightly darker bottom line
    for x in range(b + 1, w - b - 1):
        img.blend(x, b, (255, 255, 255), highlight)
        img.blend(x, h - 1 - b, shade if shade else scale(bottom, 0.92), 0.5)
    return img


def make_default_buttons(k=1):
    w, h = 63, 21
    frames = [
        # normal: light cyan
        bevel_face(w, h, (232, 252, 255), (150, 218, 236), (58, 136, 160), k=k),
        # pressed: darker cyan, gradient reversed
        bevel_face(w, h, (104, 178, 202), (156, 214, 230), (30, 96, 122), highlight=0.12,
                   shade=(176, 226, 240), k=k),
        # keyboard focus: pale yellow-orange with a focus ring
        bevel_face(w, h, (255, 244, 212), (248, 208, 138), (196, 124, 28), k=k),
        # hover: brighter pale yellow-orange
        bevel_face(w, h, (255, 252, 236), (255, 224, 164), (214, 150, 48), highlight=0.7, k=k),
        # disabled: light grey
        bevel_face(w, h, (240, 240, 240), (204, 204, 204), (150, 150, 150), k=k),
    ]
    # focus ring: dotted line 3 px inside the border
    f = frames[2]
    for x in range(4, w - 4):
        if x % 2 == 0:
            f.blend(x, 3, (176, 104, 20), 0.8)
            f.blend(x, h - 4, (176, 104, 20), 0.8)
    for y in range(4, h - 4):
        if y % 2 == 0:
            f.blend(3, y, (176, 104, 20), 0.8)
            f.blend(w - 4, y, (176, 104, 20), 0.8)
    return frames


def caption_button(kind, brightness, bx, by, k=1):
    """21 x 19 brown-gold square with a white glyph; (bx, by) is its place
    in the expanded window, used to match the corners to the title band."""
    w, h = 21, 19
    img = Img(w, h, k=k)
    for y in range(h):
        for x in range(w):
            img.set(x, y, band_colour(bx + x, by + y))
    f = brightness
    border = scale((78, 44, 6), f)
    top = scale((214, 160, 66), f)
    bottom = scale((146, 94, 22), f)
    paint(img, sd_round_rect(0, 0, w, h, 2.5), border)
    paint(img, sd_round_rect(1, 1, w - 1, h - 1, 1.6),
          lambda x, y: gradient([(1, top), (9, mix(top, bottom, 0.55)), (10, mix(top, bottom, 0.75)),
                                 (h - 2, bottom)], y))
    for x in range(2, w - 2):
        img.blend(x, 1, lighten(top, 0.6), 0.7)
    cx, cy = w / 2.0, h / 2.0
    if kind == 'close':
        d = 4.2
        glyph = [sd_capsule(cx - d, cy - d, cx + d, cy + d, 1.15),
                 sd_capsule(cx - d, cy + d, cx + d, cy - d, 1.15)]
    else:
        glyph = [sd_round_rect(cx - 5.0, cy + 1.5, cx + 5.0, cy + 4.0, 0.6)]
    for g in glyph:   # soft shadow, then the glyph
        paint(img, lambda x, y, g=g: g(x - 0.7, y - 0.8), scale(border, 0.8), alpha=0.55)
    for g in glyph:
        paint(img, g, (255, 255, 255))
    return img


def make_caption_buttons(kind, k=1):
    bx = 910 if kind == 'close' else 886
    return [caption_button(kind, f, bx, 10, k) for f in (1.0, 0.74, 1.1, 1.2, 0.6)]


# ---- share strip icons (20 x 20 area with top-left at (ox, oy)) ----------

def icon_sina(img, ox, oy):
    cx, cy = ox + 10, oy + 10.5
    paint(img, sd_ellipse(cx, cy + 0.6, 9.4, 6.6), (120, 10, 10), alpha=0.35)
    paint(img, sd_ellipse(cx, cy, 9.2, 6.4),
          lambda x, y: gradient([(cy - 6, (246, 70, 60)), (cy + 6, (186, 18, 22))], y + 0.5))
    paint(img, sd_ellipse(cx, cy, 6.6, 4.2), (255, 246, 236))
    paint(img, sd_circle(cx + 0.4, cy, 3.2),
          lambda x, y: gradient([(cy - 3, (232, 140, 30)), (cy + 3, (160, 70, 10))], y + 0.5))
    paint(img, sd_circle(cx + 0.4, cy, 1.6), (30, 18, 12))
    paint(img, sd_circle(cx - 0.8, cy - 1.2, 0.9), (255, 255, 255), alpha=0.9)
    # a small flame-like stroke above the eye
    paint(img, sd_capsule(cx + 4.5, cy - 8.0, cx + 7.5, cy - 5.4, 0.9), (236, 150, 20))


def icon_qq(img, ox, oy):
    cx, cy = ox + 10, oy + 10
    paint(img, sd_circle(cx, cy + 0.5, 9.2), (10, 40, 90), alpha=0.3)
    paint(img, sd_circle(cx, cy, 9.0),
          lambda x, y: gradient([(cy - 9, (96, 178, 246)), (cy + 9, (20, 92, 190))], y + 0.5))
    paint(img, sd_ring(cx - 0.6, cy - 0.6, 4.2, 1.15), (255, 255, 255))
    paint(img, sd_capsule(cx + 2.4, cy + 2.4, cx + 5.4, cy + 5.4, 1.15), (255, 255, 255))
    paint(img, sd_circle(cx - 0.6, cy - 0.6, 1.3), (255, 255, 255))
    # glossy cap
    paint(img, sd_ellipse(cx, cy - 4.6, 6.4, 3.4), (255, 255, 255), alpha=0.22)


def icon_penguin(img, ox, oy):
    cx = ox + 10
    paint(img, sd_ellipse(cx, oy + 19.0, 7.0, 1.2), (0, 0, 0), alpha=0.25)
    # body and head
    paint(img, sd_ellipse(cx, oy + 12.5, 6.6, 7.0), (26, 26, 30))
    paint(img, sd_circle(cx, oy + 5.6, 5.0), (26, 26, 30))
    # belly and face
    paint(img, sd_ellipse(cx, oy + 13.4, 4.6, 5.4), (250, 250, 250))
    paint(img, sd_ellipse(cx, oy + 6.4, 3.6, 3.0), (250, 250, 250))
    # eyes
    paint(img, sd_circle(cx - 1.6, oy + 5.4, 0.9), (20, 20, 20))
    paint(img, sd_circle(cx + 1.6, oy + 5.4, 0.9), (20, 20, 20))
    # beak
    paint(img, sd_ellipse(cx, oy + 7.6, 2.0, 1.0), (250, 176, 20))
    # scarf
    paint(img, sd_round_rect(cx - 5.2, oy + 9.0, cx + 5.2, oy + 10.9, 0.9), (220, 30, 34))
    paint(img, sd_round_rect(cx + 2.0, oy + 10.0, cx + 3.8, oy + 14.0, 0.8), (200, 22, 28))
    # feet
    paint(img, sd_ellipse(cx - 2.8, oy + 18.8, 2.4, 1.1), (250, 170, 16))
    paint(img, sd_ellipse(cx + 2.8, oy + 18.8, 2.4, 1.1), (250, 170, 16))
    # shine on the head
    paint(img, sd_circle(cx - 2.4, oy + 2.8, 1.0), (255, 255, 255), alpha=0.35)


def icon_user(img, ox, oy):
    cx = ox + 10
    blue = lambda x, y: gradient([(oy + 1, (120, 170, 226)), (oy + 19, (36, 82, 150))], y + 0.5)
    paint(img, sd_circle(cx, oy + 6.0, 4.4), blue)
    # shoulders: the upper half of a wide rounded shape, clipped at the bottom
    shoulders = sd_round_rect(cx - 8.2, oy + 11.2, cx + 8.2, oy + 24.0, 6.2)
    paint(img, lambda x, y: max(shoulders(x, y), y - (oy + 19.0)), blue)
    # collar highlight and head shine
    paint(img, sd_circle(cx - 1.5, oy + 4.4, 1.3), (255, 255, 255), alpha=0.45)
    paint(img, sd_capsule(cx - 5, oy + 13.0, cx + 5, oy + 13.0, 0.7), (255, 255, 255), alpha=0.25)


SHARE_FRAMES = [
    # (top, bottom, border, border width, label colour). Keyboard focus gives the normal face a
    # wide gold border, its icon and label at full strength: a chosen button, never one that reads
    # as disabled.
    ((246, 246, 246), (212, 212, 212), (140, 140, 140), 1, (34, 34, 34)),   # normal
    ((255, 255, 255), (238, 238, 238), (160, 160, 160), 1, (34, 34, 34)),   # pressed
    ((246, 246, 246), (212, 212, 212), (176, 124, 36), 2, (34, 34, 34)),    # focus
    ((224, 224, 224), (186, 186, 186), (118, 118, 118), 1, (20, 20, 20)),   # hover
    ((198, 198, 198), (158, 158, 158), (100, 100, 100), 1, (16, 16, 16)),   # disabled
]


def share_strip(icon, label, k=1):
    w, h = 122, 31
    frames = []
    for top, bottom, border, border_width, ink in SHARE_FRAMES:
        f = bevel_face(w, h, top, bottom, border, radius=3.0, highlight=0.6, border_width=border_width, k=k)
        icon(f, 5, 5)
        draw_label(f, label, 12, 29, 15.5, ink, shadow=lighten(top, 0.6), shadow_alpha=0.35)
        frames.append(f)
    return frames


def make_collapse_bar(k=1):
    w, h = 23, 558
    img = Img(w, h, k=k)
    for y in range(h):
        for x in range(w):
            # gentle cylinder shading across the bar
            t = (x + 0.5) / w
            v = 44 + 14 * math.sin(math.pi * t) - 6 * t
            img.set(x, y, (v, v, v + 2))
        img.set(0, y, (22, 22, 24))
        img.set(1, y, (66, 66, 68))
        img.set(w - 1, y, (20, 20, 22))
    for x in range(w):
        img.set(x, 0, (88, 88, 90))
        img.set(x, 1, (70, 70, 72))
        img.set(x, h - 1, (80, 80, 82))
        img.set(x, h - 2, (64, 64, 66))
    # grip: a column of small dimples in the middle
    mid = h // 2
    for k in range(-3, 4):
        cy = mid + k * 5 + 0.5
        paint(img, sd_circle(11.5 + 0.6, cy + 0.6, 1.3), (100, 100, 102), alpha=0.8)
        paint(img, sd_circle(11.5, cy, 1.3), (18, 18, 20))
    return img


def strip(frames):
    w, h = frames[0].w, frames[0].h
    img = Img(w * len(frames), h, k=frames[0].k)
    for i, f in enumerate(frames):
        img.paste(f, i * w, 0)
    return img


# --------------------------------------------------------------------------

def check_tools():
    for path, what in ((CONVERT, 'ImageMagick convert'), (FONT, 'WenQuanYi Zen Hei font')):
        if not os.path.exists(path):
            sys.exit('make_skin_bitmaps: %s not found at %s' % (what, path))


# The skin bitmaps: file name stem, bits per pixel of the bitmap, frames side by side, and how
# the picture is drawn at scale k.
SKIN = [
    ('btn_default', 8, 5, lambda k: strip(make_default_buttons(k))),
    ('btn_close', 24, 5, lambda k: strip(make_caption_buttons('close', k))),
    ('btn_minimize', 24, 5, lambda k: strip(make_caption_buttons('minimize', k))),
    ('share_sina', 8, 5, lambda k: strip(share_strip(icon_sina, '分享到新浪微博', k))),
    ('share_qq', 8, 5, lambda k: strip(share_strip(icon_qq, '分享到腾讯微博', k))),
    ('copy_text', 8, 5, lambda k: strip(share_strip(icon_penguin, '分享给我的好友', k))),
    ('forum', 8, 5, lambda k: strip(share_strip(icon_user, '登入论坛交流', k))),
    ('collapse_bar', 24, 1, make_collapse_bar),
    ('bg_expanded', 24, 1, lambda k: make_background(EXPANDED_W, k)),
    ('bg_collapsed', 24, 1, lambda k: make_background(COLLAPSED_W, k)),
]


def generate(out):
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)
    for stem, bits, _, draw in SKIN:
        (write_bmp8 if bits == 8 else write_bmp24)(p(stem + '.bmp'), draw(1))
        write_png(p(stem + '_2x.png'), draw(2))
    write_ico(p('QuilVara.ico'), [make_icon(n) for n in ICON_SIZES])


def resampled(res, stem, frame_size):
    """The 2x art of a skin bitmap in res as a display at another scale
    shows it: each frame resampled on its own to frame_size (w, h) with a
    Catmull-Rom filter.  Returns (width, height, RGB bytes, top-down)."""
    frames = next(n for name, _, n, _ in SKIN if name == stem)
    path = os.path.join(res, stem + '_2x.png')
    with open(path, 'rb') as f:
        width, height = struct.unpack('>II', f.read(24)[16:24])
    args = [CONVERT, path, '-filter', 'Catrom']
    for i in range(frames):
        args += ['(', '-clone', '0', '-crop', '%dx%d+%d+0' % (width // frames, height, i * width // frames),
                 '+repage', '-resize', '%dx%d!' % frame_size, ')']
    args += ['-delete', '0', '+append', '-depth', '8', 'ppm:-']
    ppm = subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout
    header = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', ppm)
    return int(header.group(1)), int(header.group(2)), ppm[header.end():]


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--out', default=os.path.join(os.path.dirname(here), 'res'),
                    help='output folder (default: res/ in the repository)')
    ap.add_argument('--icon-sheet', metavar='PNG',
                    help='also draw the icon\'s images side by side into PNG (docs/icon-sizes.png)')
    args = ap.parse_args(argv)
    check_tools()
    generate(args.out)
    if args.icon_sheet:
        write_icon_sheet(args.icon_sheet, [make_icon(n) for n in ICON_SIZES])


if __name__ == '__main__':
    main()
