#!/usr/bin/env python3
"""The expected results of TDib::Scale, computed on their own from the resampling arithmetic.

Writes a C++ header with a few small source images, each as a packed DIB block (header, colour table,
padded rows in file order), and for each image, target size and mode the pixels Scale must produce,
top row first, three bytes (blue, green, red) a pixel.

    scale_reference.py OUTPUT.h

The arithmetic, per output pixel (x, y) of a new width w and height h:
  rx = W / w, ry = H / h; sx = x * rx, x0 = floor(sx), x1 = min(x0 + 1, W - 1), fx = sx - x0 (and so
  for y); a sample outside the image reads as white (all channels 255);
  nearest: the source pixel (fx >= 0.5 ? x1 : x0, fy >= 0.5 ? y1 : y0);
  bilinear, per channel: top = (1 - fx) p00 + fx p10, bottom = (1 - fx) p01 + fx p11,
      v = (1 - fy) top + fy bottom;
  bicubic, per channel: columns x0 - 1, x0, x1, x0 + 2 and rows y0 - 1, y0, y1, y0 + 2 (the outer ones
      clamped into the image); each row by cubic(fx), then the four row values by cubic(fy);
  the channel is trunc(v + 0.5) limited to 0..255;
  auto: bilinear when rx * ry < 1, bicubic when it is > 1, nearest when it is exactly 1.
"""
import math
import struct
import sys

AUTO, NEAREST, BILINEAR, BICUBIC = 0, 1, 2, 3
MODE_NAMES = {AUTO: "smAuto", NEAREST: "smNearest", BILINEAR: "smBilinear", BICUBIC: "smBicubic"}


def cubic(t, a, b, c, d):
    if a == b and c == d:
        return b if b == c else (1 - t) * b + t * c
    return (-t * (1 - t) * (2 - t) * a + 3 * (t + 1) * (1 - t) * (2 - t) * b + 3 * (t + 1) * t * (2 - t) * c
            - (t + 1) * t * (1 - t) * d) / 6


def channel(v):
    r = int(v + 0.5)  # toward zero
    return 0 if r < 0 else 255 if r > 255 else r


