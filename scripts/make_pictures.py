#!/usr/bin/env python3
"""Draws the tool-bar pictures and the program icon of resources/ (PNG, no outside packages).

    python3 scripts/make_pictures.py

Each picture is drawn on a 16-unit square (the icon on a 64-unit one) at eight times its size and
averaged down, so edges on whole units stay crisp and slanted ones are smoothed. The tool-bar
strips hold one 16 x 16 picture per button, in the order of the commands listed below; the program
looks each command's picture up by that order.
"""
import math
import os
import struct
import zlib

SS = 8  # samples per pixel along each axis


class Canvas:
    def __init__(self, size, units):
        self.size = size
        self.scale = size * SS / units
        n = size * SS
        self.n = n
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * n for _ in range(n)]

    def _put(self, x, y, colour):
        r, g, b, a = colour
        dr, dg, db, da = self.px[y][x]
        out = a + da * (1 - a)
        if out <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / out
        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), out)

    def polygon(self, points, colour):
        pts = [(x * self.scale, y * self.scale) for x, y in points]
        ys = [p[1] for p in pts]
        y0 = max(0, int(math.floor(min(ys))))
        y1 = min(self.n - 1, int(math.ceil(max(ys))))
        for y in range(y0, y1 + 1):
            cy = y + 0.5
            xs = []
            for i in range(len(pts)):
                ax, ay = pts[i]
                bx, by = pts[(i + 1) % len(pts)]
                if (ay <= cy < by) or (by <= cy < ay):
                    xs.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(max(0, int(math.ceil(xs[i] - 0.5))), min(self.n, int(math.ceil(xs[i + 1] - 0.5)))):
                    self._put(x, y, colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)

    def frame(self, x0, y0, x1, y1, colour, w=1):
        self.rect(x0, y0, x1, y0 + w, colour)
        self.rect(x0, y1 - w, x1, y1, colour)
        self.rect(x0, y0, x0 + w, y1, colour)
        self.rect(x1 - w, y0, x1, y1, colour)

    def ellipse(self, cx, cy, rx, ry, colour, steps=48):
        self.polygon([(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
                      for i in range(steps)], colour)

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)

    def arc(self, cx, cy, r, width, start, end, colour, steps=40):
        outer = [(cx + (r + width / 2) * math.cos(a), cy + (r + width / 2) * math.sin(a))
                 for a in [start + (end - start) * i / steps for i in range(steps + 1)]]
        inner = [(cx + (r - width / 2) * math.cos(a), cy + (r - width / 2) * math.sin(a))
                 for a in [end + (start - end) * i / steps for i in range(steps + 1)]]
        self.polygon(outer + inner, colour)

    def rounded(self, x0, y0, x1, y1, radius, colour):
        pts = []
        for (cx, cy, a0) in ((x1 - radius, y0 + radius, -90), (x1 - radius, y1 - radius, 0),
                             (x0 + radius, y1 - radius, 90), (x0 + radius, y0 + radius, 180)):
            for i in range(9):
                a = math.radians(a0 + 90 * i / 8)
                pts.append((cx + radius * math.cos(a), cy + radius * math.sin(a)))
        self.polygon(pts, colour)

    def pixels(self):
        out = []
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r = g = b = a = 0.0
                for sy in range(SS):
                    for sx in range(SS):
                        pr, pg, pb, pa = self.px[y * SS + sy][x * SS + sx]
                        r += pr * pa
                        g += pg * pa
                        b += pb * pa
                        a += pa
                count = SS * SS
                if a > 0:
                    row.append((round(r / a * 255), round(g / a * 255), round(b / a * 255), round(a / count * 255)))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


def rgb(value, alpha=1.0):
    return ((value >> 16 & 255) / 255, (value >> 8 & 255) / 255, (value & 255) / 255, alpha)


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


OUTLINE = rgb(0x404040)


def page(c):
    c.polygon([(3, 1), (10, 1), (13, 4), (13, 15), (3, 15)], OUTLINE)
    c.polygon([(4, 2), (9.5, 2), (12, 4.5), (12, 14), (4, 14)], rgb(0xFFFFFF))
    c.polygon([(9, 1.5), (9, 5), (12.5, 5)], OUTLINE)
    c.polygon([(10, 2.5), (10, 4), (11.5, 4)], rgb(0xD8D8D8))


