#!/usr/bin/env python3
"""Draws the setup program's artwork into res/: the two wizard logos (indexed
PNG with the palette sizes the wizard's decoder is built around), the
program icon, and the four small glyphs of the folder page.

Shapes are rasterised here with 4x4 supersampling; the lettering comes from
ImageMagick's text renderer (Liberation Sans). The outputs are committed, so
the build never runs this script.
"""

import math
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_BOLD = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"

NAVY = (27, 58, 104)
DEEP = (22, 49, 88)
TEAL = (62, 122, 140)
MIST = (214, 228, 236)
PAPER = (252, 250, 244)
INK = (27, 58, 104)
QUILL = (196, 146, 62)
WHITE = (255, 255, 255)


# ---------------------------------------------------------------- canvas

class Image:
    def __init__(self, w, h, bg):
        self.w, self.h = w, h
        self.px = [[tuple(bg) for _ in range(w)] for _ in range(h)]
        self.alpha = None

    def blend(self, x, y, col, a):
        if a <= 0:
            return
        if a >= 1:
            self.px[y][x] = tuple(col)
            return
        p = self.px[y][x]
        self.px[y][x] = tuple(p[i] + (col[i] - p[i]) * a for i in range(3))

    def fill(self, inside, col, box=None, ss=4, opacity=1.0):
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                n = 0
                for sy in range(ss):
                    for sx in range(ss):
                        if inside(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss):
                            n += 1
                if n:
                    self.blend(x, y, col, opacity * n / (ss * ss))

    def mask(self, m, col, ox, oy, opacity=1.0):
        """Blends a grey-level mask (rows of 0..255) at (ox, oy)."""
        for j, row in enumerate(m):
            for i, v in enumerate(row):
                x, y = ox + i, oy + j
                if v and 0 <= x < self.w and 0 <= y < self.h:
                    self.blend(x, y, col, opacity * v / 255)

    def rgb(self):
        return [[tuple(int(round(max(0, min(255, c)))) for c in p) for p in row] for row in self.px]


