"""Small tools shared by the art generator, the preview and the checks: SVG pieces, the SVG
renderer, PNG reading and writing and BMP writing and reading. Standard library only."""

import os
import re
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICON_DIR = os.path.join(HERE, "icons")
RSVG = os.environ.get("RSVG_CONVERT", "rsvg-convert")


# ---- SVG -------------------------------------------------------------------------------------------

def svg_document(width, height, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
            f'width="{width}" height="{height}" viewBox="0 0 {width} {height}">\n'
            f"<defs>{defs}</defs>\n{body}\n</svg>\n")


def vgradient(ident, top, bottom, y1=0, y2=1, units=None):
    u = f' gradientUnits="{units}"' if units else ""
    return (f'<linearGradient id="{ident}" x1="0" y1="{y1}" x2="0" y2="{y2}"{u}>'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
            f"</linearGradient>")


def rect(x, y, w, h, fill="none", rx=0, ry=None, stroke=None, sw=1, extra=""):
    ry = rx if ry is None else ry
    s = f' stroke="{stroke}" stroke-width="{sw}"' if stroke else ""
    return f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{rx}" ry="{ry}" fill="{fill}"{s} {extra}/>'


def circle(cx, cy, r, fill="none", stroke=None, sw=1, extra=""):
    s = f' stroke="{stroke}" stroke-width="{sw}"' if stroke else ""
    return f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}"{s} {extra}/>'


def text(x, y, content, size, fill, family, weight=400, anchor="start", spacing=0):
    return (f'<text x="{x}" y="{y}" font-family="{family}" font-size="{size}" font-weight="{weight}" '
            f'fill="{fill}" text-anchor="{anchor}" letter-spacing="{spacing}">{content}</text>')


_icon_cache = {}


def icon_body(name):
    """The drawing inside icons/NAME.svg (a 24 x 24 view box), without its <svg> element."""
    if name not in _icon_cache:
        with open(os.path.join(ICON_DIR, name + ".svg"), encoding="utf-8") as f:
            source = f.read()
        m = re.search(r"<svg[^>]*>(.*)</svg>", source, re.S)
        if not m:
            raise ValueError(f"icons/{name}.svg has no <svg> element")
        _icon_cache[name] = re.sub(r"<!--.*?-->", "", m.group(1), flags=re.S).strip()
    return _icon_cache[name]


def icon(name, cx, cy, size, color, second=None, extra=""):
    """icons/NAME.svg drawn SIZE pixels square, centred on (cx, cy), in COLOR (its currentColor);
    the parts of class "second" in SECOND when given."""
    s = size / 24
    body = icon_body(name)
    if second:
        body = body.replace('class="second"', f'class="second" color="{second}"')
    return (f'<g transform="translate({cx - size / 2} {cy - size / 2}) scale({s})" color="{color}" '
            f'{extra}>{body}</g>')


def render_svg(svg_text, width, height, svg_path, png_path, background=(0, 0, 0)):
    """Writes the SVG source beside the result (for inspection), renders it to a PNG and returns it
    as an Image, its transparent parts laid over BACKGROUND (a colour or an Image of its size)."""
    with open(svg_path, "w", encoding="utf-8") as f:
        f.write(svg_text)
    subprocess.run([RSVG, "-w", str(width), "-h", str(height), "-o", png_path, svg_path], check=True)
    return read_png(png_path, background)


# ---- images: (width, height, rows) with rows a list of lists of (r, g, b) --------------------------

class Image:
    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels  # pixels[y][x] = (r, g, b)

    @classmethod
    def filled(cls, width, height, color):
        return cls(width, height, [[color] * width for _ in range(height)])

    def crop(self, x, y, w, h):
        return Image(w, h, [row[x:x + w] for row in self.pixels[y:y + h]])

    def paste(self, other, x, y, mask=None):
        """Copies OTHER onto this image at (x, y); with MASK (a set of (x, y) in OTHER), only there."""
        for oy in range(other.height):
            ty = y + oy
            if not 0 <= ty < self.height:
                continue
            row, src = self.pixels[ty], other.pixels[oy]
            for ox in range(other.width):
                tx = x + ox
                if 0 <= tx < self.width and (mask is None or (ox, oy) in mask):
                    row[tx] = src[ox]


def hex_rgb(color):
    color = color.lstrip("#")
    return tuple(int(color[i:i + 2], 16) for i in (0, 2, 4))