def new_project(c):
    page(c)
    # A small board on the blank page.
    c.rect(5, 7, 11, 12, rgb(0x1F7A3A))
    c.rect(6, 8, 8, 9, rgb(0xE8C34A))
    c.rect(8, 10, 10, 11, rgb(0xE8C34A))
    c.line(7, 8.5, 9, 10.5, 0.8, rgb(0xE8C34A))


def open_project(c):
    c.polygon([(1, 3), (6, 3), (7, 5), (14, 5), (14, 14), (1, 14)], OUTLINE)
    c.polygon([(2, 4), (5.5, 4), (6.5, 6), (13, 6), (13, 13), (2, 13)], rgb(0xC8962C))
    c.polygon([(1, 14), (4, 8), (16, 8), (13, 14)], OUTLINE)
    c.polygon([(2.4, 13.2), (4.6, 9), (14.6, 9), (12.4, 13.2)], rgb(0xF2C94C))


def save_project(c):
    c.rect(1, 1, 15, 15, rgb(0x1E3F73))
    c.rect(2, 2, 14, 14, rgb(0x2F5D9E))
    c.rect(4, 2, 12, 7, rgb(0xFFFFFF))
    c.rect(4, 3.5, 12, 4, rgb(0xB0B0B0))
    c.rect(4, 5, 10, 5.5, rgb(0xB0B0B0))
    c.rect(4, 9, 12, 14, rgb(0xC8C8C8))
    c.rect(9, 10, 11, 13, rgb(0x1E3F73))


def scan_once(c):
    c.polygon([(3, 1.5), (14, 8), (3, 14.5)], rgb(0x1B6B2A))
    c.polygon([(4.2, 3.6), (12, 8), (4.2, 12.4)], rgb(0x34A853))


def scan_continuously(c):
    green = rgb(0x2E8B3E)
    c.arc(8, 8.5, 5.5, 2, math.radians(-50), math.radians(215), green)
    c.polygon([(10.2, 0.6), (15.6, 3.6), (10.4, 7)], green)
    c.polygon([(6.5, 6), (10.5, 8.5), (6.5, 11)], rgb(0x1B6B2A))


def stop_scan(c):
    c.rect(2, 2, 14, 14, rgb(0x8E1B1B))
    c.rect(3, 3, 13, 13, rgb(0xD93025))
    c.rect(3, 3, 13, 4, rgb(0xEE6A5F))


def settings(c):
    grey = rgb(0x505A64)
    for i in range(8):
        a = math.radians(i * 45)
        c.line(8 + 3.5 * math.cos(a), 8 + 3.5 * math.sin(a), 8 + 7 * math.cos(a), 8 + 7 * math.sin(a), 2.6, grey)
    c.ellipse(8, 8, 5.2, 5.2, grey)
    c.ellipse(8, 8, 2.2, 2.2, rgb(0xFFFFFF))


# The node pictures of the project tree, each with the green badge of "add".
TILES = {
    "spectral": (0x1F7A3A, "bars"),
    "spatial": (0xB04A1C, "grid"),
    "spectral_spatial": (0x6A3FA0, "both"),
    "hand_held": (0x8A6D1F, "probe"),
    "module": (0x5A5A5A, "folder"),
    "spectral_comparison": (0x1F7A3A, "pair"),
    "spectral_overlay": (0x3A8A7A, "pair"),
    "spatial_comparison": (0xB04A1C, "pair"),
    "blind_spot": (0x7A1F4A, "grid"),
    "scripting": (0x6A3FA0, "bars"),
    "report": (0x2E5C8A, "page"),
}