def text_mask(text, font, size, scale=4):
    """Renders `text` at `scale` times the size with ImageMagick and box-
    filters it down: anti-aliasing of our own, independent of the renderer's
    hinting at tiny sizes."""
    cmd = ["convert", "-background", "black", "-fill", "white", "-font", font,
           "-pointsize", str(size * scale), "label:" + text, "-depth", "8", "gray:-"]
    info = subprocess.run(["convert", "-background", "black", "-fill", "white", "-font", font,
                           "-pointsize", str(size * scale), "label:" + text, "-format", "%w %h",
                           "info:"], check=True, capture_output=True).stdout.split()
    w, h = int(info[0]), int(info[1])
    raw = subprocess.run(cmd, check=True, capture_output=True).stdout
    ow, oh = (w + scale - 1) // scale, (h + scale - 1) // scale
    out = []
    for y in range(oh):
        row = []
        for x in range(ow):
            s = n = 0
            for sy in range(scale):
                for sx in range(scale):
                    X, Y = x * scale + sx, y * scale + sy
                    if X < w and Y < h:
                        s += raw[Y * w + X]
                    n += 1
            row.append(s // n)
        out.append(row)
    # trim empty rows so that placement is by the ink, not the font's box
    while out and not any(out[0]):
        out.pop(0)
    while out and not any(out[-1]):
        out.pop()
    return out


# ---------------------------------------------------------------- shapes

def rounded_rect(x0, y0, x1, y1, r):
    def f(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return f


def page(x0, y0, x1, y1, fold):
    """A sheet with its top-right corner folded down."""
    def f(x, y):
        return x0 <= x <= x1 and y0 <= y <= y1 and (x1 - x) + (y - y0) >= fold
    return f


def fold_triangle(x1, y0, fold):
    return lambda x, y: x <= x1 and y >= y0 and (x1 - x) + (y - y0) <= fold and \
        x >= x1 - fold and y <= y0 + fold and (x - (x1 - fold)) >= (y - y0)


def capsule(ax, ay, bx, by, r):
    def f(x, y):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        return (x - ax - t * vx) ** 2 + (y - ay - t * vy) ** 2 <= r * r
    return f


def letter_p(x0, y0, h, stroke):
    """A geometric "P": a stem and a bowl of the upper 58%."""
    bowl_h = h * 0.58
    r_out = bowl_h / 2
    cy = y0 + r_out
    bx = x0 + stroke + r_out * 0.35

    def f(x, y):
        stem = x0 <= x <= x0 + stroke and y0 <= y <= y0 + h
        top = x0 <= x <= bx and y0 <= y <= y0 + stroke
        mid = x0 <= x <= bx and y0 + bowl_h - stroke <= y <= y0 + bowl_h
        d = math.hypot(x - bx, y - cy)
        arc = x >= bx and r_out - stroke <= d <= r_out
        return stem or top or mid or arc
    return f


def feather(cx, cy, length, width, angle):
    """A quill feather: a leaf shape along `angle`, its tip at (cx, cy)."""
    ca, sa = math.cos(angle), math.sin(angle)

    def f(x, y):
        dx, dy = x - cx, y - cy
        u = dx * ca + dy * sa          # along the feather, 0 at the tip
        v = -dx * sa + dy * ca
        if not 0 <= u <= length:
            return False
        t = u / length
        half = width * math.sin(math.pi * t ** 0.8) * (0.55 + 0.45 * t)
        return abs(v) <= half
    return f


def mark(img, ox, oy, s, paper=PAPER, ink=INK, quill=QUILL, detail=True):
    """The product mark in a square of size s at (ox, oy): a sheet with a
    folded corner and a "P" on it, and a quill leaning against its right
    edge."""
    px0, py0, px1, py1 = ox + s * 0.08, oy + s * 0.06, ox + s * 0.70, oy + s * 0.94
    fold = s * 0.18
    box = (ox, oy, ox + s + 1, oy + s + 1)
    sheet = page(px0, py0, px1, py1, fold)
    img.fill(sheet, paper, box)
    img.fill(fold_triangle(px1, py0, fold), tuple(int(c * 0.84) for c in paper), box)
    if detail:
        # an edge on the sheet, so that it reads on white as well as on blue
        w = max(0.9, s * 0.022)
        inner = page(px0 + w, py0 + w, px1 - w, py1 - w, fold - w * 0.6)
        img.fill(lambda x, y: sheet(x, y) and not inner(x, y), (128, 140, 156), box, opacity=0.9)
    img.fill(letter_p(px0 + s * 0.12, py0 + s * 0.20, s * 0.56, max(1.5, s * 0.12)), ink, box)
    nib_x, nib_y = ox + s * 0.60, oy + s * 0.93
    tip_x, tip_y = ox + s * 0.97, oy + s * 0.03
    ang = math.atan2(tip_y - nib_y, tip_x - nib_x)
    length = math.hypot(tip_x - nib_x, tip_y - nib_y)
    img.fill(feather(tip_x, tip_y, length * 0.62, s * 0.13, ang + math.pi), quill, box)
    img.fill(capsule(nib_x, nib_y, tip_x - math.cos(ang) * s * 0.06, tip_y - math.sin(ang) * s * 0.06,
                     max(0.55, s * 0.02)), tuple(int(c * 0.55) for c in quill), box)


# ---------------------------------------------------------------- quantising

def median_cut(colours, n):
    """Palette of at most n colours from a {colour: count} map."""
    boxes = [list(colours.items())]
    while len(boxes) < n:
        best, span, ch = None, -1, 0
        for i, b in enumerate(boxes):
            if len(b) < 2:
                continue
            for c in range(3):
                vals = [k[c] for k, _ in b]
                if max(vals) - min(vals) > span:
                    best, span, ch = i, max(vals) - min(vals), c
        if best is None or span <= 0:
            break
        b = sorted(boxes.pop(best), key=lambda kv: kv[0][ch])
        total = sum(c for _, c in b)
        acc, cut = 0, 1
        for i, (_, c) in enumerate(b):
            acc += c
            if acc * 2 >= total:
                cut = max(1, min(len(b) - 1, i + 1))
                break
        boxes += [b[:cut], b[cut:]]
    pal = []
    for b in boxes:
        total = sum(c for _, c in b)
        pal.append(tuple(int(round(sum(k[i] * c for k, c in b) / total)) for i in range(3)))
    return pal


def quantise(rgb, entries, filler, reserve=()):
    """Indexed pixels and a palette of exactly `entries` colours; unused slots
    are filled from `filler` so the palette keeps its fixed size."""
    counts = {}
    for row in rgb:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    reserve = list(dict.fromkeys(reserve))
    if len(counts) <= entries:
        pal = sorted(counts)
    else:
        # the smooth background keeps its exact shades, so it shows no bands
        rest = {c: n for c, n in counts.items() if c not in set(reserve)}
        pal = reserve + median_cut(rest, entries - len(reserve))
    pal = list(dict.fromkeys(pal))
    for c in filler:
        if len(pal) >= entries:
            break
        if c not in pal:
            pal.append(c)
    assert len(pal) == entries, len(pal)
    memo = {}

    def nearest(p):
        if p not in memo:
            memo[p] = min(range(len(pal)),
                          key=lambda i: sum((pal[i][k] - p[k]) ** 2 for k in range(3)))
        return memo[p]
    idx = [[nearest(p) for p in row] for row in rgb]
    return idx, pal


def grey_ramp(n):
    return [(i * 255 // max(1, n - 1),) * 3 for i in range(n)]


# ---------------------------------------------------------------- files

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, idx, pal):
    h, w = len(idx), len(idx[0])
    raw = b"".join(b"\0" + bytes(r) for r in idx)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 3, 0, 0, 0))
    data += chunk(b"PLTE", b"".join(bytes(c) for c in pal))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def write_bmp24(path, rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):          # bottom-up
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + pixels)