class Image:
    """A picture as rows of (blue, green, red) tuples, top row first, and how its block stores it."""

    def __init__(self, name, pixels, bits, top_down, palette=None, fourth=None):
        self.name = name
        self.pixels = pixels
        self.width = len(pixels[0])
        self.height = len(pixels)
        self.bits = bits
        self.top_down = top_down
        self.palette = palette  # list of (b, g, r) for 1, 4 and 8 bits
        self.fourth = fourth  # 32 bits: the fourth byte of each pixel, by (x, y)

    def at(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            return self.pixels[y][x]
        return (255, 255, 255)

    def block(self):
        line = (self.bits * self.width + 31) // 32 * 4
        table = b"".join(bytes((b, g, r, 0)) for b, g, r in self.palette or [])
        rows = []
        for y in range(self.height):
            row = bytearray(line)
            for x, colour in enumerate(self.pixels[y]):
                if self.bits == 24:
                    row[3 * x:3 * x + 3] = bytes(colour)
                elif self.bits == 32:
                    row[4 * x:4 * x + 4] = bytes(colour) + bytes((self.fourth(x, y),))
                else:
                    index = self.palette.index(colour)
                    per_byte = 8 // self.bits
                    shift = 8 - self.bits * (x % per_byte + 1)
                    row[x // per_byte] |= index << shift
            rows.append(bytes(row))
        if not self.top_down:
            rows.reverse()
        height = -self.height if self.top_down else self.height
        colours = len(self.palette) if self.palette else 0
        header = struct.pack("<IiiHHIIiiII", 40, self.width, height, 1, self.bits, 0, line * self.height, 2835, 2835,
                             colours, 0)
        return header + table + b"".join(rows)


def scale(image, w, h, mode):
    rx = image.width / w
    ry = image.height / h
    if mode == AUTO:
        mode = BILINEAR if rx * ry < 1 else BICUBIC if rx * ry > 1 else NEAREST

    def clamp_x(v):
        return min(max(v, 0), image.width - 1)

    def clamp_y(v):
        return min(max(v, 0), image.height - 1)

    out = []
    for y in range(h):
        sy = y * ry
        y0 = math.floor(sy)
        y1 = clamp_y(y0 + 1)
        fy = sy - y0
        row = []
        for x in range(w):
            sx = x * rx
            x0 = math.floor(sx)
            x1 = clamp_x(x0 + 1)
            fx = sx - x0
            if mode == NEAREST:
                row.append(image.at(x1 if fx >= 0.5 else x0, y1 if fy >= 0.5 else y0))
            elif mode == BILINEAR:
                p00, p10, p01, p11 = image.at(x0, y0), image.at(x1, y0), image.at(x0, y1), image.at(x1, y1)
                pixel = []
                for c in range(3):
                    top = (1 - fx) * p00[c] + fx * p10[c]
                    bottom = (1 - fx) * p01[c] + fx * p11[c]
                    pixel.append(channel((1 - fy) * top + fy * bottom))
                row.append(tuple(pixel))
            else:
                columns = (clamp_x(x0 - 1), x0, x1, clamp_x(x0 + 2))
                rows = (clamp_y(y0 - 1), y0, y1, clamp_y(y0 + 2))
                pixel = []
                for c in range(3):
                    values = [cubic(fx, *(image.at(cx, ry_)[c] for cx in columns)) for ry_ in rows]
                    pixel.append(channel(cubic(fy, *values)))
                row.append(tuple(pixel))
        out.append(row)
    return out


def images():
    # 5 x 4, 24 bits, bottom-up: red rises from dark to bright across a sharp edge (the bicubic
    # overshoots above 255 right of it), blue falls from bright to dark (it dips below 0), green steps
    # down the rows.
    red = [10, 10, 250, 255, 255]
    blue = [255, 255, 10, 0, 0]
    green = [0, 0, 200, 255]
    edge = [[(blue[x] if y < 2 else blue[4 - x], green[y], red[x]) for x in range(5)] for y in range(4)]

    # 4 x 3, 8 bits, top-down, 6 colours in a 6-entry table.
    pal8 = [(0, 0, 0), (255, 255, 255), (30, 60, 90), (200, 10, 120), (5, 250, 5), (128, 128, 128)]
    idx8 = [[0, 1, 2, 3], [4, 5, 0, 1], [2, 2, 3, 5]]

    # 7 x 5, 32 bits, bottom-up: a smooth-ish field with a few hard steps; the fourth byte varies and
    # is ignored.
    rgb32 = [[((x * 37 + y * 11) % 256, (x * x * 5 + y * 60) % 256, (255 - x * 30 - y * 9) % 256) for x in range(7)]
             for y in range(5)]

    # 6 x 5, 1 bit, top-down, two colours.
    mono_pal = [(20, 40, 60), (240, 220, 200)]
    mono = [[mono_pal[(x + y) % 3 == 0] for x in range(6)] for y in range(5)]

    # 5 x 3, 4 bits, bottom-up (odd width: the last pixel has a byte of its own), 5 colours.
    pal4 = [(0, 0, 255), (0, 255, 0), (255, 0, 0), (0, 0, 0), (255, 255, 255)]
    idx4 = [[0, 1, 2, 3, 4], [4, 3, 2, 1, 0], [1, 1, 4, 4, 2]]

    return [
        (Image("edge24", edge, 24, False), [(3, 2), (10, 8), (7, 3), (9, 4), (10, 2)]),
        (Image("pal8", [[pal8[i] for i in r] for r in idx8], 8, True, palette=pal8), [(2, 2), (9, 7), (6, 3)]),
        (Image("rgb32", rgb32, 32, False, fourth=lambda x, y: (x * 50 + y) % 256), [(4, 3), (11, 8), (7, 2)]),
        (Image("mono1", mono, 1, True, palette=mono_pal), [(12, 10), (4, 3), (5, 5)]),
        (Image("pal4", [[pal4[i] for i in r] for r in idx4], 4, False, palette=pal4), [(8, 5), (3, 3)]),
    ]


def c_bytes(data):
    text = ", ".join(str(b) for b in data)
    lines = []
    while len(text) > 100:
        cut = text.rfind(", ", 0, 100)
        lines.append(text[:cut + 1])
        text = text[cut + 2:]
    lines.append(text)
    return "\n    ".join(lines)


def main():
    out = ["// Generated by scale_reference.py at build time: the expected results of TDib::Scale.",
           "#pragma once",
           "#include \"Dibimage.h\"",
           "",
           "struct TScaleSource {",
           "  const char* Name;",
           "  const unsigned char* Block;  // a packed DIB",
           "  unsigned Size;",
           "};",
           "",
           "struct TScaleCase {",
           "  int Source;",
           "  int Width, Height;",
           "  int Mode;  // TScaleMode",
           "  const unsigned char* Pixels;  // top row first, blue, green, red",
           "};",
           ""]
    sources, cases = [], []
    for n, (image, sizes) in enumerate(images()):
        block = image.block()
        out.append(f"static const unsigned char ScaleBlock{n}[] = {{\n    {c_bytes(block)}}};")
        sources.append(f'  {{"{image.name}", ScaleBlock{n}, {len(block)}}},')
        for w, h in sizes:
            for mode in (AUTO, NEAREST, BILINEAR, BICUBIC):
                pixels = [c for row in scale(image, w, h, mode) for p in row for c in p]
                name = f"ScalePixels{n}_{w}x{h}_{mode}"
                out.append(f"static const unsigned char {name}[] = {{\n    {c_bytes(pixels)}}};")
                cases.append(f"  {{{n}, {w}, {h}, {MODE_NAMES[mode]}, {name}}},")
    out.append("")
    out.append("static const TScaleSource ScaleSources[] = {")
    out.extend(sources)
    out.append("};")
    out.append("")
    out.append("static const TScaleCase ScaleCases[] = {")
    out.extend(cases)
    out.append("};")
    with open(sys.argv[1], "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
