#!/usr/bin/env python3
"""Composites the generated bitmaps the way the main window shows them, so that a person can judge
the whole window without running the program:

  OUT/preview/<skin>-idle.png     buttons in their up cell (0), sound on
  OUT/preview/<skin>-playing.png  buttons in their held-down cell (3): pause, stop lit, muted
  OUT/preview/strips.png          every glyph strip, the thumb and the toolbar bitmaps, enlarged

Each button is cut to its clip shape, both thumbs stand on their tracks, the time labels read
"01:23 / 04:56" and the window is cut to its rounded outline over a plain desktop.

  preview.py ART_DIR      (the directory make_art.py wrote)
"""

import base64
import os
import sys
import tempfile

import artlib as A
import palette as P
from layout import SKINS, STRIPS, THUMB, TOOLBAR, CORNER, CONTROLS, button_region, roundrect_region

DESKTOP = (0x4a, 0x52, 0x5e)
MARGIN = 24
LABEL_COLOR = "#f2f5f8"


def draw_button(window, strip, cells, control, skin, shape, state):
    """What an image-only button paints: the strip drawn at (-state * cell width, 0), cut to the
    button's bounds and clip shape."""
    x, y, w, h = skin.place(control)
    cw = strip.width // cells
    k = state if cells > state else 0
    region = button_region(w, h, shape)
    for by in range(h):
        for bx in range(w):
            sx = bx + k * cw
            if (bx, by) in region and sx < strip.width and by < strip.height:
                window.pixels[y + by][x + bx] = strip.pixels[by][sx]


def draw_thumb(window, thumb, skin, control, fraction):
    x, y, w, _ = skin.place(control)
    left = x + int((w - thumb.width) * fraction)
    window.paste(thumb, left, y, roundrect_region(thumb.width + 1, thumb.height + 1, 2, 2))


def label_svg(skin, width, height, png_path):
    """The composite with the three labels drawn over it, as the labels draw themselves (transparent,
    centred, Arial height -13; the slash in a 16-pixel font)."""
    with open(png_path, "rb") as f:
        data = base64.b64encode(f.read()).decode("ascii")
    parts = [f'<image x="0" y="0" width="{width}" height="{height}" xlink:href="data:image/png;base64,{data}"/>']
    for control, caption in (("PositionLabel", "01:23"), ("LengthLabel", "04:56")):
        x, y, w, h = skin.place(control)
        parts.append(A.text(MARGIN + x + w / 2, MARGIN + y + 12, caption, 13, LABEL_COLOR, P.LABEL_FONT,
                            anchor="middle"))
    x, y, w, h = skin.place("SlashLabel")
    parts.append(A.text(MARGIN + x, MARGIN + y + 14, "/", 16, LABEL_COLOR, P.LABEL_FONT))
    return A.svg_document(width, height, "\n".join(parts))


def window_preview(art, out_dir, skin, state, strips, thumb, tmp):
    window = A.read_bmp(os.path.join(art, skin.name + ".bmp"))
    for name, (control, _, _, cells, shape) in STRIPS.items():
        draw_button(window, strips[name], cells, control, skin, shape,
                    state if name in ("PlayPause", "Stop", "Mute") else 0)
    draw_thumb(window, thumb, skin, "MediaTrack", 0.3)
    draw_thumb(window, thumb, skin, "VolumeTrack", 0.75)

    canvas = A.Image.filled(skin.width + 2 * MARGIN, skin.height + 2 * MARGIN, DESKTOP)
    canvas.paste(window, MARGIN, MARGIN, roundrect_region(skin.width, skin.height, CORNER, CORNER))
    base = os.path.join(tmp, "base.png")
    A.write_png(canvas, base)
    label = "playing" if state == 3 else "idle"
    svg = label_svg(skin, canvas.width, canvas.height, base)
    return A.render_svg(svg, canvas.width, canvas.height, os.path.join(tmp, "labels.svg"),
                        os.path.join(out_dir, f"{skin.name}-{label}.png"))


def sheet(art, out_dir, strips, thumb):
    """Every strip, the thumb and the toolbar bitmaps, each pixel shown as a 3 x 3 block."""
    scale, gap = 3, 12
    items = [strips[name] for name in STRIPS] + [thumb]
    items += [A.read_bmp(os.path.join(art, name + ".bmp")) for name in TOOLBAR]
    width = max(i.width for i in items) * scale + 2 * gap
    height = sum(i.height * scale + gap for i in items) + gap
    canvas = A.Image.filled(width, height, A.hex_rgb(P.BODY))
    y = gap
    for item in items:
        big = A.Image(item.width * scale, item.height * scale,
                      [[p for p in row for _ in range(scale)] for row in item.pixels for _ in range(scale)])
        canvas.paste(big, gap, y)
        y += big.height + gap
    A.write_png(canvas, os.path.join(out_dir, "strips.png"))


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    art = argv[1]
    out_dir = os.path.join(art, "preview")
    os.makedirs(out_dir, exist_ok=True)
    strips = {name: A.read_bmp(os.path.join(art, name + ".bmp")) for name in STRIPS}
    thumb = A.read_bmp(os.path.join(art, THUMB[0] + ".bmp"))
    with tempfile.TemporaryDirectory() as tmp:
        for skin in SKINS:
            for state in (0, 3):
                window_preview(art, out_dir, skin, state, strips, thumb, tmp)
    sheet(art, out_dir, strips, thumb)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