def _unfilter(data, width, height, bpp):
    stride = width * bpp
    out = bytearray(height * stride)
    prev = bytearray(stride)
    pos = 0
    for y in range(height):
        kind = data[pos]
        line = bytearray(data[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
            elif kind != 0:
                raise ValueError(f"PNG filter {kind}")
        out[y * stride:(y + 1) * stride] = line
        prev = line
    return out


def read_png(path, background=(0, 0, 0)):
    """An 8-bit RGB or RGBA PNG, not interlaced, as an Image; alpha is flattened onto BACKGROUND, a
    colour or an Image of the same size."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            if depth != 8 or ctype not in (2, 6) or interlace:
                raise ValueError(f"{path}: only 8-bit RGB/RGBA, not interlaced")
        elif kind == b"IDAT":
            idat += chunk
        elif kind == b"IEND":
            break
    bpp = 4 if ctype == 6 else 3
    raw = _unfilter(zlib.decompress(idat), width, height, bpp)
    pixels = []
    for y in range(height):
        row = []
        base = y * width * bpp
        for x in range(width):
            p = raw[base + x * bpp:base + x * bpp + bpp]
            if bpp == 4:
                a = p[3]
                under = background.pixels[y][x] if isinstance(background, Image) else background
                # PNG alpha is straight, not premultiplied.
                row.append(tuple((p[i] * a + under[i] * (255 - a) + 127) // 255 for i in range(3)))
            else:
                row.append(tuple(p))
        pixels.append(row)
    return Image(width, height, pixels)


def write_png(image, path):
    raw = bytearray()
    for row in image.pixels:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


# ---- BMP (BITMAPINFOHEADER, BI_RGB, bottom-up) ------------------------------------------------------

def _bmp_bytes(width, height, bits, rows, palette=()):
    """ROWS: top-down rows of already packed pixel bytes (without padding)."""
    stride = (width * bits + 31) // 32 * 4
    image = b"".join(bytes(row) + b"\0" * (stride - len(row)) for row in reversed(rows))
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(image), 2835, 2835,
                       len(palette), len(palette))
    return header + info + pal + image


def write_bmp24(image, path):
    rows = []
    for row in image.pixels:
        packed = bytearray()
        for r, g, b in row:
            packed += bytes((b, g, r))
        rows.append(packed)
    with open(path, "wb") as f:
        f.write(_bmp_bytes(image.width, image.height, 24, rows))


def nearest_index(color, palette):
    return min(range(len(palette)),
               key=lambda i: sum((color[k] - palette[i][k]) ** 2 for k in range(3)))


def write_bmp4(image, path, palette):
    """A 16-colour bitmap: each pixel becomes the nearest colour of PALETTE (16 (r, g, b))."""
    if len(palette) != 16:
        raise ValueError("a 4-bit bitmap takes exactly 16 colours")
    rows = []
    for row in image.pixels:
        idx = [nearest_index(c, palette) for c in row]
        if len(idx) % 2:
            idx.append(0)
        rows.append(bytearray((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2)))
    with open(path, "wb") as f:
        f.write(_bmp_bytes(image.width, image.height, 4, rows, palette))


def bmp_info(path):
    """The header fields of a BMP file that the checks look at, as a dict."""
    with open(path, "rb") as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack("<2sIHHI", data[:14])
    (hsize, width, height, planes, bits, compression, image_size, _, _, used,
     _) = struct.unpack("<IiiHHIIiiII", data[14:54])
    return dict(magic=magic, file_size=size, actual_size=len(data), offset=offset, header_size=hsize,
                width=width, height=height, planes=planes, bits=bits, compression=compression,
                image_size=image_size, colors_used=used, data=data)


def read_bmp(path):
    """A 24-bit or 4-bit BI_RGB BMP (as written here) as an Image."""
    info = bmp_info(path)
    data, w, h, bits = info["data"], info["width"], abs(info["height"]), info["bits"]
    stride = (w * bits + 31) // 32 * 4
    palette = []
    if bits <= 8:
        count = info["colors_used"] or (1 << bits)
        for i in range(count):
            b, g, r, _ = data[54 + 4 * i:58 + 4 * i]
            palette.append((r, g, b))
    pixels = []
    for y in range(h):
        src_y = h - 1 - y if info["height"] > 0 else y
        line = data[info["offset"] + src_y * stride:info["offset"] + (src_y + 1) * stride]
        if bits == 24:
            pixels.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(w)])
        elif bits == 4:
            pixels.append([palette[(line[x // 2] >> (4 if x % 2 == 0 else 0)) & 15] for x in range(w)])
        else:
            raise ValueError(f"{path}: {bits} bits per pixel")
    return Image(w, h, pixels)