def icon_image(size):
    """32-bit BGRA DIB with an AND mask, as an icon directory entry holds it."""
    img = Image(size, size, (0, 0, 0))
    cover = Image(size, size, (0, 0, 0))       # alpha through a white-on-black copy
    small = size < 24
    mark(img, 0, 0, size, detail=not small)
    mark(cover, 0, 0, size, paper=WHITE, ink=WHITE, quill=WHITE, detail=False)
    rgb, a = img.rgb(), cover.rgb()
    rows = b""
    for y in reversed(range(size)):
        for x in range(size):
            al = a[y][x][0]
            r, g, b = rgb[y][x]
            if al:
                # un-premultiply the black background out of the edges
                r, g, b = (min(255, c * 255 // al) for c in (r, g, b))
            else:
                r = g = b = 0
            rows += bytes((b, g, r, al))
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = bytearray(mask_stride)
        for x in range(size):
            if a[y][x][0] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(rows) + len(mask), 0, 0, 0, 0)
    return info + rows + mask


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    head = struct.pack("<HHH", 0, 1, len(images))
    off = 6 + 16 * len(images)
    dirs = b""
    for s, data in zip(sizes, images):
        dirs += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), off)
        off += len(data)
    with open(path, "wb") as f:
        f.write(head + dirs + b"".join(images))


# ---------------------------------------------------------------- logos