def node(kind):
    tile, mark = TILES[kind]

    def draw(c):
        c.rounded(0, 0, 16, 16, 3, rgb(tile))
        white = rgb(0xFFFFFF)
        if mark == "bars":
            for i, h in enumerate((9, 6, 7, 8)):
                c.rect(2 + i * 3, 12 - h, 4 + i * 3, 12, white)
        elif mark == "grid":
            for row in range(3):
                for column in range(3):
                    c.rect(2 + column * 3, 2 + row * 3, 4 + column * 3, 4 + row * 3, white)
        elif mark == "both":
            c.rect(2, 2, 5, 5, white)
            c.rect(6, 2, 9, 5, white)
            c.rect(2, 8, 4, 12, white)
            c.rect(5, 6, 7, 12, white)
            c.rect(8, 9, 10, 12, white)
        elif mark == "probe":
            c.rect(6, 1, 8, 8, white)
            c.ellipse(7, 9.5, 3, 2, white)
        elif mark == "folder":
            c.rect(2, 3, 6, 4, white)
            c.rect(2, 4, 11, 10, white)
        elif mark == "pair":
            c.rect(2, 2, 6, 10, white)
            c.rect(7, 2, 11, 10, white)
        else:
            c.rect(3, 2, 10, 11, white)
            for y in (4, 6, 8):
                c.rect(4, y, 9, y + 1, rgb(tile))
        # The "add" badge: a green cross ringed in white at the bottom right.
        c.rect(11, 8, 15, 16, white)
        c.rect(8, 10, 16, 14, white)
        c.rect(12, 9, 14, 15, rgb(0x1E9E3A))
        c.rect(9, 11, 15, 13, rgb(0x1E9E3A))

    return draw


# The strips in the order the program reads them (app/CMainFrame.cpp).
STRIPS = {
    "129": [new_project, open_project, save_project],
    "364": [scan_once, scan_continuously, stop_scan, settings],
    "365": [node(k) for k in ("spectral", "spatial", "spectral_spatial", "hand_held", "module",
                              "spectral_comparison", "spectral_overlay", "spatial_comparison", "blind_spot",
                              "scripting", "report")],
}


def program_icon(c):
    # A board with its traces and pads, a near-field probe over it and the hot spot it found.
    c.rounded(2, 8, 62, 62, 6, rgb(0x0F4D26))
    c.rounded(4, 10, 60, 60, 5, rgb(0x1B7A3C))
    gold = rgb(0xE8C34A)
    for (x0, y0, x1, y1) in ((10, 18, 30, 18), (30, 18, 38, 26), (38, 26, 54, 26), (10, 34, 22, 34),
                             (22, 34, 30, 42), (30, 42, 54, 42), (14, 52, 46, 52)):
        c.line(x0, y0, x1, y1, 2.4, gold)
    for (x, y) in ((10, 18), (54, 26), (10, 34), (54, 42), (14, 52), (46, 52)):
        c.ellipse(x, y, 3.2, 3.2, gold)
    c.rect(36, 46, 50, 58, rgb(0x202020))
    for i in range(4):
        c.rect(37 + i * 3.5, 44, 38.6 + i * 3.5, 46, rgb(0xC0C0C0))
    # The hot spot: rings from red to yellow.
    for radius, colour, alpha in ((16, 0xE53935, 0.35), (12, 0xF4511E, 0.55), (8, 0xFB8C00, 0.8),
                                  (4.5, 0xFFEB3B, 1.0)):
        c.ellipse(28, 34, radius, radius, rgb(colour, alpha))
    # The probe: a grey shaft down to the spot, its head up at the top right.
    c.line(29, 33, 52, 6, 5, rgb(0x37474F))
    c.line(29.5, 32.5, 51, 7.5, 2.4, rgb(0x90A4AE))
    c.rounded(46, 1, 62, 13, 3, rgb(0x263238))
    c.rounded(48, 3, 60, 11, 2, rgb(0x1E88E5))
    c.ellipse(28.4, 33.6, 2.2, 2.2, rgb(0x263238))


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(os.path.join(root, "toolbars"), exist_ok=True)
    for name, pictures in STRIPS.items():
        rows = [[] for _ in range(16)]
        for draw in pictures:
            canvas = Canvas(16, 16)
            draw(canvas)
            for y, row in enumerate(canvas.pixels()):
                rows[y].extend(row)
        write_png(os.path.join(root, "toolbars", name + ".png"), rows)
    for size in (16, 32, 48, 64):
        canvas = Canvas(size, 64)
        program_icon(canvas)
        write_png(os.path.join(root, "icons", "orvilant-%d.png" % size), canvas.pixels())


if __name__ == "__main__":
    main()
