#!/usr/bin/env python3
"""Draws Kavrin's icon (Kavrin.ico: 32x32 and 16x16, 16 colours) and title banner (banner.bmp:
420x80, 24 bits, bottom-up). Standard library only; run it from anywhere and commit its output:

    python3 src/res/draw_art.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours every display of the time had; icons keep to them.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, GREY, YELLOW, BLUE, AQUA, WHITE = 0, 4, 6, 7, 8, 11, 12, 14, 15
CLEAR = None


# ---------------------------------------------------------------------------------------------
# Icon: a film strip with two frames and a waveform running across it.

def icon_pixels(size):
    """Rows of palette indices (None for transparent), top row first."""
    s = size / 32.0
    grid = [[CLEAR] * size for _ in range(size)]

    top, bottom = round(6 * s), round(26 * s) - 1
    left, right = round(1 * s), size - 1 - round(1 * s)
    hole_rows = ([top + 1, top + 2], [bottom - 2, bottom - 1]) if size >= 32 else ([top + 1], [bottom - 1])
    pitch = 4 if size >= 32 else 3
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            corner = (y in (top, bottom)) and (x in (left, right))
            grid[y][x] = CLEAR if corner else BLACK
    # Sprocket holes along both edges.
    for rows in hole_rows:
        for y in rows:
            for x in range(left + 2, right - 1):
                if (x - left - 2) % pitch < pitch // 2:
                    grid[y][x] = SILVER
    # Two frames: a sky that darkens towards the bottom.
    ftop, fbottom = max(hole_rows[0]) + 2, min(hole_rows[1]) - 2
    mid = size // 2
    for (fl, fr) in ((left + 2, mid - 1), (mid + 1, right - 2)):
        for y in range(ftop, fbottom + 1):
            band = (y - ftop) / max(1, fbottom - ftop)
            colour = BLUE if band < 0.45 else NAVY
            for x in range(fl, fr + 1):
                grid[y][x] = colour
    # The waveform: one bright trace over both frames, with a darker shadow below it.
    centre = (ftop + fbottom) / 2.0
    amp = (fbottom - ftop) / 2.0 * 0.8
    prev = None
    for x in range(left + 2, right - 1):
        t = (x - left - 2) / float(right - left - 4)
        v = math.sin(t * math.pi * 3.0) * (0.35 + 0.65 * math.sin(t * math.pi))
        y = int(round(centre - v * amp))
        lo, hi = (y, y) if prev is None else (min(y, prev), max(y, prev))
        for yy in range(lo, hi + 1):
            grid[yy][x] = YELLOW
            if size >= 32 and yy + 1 <= fbottom and grid[yy + 1][x] in (BLUE, NAVY):
                grid[yy + 1][x] = TEAL
        prev = y
    return grid


def icon_image(size):
    grid = icon_pixels(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(grid):  # bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            hi, lo = row[x], row[x + 1]
            line.append(((hi or 0) << 4) | (lo or 0))
        line += b'\0' * (-len(line) % 4)
        xor += line
        bits = bytearray()
        for x in range(0, size, 8):
            byte = 0
            for i in range(8):
                if row[x + i] is CLEAR:
                    byte |= 0x80 >> i
            bits.append(byte)
        bits += b'\0' * (-len(bits) % 4)
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def write_icon(path):
    images = [(32, icon_image(32)), (16, icon_image(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


# ---------------------------------------------------------------------------------------------
# Banner: a film strip on the left, the name in strokes of our own, a waveform fading to the right.

W, H = 420, 80
SUPER = 3  # samples per pixel along each axis, for smooth edges

# Glyphs as polylines on a grid 4 wide and 6 high (y down); lower case sits between 2 and 6.
GLYPHS = {
    'K': [[(0, 0), (0, 6)], [(4, 0), (0, 3.6)], [(1.3, 2.5), (4, 6)]],
    'a': [[(0.6, 2), (3, 2), (4, 3), (4, 6)], [(4, 3.8), (1, 3.8), (0, 4.6), (0, 5.2), (0.8, 6), (3, 6), (4, 5.2)]],
    'v': [[(0, 2), (2, 6), (4, 2)]],
    'r': [[(0, 2), (0, 6)], [(0, 3.6), (1.1, 2.3), (2, 2), (3.2, 2)]],
    'i': [[(0, 2), (0, 6)], [(0, 0.4), (0, 0.45)]],
    'n': [[(0, 2), (0, 6)], [(0, 3.2), (1, 2), (3, 2), (4, 3), (4, 6)]],
    'A': [[(0, 6), (2, 0), (4, 6)], [(0.7, 4), (3.3, 4)]],
    'V': [[(0, 0), (2, 6), (4, 0)]],
    'I': [[(0, 0), (0, 6)]],
    'W': [[(0, 0), (1, 6), (2, 1.5), (3, 6), (4, 0)]],
    'E': [[(3.5, 0), (0, 0), (0, 6), (3.5, 6)], [(0, 3), (3, 3)]],
    'M': [[(0, 6), (0, 0), (2, 4), (4, 0), (4, 6)]],
    'R': [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)], [(2.2, 3), (4, 6)]],
    'G': [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 5), (1, 6), (3, 6), (4, 5), (4, 3.3), (2.2, 3.3)]],
    '+': [[(2, 1.5), (2, 4.5)], [(0.5, 3), (3.5, 3)]],
    ' ': [],
}
WIDTHS = {'i': 0, 'I': 0, ' ': 1.6}


def layout(text, x, baseline_top, unit, gap):
    """Segments in pixel coordinates for text whose cap top is at baseline_top."""
    segments = []
    for ch in text:
        for line in GLYPHS[ch]:
            pts = [(x + px * unit, baseline_top + py * unit) for px, py in line]
            segments += list(zip(pts, pts[1:]))
        x += (WIDTHS.get(ch, 4) + gap) * unit
    return segments, x


def dist_to_segment(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(qx * qx + qy * qy)


def coverage(segments, half_width, box):
    """{(x, y): covered fraction} for the pixels of box touched by the strokes."""
    x0, y0, x1, y1 = box
    cover = {}
    for y in range(max(0, y0), min(H, y1)):
        for x in range(max(0, x0), min(W, x1)):
            hits = 0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    px, py = x + (sx + 0.5) / SUPER, y + (sy + 0.5) / SUPER
                    if any(dist_to_segment(px, py, a, b) <= half_width for a, b in segments):
                        hits += 1
            if hits:
                cover[(x, y)] = hits / float(SUPER * SUPER)
    return cover


def mix(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return tuple(c1[i] + (c2[i] - c1[i]) * t for i in range(3))


def rounded_rect_cover(x, y, left, top, right, bottom, radius):
    """Fraction of pixel (x, y) inside a rounded rectangle."""
    hits = 0
    for sy in range(SUPER):
        for sx in range(SUPER):
            px, py = x + (sx + 0.5) / SUPER, y + (sy + 0.5) / SUPER
            cx = min(max(px, left + radius), right - radius)
            cy = min(max(py, top + radius), bottom - radius)
            if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius and left <= px <= right and top <= py <= bottom:
                hits += 1
    return hits / float(SUPER * SUPER)


def draw_banner():
    img = [[(0.0, 0.0, 0.0)] * W for _ in range(H)]
    # Background: deep navy to teal, a little lighter towards the top.
    for y in range(H):
        for x in range(W):
            t = x / (W - 1.0)
            c = mix((10, 24, 52), (16, 84, 110), t ** 1.3)
            img[y][x] = mix(c, (255, 255, 255), 0.06 * (1 - y / (H - 1.0)))

    # Waveform bars on the right, mirrored about the middle, fading in from the text.
    for x in range(298, W - 6):
        t = (x - 298) / float(W - 6 - 298)
        env = math.sin(t * math.pi) ** 0.7
        v = abs(math.sin(x * 0.23) * 0.55 + math.sin(x * 0.071 + 1.3) * 0.35 + math.sin(x * 0.5) * 0.1)
        half = 3 + env * v * 28
        if x % 3 == 2:
            continue
        fade = min(1.0, t * 3.0) * 0.75
        for y in range(H):
            d = abs(y + 0.5 - H / 2.0)
            if d <= half:
                edge = min(1.0, half - d)
                glow = mix((96, 214, 230), (235, 250, 255), 1 - d / max(half, 1))
                img[y][x] = mix(img[y][x], glow, fade * edge)
    # A fine rule under everything, catching the light.
    for x in range(W):
        img[H - 3][x] = mix(img[H - 3][x], (120, 200, 220), 0.35 * (1 - abs(x / (W - 1.0) - 0.5) * 1.6))

    # Film strip on the left with two frames of an evening sky.
    sl, st, sr, sb = 14.0, 6.0, 86.0, 74.0
    for y in range(H):
        for x in range(8, 94):
            a = rounded_rect_cover(x, y, sl, st, sr, sb, 5.0)
            if a:
                img[y][x] = mix(img[y][x], (16, 16, 20), a * 0.95)
    for row_top in (9.5, 66.5):
        for k in range(8):
            hl = sl + 5 + k * 8.3
            for y in range(int(row_top) - 1, int(row_top) + 6):
                for x in range(int(hl) - 1, int(hl) + 6):
                    a = rounded_rect_cover(x, y, hl, row_top, hl + 4.2, row_top + 4, 1.2)
                    if a:
                        img[y][x] = mix(img[y][x], (200, 206, 214), a)
    for (fl, fr) in ((20.0, 48.5), (51.5, 80.0)):
        ft, fb = 18.0, 62.0
        for y in range(int(ft) - 1, int(fb) + 2):
            for x in range(int(fl) - 1, int(fr) + 2):
                a = rounded_rect_cover(x, y, fl, ft, fr, fb, 1.5)
                if a:
                    v = (y - ft) / (fb - ft)
                    sky = mix((40, 70, 150), (245, 150, 80), v ** 1.6)
                    img[y][x] = mix(img[y][x], sky, a)
    # The same waveform as the icon, drawn over the frames.
    wave = []
    for i in range(0, 61):
        t = i / 60.0
        x = 20 + t * 60
        v = math.sin(t * math.pi * 3.0) * (0.35 + 0.65 * math.sin(t * math.pi))
        wave.append((x, 40 - v * 14))
    segs = list(zip(wave, wave[1:]))
    for (x, y), a in coverage(segs, 1.6, (18, 20, 84, 60)).items():
        img[y][x] = mix(img[y][x], (255, 226, 90), a)

    # The name, with a soft shadow, and a line under it saying what the program does.
    name, _ = layout('Kavrin', 110, 14, 6.4, 1.45)
    shadow = [((ax + 1.5, ay + 2), (bx + 1.5, by + 2)) for (ax, ay), (bx, by) in name]
    for (x, y), a in coverage(shadow, 3.2, (104, 8, 300, 60)).items():
        img[y][x] = mix(img[y][x], (0, 8, 20), a * 0.55)
    for (x, y), a in coverage(name, 2.9, (104, 8, 300, 60)).items():
        shade = mix((255, 255, 255), (178, 228, 240), (y - 14) / 40.0)
        img[y][x] = mix(img[y][x], shade, a)
    tag, _ = layout('AVI + WAVE', 112, 60, 1.5, 1.6)
    for (x, y), a in coverage(tag, 0.75, (108, 56, 260, 72)).items():
        img[y][x] = mix(img[y][x], (150, 215, 232), a)
    return img


def write_bmp(path, img):
    stride = (W * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((int(round(b)), int(round(g)), int(round(r))))
        line += b'\0' * (stride - len(line))
        pixels += line
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(head + info + bytes(pixels))


if __name__ == '__main__':
    write_icon(os.path.join(HERE, 'Kavrin.ico'))
    write_bmp(os.path.join(HERE, 'banner.bmp'), draw_banner())