def big_logo():
    w, h = 120, 260
    img = Image(w, h, NAVY)
    # calm vertical wash from navy to a soft teal, lighter towards the foot
    wash = []
    for y in range(h):
        t = y / (h - 1)
        t = t * t * (3 - 2 * t)
        col = tuple(round(NAVY[i] + (TEAL[i] - NAVY[i]) * t) for i in range(3))
        wash.append(col)
        for x in range(w):
            img.px[y][x] = col
    # faint ruled lines, like a writing pad, in the lower part
    for k in range(9):
        y = 188 + k * 8
        img.fill(lambda X, Y, y=y: y <= Y <= y + 0.8, MIST, (8, y - 1, w - 8, y + 2), opacity=0.10)
    # a soft disc behind the mark
    img.fill(lambda x, y: (x - 60) ** 2 + (y - 66) ** 2 <= 46 ** 2, MIST, (10, 16, 110, 116), opacity=0.10)
    mark(img, 22, 28, 76)
    name = text_mask("Parvela", FONT_BOLD, 21)
    img.mask(name, WHITE, (w - len(name[0])) // 2, 124)
    sub1 = text_mask("Word Processor", FONT, 11)
    img.mask(sub1, MIST, (w - len(sub1[0])) // 2, 152)
    lite = text_mask("LITE  4.0", FONT_BOLD, 9)
    img.mask(lite, QUILL, (w - len(lite[0])) // 2, 170)
    idx, pal = quantise(img.rgb(), 256, grey_ramp(256), reserve=wash)
    write_png(os.path.join(HERE, "logo.png"), idx, pal)


def small_logo():
    img = Image(32, 32, WHITE)
    mark(img, 0, 0, 32, paper=PAPER, detail=True)
    idx, pal = quantise(img.rgb(), 204, grey_ramp(204))
    write_png(os.path.join(HERE, "logosmall.png"), idx, pal)


# ---------------------------------------------------------------- glyphs

GLYPH_COLOURS = {
    ".": (255, 0, 255),      # transparent: the bottom-left pixel
    "k": (64, 64, 64), "d": (128, 128, 128), "g": (192, 192, 192), "w": (255, 255, 255),
    "G": (0, 176, 80), "b": (0, 0, 0), "o": (176, 128, 32), "y": (248, 208, 96),
    "Y": (255, 236, 160), "n": (27, 58, 104),
}

GLYPHS = {
    "fixeddrive": [
        "................",
        "................",
        "................",
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        ".kwwwwwwwwwwwgk.",
        ".kwggggggggggdk.",
        ".kwggggggggggdk.",
        ".kwgddddddgGGdk.",
        ".kwggggggggggdk.",
        ".kddddddddddddk.",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
        "................",
    ],
    "removabledrive": [
        "................",
        "................",
        "................",
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        ".kwwwwwwwwwwwgk.",
        ".kwggggggggggdk.",
        ".kwgbbbbbbbbgdk.",
        ".kwggggggggggdk.",
        ".kwggggggggnndk.",
        ".kddddddddddddk.",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
        "................",
    ],
    "closedfolder": [
        "................",
        "................",
        "................",
        "..ooooo.........",
        ".oYYYYYo........",
        ".oYyyyyyoooooo..",
        ".oYYYYYYYYYYYYo.",
        ".oYyyyyyyyyyyyo.",
        ".oYyyyyyyyyyyyo.",
        ".oYyyyyyyyyyyyo.",
        ".oYyyyyyyyyyyyo.",
        ".oYyyyyyyyyyyyo.",
        ".oYyyyyyyyyyyyo.",
        ".oooooooooooooo.",
        "................",
        "................",
    ],
    "openfolder": [
        "................",
        "................",
        "................",
        "..ooooo.........",
        ".oYYYYYo........",
        ".oYyyyyyoooooo..",
        ".oYyyyyyyyyyyo..",
        ".oYyyooooooooooo",
        ".oYyoYYYYYYYYYo.",
        ".oYoYyyyyyyyyyo.",
        ".oyoYyyyyyyyyo..",
        ".ooYyyyyyyyyyo..",
        ".ooYyyyyyyyyo...",
        ".ooooooooooo....",
        "................",
        "................",
    ],
}


def glyphs():
    for name, art in GLYPHS.items():
        assert len(art) == 16 and all(len(r) == 16 for r in art), name
        assert art[-1][0] == ".", name
        rows = [[GLYPH_COLOURS[c] for c in r] for r in art]
        write_bmp24(os.path.join(HERE, name + ".bmp"), rows)


def main():
    big_logo()
    small_logo()
    write_ico(os.path.join(HERE, "parvela.ico"), [16, 24, 32, 48])
    glyphs()


if __name__ == "__main__":
    main()
