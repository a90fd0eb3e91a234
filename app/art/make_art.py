#!/usr/bin/env python3
"""Makes the player's bitmaps from the drawings below, the icons in icons/ and the colours in
palette.py:

  the three skins            VyrImage1024_786.bmp, VyrImage800_600.bmp, Vyrimage640_480.bmp (24-bit)
  the button glyph strips    PlayPause, Stop, FullScreen, Mute, Close, Minimize (24-bit)
  the track thumb            Handle.bmp (24-bit)
  the toolbar bitmaps        DSPLAY, DSPAUSE, DSSTOP, DSOPEN, DSSOUND, DSFULLSCREEN (4-bit)

Each drawing is written as SVG (kept in OUT/svg/ for inspection), rendered by rsvg-convert and stored
as an uncompressed BMP. A button's cells are drawn over the skin's own pixels at the button's place,
so what shows around a button's face is exactly the recess it stands in.

  make_art.py OUT_DIR
"""

import os
import subprocess
import sys

import artlib as A
import palette as P
from layout import SKINS, SOUND_ONLY, STRIPS, THUMB, TOOLBAR, TOOLBAR_SIZE, CORNER

# ---- the skin --------------------------------------------------------------------------------------

TITLE_H = 24  # rows 0..23 are the title band; row 24 is its rule, the screen starts below


def recess_defs():
    return (A.vgradient("lip", P.WELL_SHADOW, P.WELL) +
            A.vgradient("rim", P.DECK, P.WELL_LIGHT) +
            A.vgradient("bodyEdge", P.BODY_EDGE_LIGHT, P.BODY) +
            A.vgradient("screenRim", P.BODY, P.WELL_LIGHT))


def recess(x, y, w, h, r, floor=None):
    """A rectangular recess with rounded corners: a flat floor, a dark upper lip inside and a light
    lower rim outside (light falls from above)."""
    floor = floor or P.WELL
    return "\n".join([
        A.rect(x - 1, y - 1, w + 2, h + 2, "url(#rim)", rx=r + 1),
        A.rect(x, y, w, h, P.WELL_SHADOW, rx=r),
        A.rect(x, y + 1, w, h - 1, floor, rx=r),
        A.rect(x + 0.5, y + 1.5, w - 1, h - 2.5, "none", rx=max(r - 1, 0), stroke="url(#lip)", sw=1,
               extra='stroke-opacity="0.6"'),
    ])


def grille(x, y, w, h):
    """A recessed strip perforated with a staggered grid of small holes, like a speaker's."""
    out = [recess(x, y, w, h, min(h / 2, 6), floor=P.GRILLE)]
    pitch, hole = 7, 1.6
    rows = max(int((h - 6) // (pitch * 0.866)) + 1, 1)
    span = (rows - 1) * pitch * 0.866
    top = y + (h - span) / 2
    for row in range(rows):
        cy = top + row * pitch * 0.866
        shift = pitch / 2 if row % 2 else 0
        cx = x + 8 + shift
        while cx <= x + w - 8:
            out.append(A.circle(round(cx, 2), round(cy, 2), hole, P.GRILLE_HOLE))
            cx += pitch
    return "\n".join(out)


def round_recess(cx, cy, r):
    return "\n".join([
        A.circle(cx, cy, r + 1, "url(#rim)"),
        A.circle(cx, cy, r, P.WELL_SHADOW),
        A.circle(cx, cy + 0.6, r - 0.6, P.WELL),
    ])


def skin_svg(skin):
    W, H = skin.width, skin.height
    r = CORNER / 2
    out = []
    defs = recess_defs() + (
        f'<clipPath id="window"><rect x="0" y="0" width="{W - 1}" height="{H - 1}" rx="{r}"/></clipPath>')

    # The face, its rounded outline and a faint highlight just inside it.
    out.append(A.rect(0, 0, W, H, P.BODY_EDGE_DARK))
    out.append('<g clip-path="url(#window)">')
    out.append(A.rect(0, 0, W, H, P.BODY))
    # Title band and its rule.
    out.append(A.rect(0, 0, W, TITLE_H, P.TITLE_BAND))
    out.append(A.rect(0, TITLE_H, W, 1, P.TITLE_RULE))
    # The control deck: everything from just under the screen to the bottom edge.
    deck = skin.video()[1] + skin.video()[3] + 2
    out.append(A.rect(0, deck, W, H - deck, P.DECK))
    out.append(A.rect(0, deck, W, 1, P.DECK_RULE_LIGHT))
    out.append("</g>")
    out.append(A.rect(0.5, 0.5, W - 2, H - 2, "none", rx=r - 0.5, stroke=P.BODY_EDGE_DARK))
    out.append(A.rect(1.5, 1.5, W - 4, H - 4, "none", rx=r - 1.5, stroke="url(#bodyEdge)",
                      extra='stroke-opacity="0.9"'))

    # Product name, with a small mark, at the left of the title band.
    out.append(A.icon("logo", 21, 12.5, 15, P.ACCENT, second=P.ICON))
    out.append(A.text(33, 16.5, "Ostrel", 12.5, P.TITLE_TEXT, P.UI_FONT, weight=700))
    out.append(A.text(75, 16.5, "Media Player", 12.5, P.TITLE_TEXT_DIM, P.UI_FONT, weight=400))

    # The screen: black, with a dark bezel and a light rim below it.
    vx, vy, vw, vh = skin.video()
    top, bottom = TITLE_H + 1, vy + vh
    out.append(A.rect(vx - 1, bottom, vw + 2, 1, P.SCREEN_BEZEL))
    out.append(A.rect(vx - 1, top, 1, bottom - top, P.SCREEN_BEZEL))
    out.append(A.rect(vx + vw, top, 1, bottom - top, "#202329"))
    out.append(A.rect(vx, top, vw, bottom - top, P.SCREEN))

    # Media position groove: the thumb (9 x 19) slides over rows 0..18 of the strip.
    tx, ty, tw, _ = skin.place("MediaTrack")
    # On the larger skins the screen ends well above the position track: the band between them is a
    # speaker grille, so that it reads as part of the face rather than as space left over.
    band_top, band_bottom = deck + 6, ty - 4
    if band_bottom - band_top >= 10:
        out.append(grille(tx + 2, band_top, tw - 4, band_bottom - band_top))
    out.append(groove(tx + 2, ty + 7, tw - 4, 5))

    # Transport tray around play/pause, stop and full screen.
    px, py, _, ph = skin.place("PlayPause")
    fx, _, fw, _ = skin.place("FullScreen")
    out.append(recess(px - 4, py - 4, fx + fw + 4 - (px - 4), ph + 8, 11))

    # Time display behind the two labels and the slash.
    lx, ly, _, _ = skin.place("PositionLabel")
    rx_, _, rw, _ = skin.place("LengthLabel")
    out.append(recess(lx - 5, ly - 4, rx_ + rw + 5 - (lx - 5), 23, 5, floor=P.LCD))

    # Mute well and the volume wedge.
    mx, my, mw, mh = skin.place("Mute")
    out.append(round_recess(mx + mw / 2, my + mh / 2, mw / 2 + 1.5))
    vtx, vty, vtw, _ = skin.place("VolumeTrack")
    out.append(volume_wedge(vtx + 3, vty + 9.5, vtw - 6))

    # The logo, a click area for About.
    gx, gy, gw, gh = skin.place("Logo")
    out.append(A.icon("logo", gx + 16, gy + gh / 2, 30, P.ACCENT, second=P.ICON))
    out.append(A.text(gx + 35, gy + gh / 2 + 5.5, "Ostrel", 16, P.TITLE_TEXT, P.UI_FONT, weight=700,
                      spacing=-0.2))
    return A.svg_document(W, H, "\n".join(out), defs)


def groove(x, y, w, h):
    """A slim rounded channel: dark, its lower edge catching the light."""
    return "\n".join([
        A.rect(x, y + 1, w, h, P.GROOVE_LIGHT, rx=h / 2),
        A.rect(x, y, w, h, P.GROOVE, rx=h / 2),
    ])


def volume_wedge(x, base_y, w):
    """A wedge that grows to the right along the volume track: flat below (on BASE_Y + 3), rounded
    at its tall end, its lower edge catching the light like the position groove's."""
    b = base_y + 3
    r = 3
    path = (f"M{x} {b} L{x} {b - 1.5} L{x + w - r} {b - 2 * r} "
            f"A{r} {r} 0 0 1 {x + w - r} {b} Z")
    return "\n".join([
        f'<path d="{path}" transform="translate(0 1)" fill="{P.GROOVE_LIGHT}"/>',
        f'<path d="{path}" fill="{P.GROOVE}"/>',
    ])


# ---- buttons ---------------------------------------------------------------------------------------

# A face style: (outline, gradient top, gradient bottom, top highlight or None, shadow below, pressed)
NEUTRAL_UP = (P.FACE_EDGE, P.FACE_TOP, P.FACE_BOTTOM, P.FACE_SHINE, True, False)
NEUTRAL_PRESSED = (P.FACE_EDGE, P.FACE_PRESSED_TOP, P.FACE_PRESSED_BOTTOM, None, False, True)
NEUTRAL_DISABLED = (P.FACE_EDGE, P.FACE_DISABLED, P.FACE_DISABLED, None, False, False)
ACCENT_UP = (P.ACCENT_EDGE, P.ACCENT_TOP, P.ACCENT_BOTTOM, "#9ad3ff", True, False)
ACCENT_HELD = (P.ACCENT_EDGE, P.ACCENT_DEEP_TOP, P.ACCENT_DEEP_BOTTOM, None, False, True)


def face(ident, x, y, w, h, r, style):
    """A button face filling the box (x, y, w, h) with corner radius R, in STYLE."""
    edge, top, bottom, shine, shadow, pressed = style
    defs = A.vgradient(ident, top, bottom)
    parts = []
    if shadow:
        parts.append(A.rect(x, y + 1, w, h, "#000000", rx=r, extra='fill-opacity="0.45"'))
    parts.append(A.rect(x, y, w, h, edge, rx=r))
    parts.append(A.rect(x + 1, y + 1, w - 2, h - 2, f"url(#{ident})", rx=r - 1))
    if shine:
        defs += (f'<linearGradient id="{ident}s" x1="0" y1="0" x2="0" y2="1">'
                 f'<stop offset="0" stop-color="{shine}" stop-opacity="1"/>'
                 f'<stop offset="0.45" stop-color="{shine}" stop-opacity="0"/></linearGradient>')
        parts.append(A.rect(x + 1.5, y + 1.5, w - 3, h - 3, "none", rx=r - 1.5,
                            stroke=f"url(#{ident}s)", sw=1))
    if pressed:
        # An inner shadow along the top: the face sits lower than its surroundings.
        defs += (f'<linearGradient id="{ident}p" x1="0" y1="0" x2="0" y2="1">'
                 f'<stop offset="0" stop-color="#000000" stop-opacity="0.55"/>'
                 f'<stop offset="0.3" stop-color="#000000" stop-opacity="0"/></linearGradient>')
        parts.append(A.rect(x + 1.5, y + 1.5, w - 3, h - 3, "none", rx=r - 1.5,
                            stroke=f"url(#{ident}p)", sw=2))
    return defs, "\n".join(parts)


def big_cell(style, icon_name, icon_color, icon_size=22, second=None, cy=20.5):
    """One 56 x 42 cell: the face stands 2 pixels inside the cell, so the clip shape never cuts it."""
    defs, body = face("f", 2, 2, 52, 37, 8, style)
    dy = 1 if style[5] else 0
    body += "\n" + A.icon(icon_name, 28, cy + dy, icon_size, icon_color, second=second)
    return defs, body


def play_cells():
    return [
        big_cell(ACCENT_UP, "play", P.ICON_ON_ACCENT),
        big_cell(NEUTRAL_DISABLED, "play", P.ICON_DISABLED),
        big_cell(ACCENT_HELD, "play", "#d8ecff"),
        big_cell(ACCENT_HELD, "pause", P.ICON_ON_ACCENT),
    ]


def stop_cells():
    return [
        big_cell(NEUTRAL_UP, "stop", P.ICON, 22),
        big_cell(NEUTRAL_DISABLED, "stop", P.ICON_DISABLED, 22),
        big_cell(NEUTRAL_PRESSED, "stop", P.ICON_PRESSED, 22),
        big_cell(NEUTRAL_PRESSED, "stop", P.ACCENT, 22),
    ]


def fullscreen_cells():
    # Drawn at its own size on whole pixels, so that its thin lines stay sharp.
    return [big_cell(NEUTRAL_UP, "fullscreen", P.ICON, 24, cy=21)]


def round_cell(style, icon_name, icon_color, second=None):
    """One 24 x 24 cell of the round mute button; the face keeps clear of the clip circle's edge."""
    edge, top, bottom, shine, _, pressed = style
    defs = A.vgradient("m", top, bottom)
    parts = []
    # No drop shadow: it would reach the edge of the clip circle; the well's dark lip stands in for it.
    parts.append(A.circle(12, 12, 10.5, edge))
    parts.append(A.circle(12, 12, 9.5, "url(#m)"))
    if shine:
        defs += ('<linearGradient id="ms" x1="0" y1="0" x2="0" y2="1">'
                 f'<stop offset="0" stop-color="{shine}"/><stop offset="0.5" stop-color="{shine}" '
                 'stop-opacity="0"/></linearGradient>')
        parts.append(A.circle(12, 12, 9, "none", stroke="url(#ms)"))
    if pressed:
        defs += ('<linearGradient id="mp" x1="0" y1="0" x2="0" y2="1">'
                 '<stop offset="0" stop-color="#000000" stop-opacity="0.6"/>'
                 '<stop offset="0.35" stop-color="#000000" stop-opacity="0"/></linearGradient>')
        parts.append(A.circle(12, 12, 8.5, "none", stroke="url(#mp)", sw=2))
    parts.append(A.icon(icon_name, 12 + 0.5, 12 + (0.5 if pressed else 0), 16, icon_color, second=second))
    return defs, "\n".join(parts)


def mute_cells():
    return [
        round_cell(NEUTRAL_UP, "speaker", P.ICON),
        round_cell(NEUTRAL_DISABLED, "speaker", P.ICON_DISABLED),
        round_cell(NEUTRAL_PRESSED, "speaker", P.ICON_PRESSED),
        round_cell(NEUTRAL_PRESSED, "muted", P.ICON_PRESSED, second=P.MUTED),
    ]


def small_cell(icon_name, icon_color):
    """A 21 x 21 title-bar button: a quiet rounded square that lights up its icon only."""
    defs = A.vgradient("t", "#2c2f36", "#25282e")
    body = "\n".join([
        A.rect(1, 1, 19, 19, "#111216", rx=5),
        A.rect(2, 2, 17, 17, "url(#t)", rx=4),
        A.rect(2.5, 2.5, 16, 16, "none", rx=3.5, stroke="#3a3e46", extra='stroke-opacity="0.7"'),
        A.icon(icon_name, 10.5, 10.5, 14, icon_color),
    ])
    return defs, body


# ---- the thumb and the toolbar bitmaps --------------------------------------------------------------

def thumb_svg():
    _, w, h = THUMB
    defs = A.vgradient("g", P.THUMB_TOP, P.THUMB_BOTTOM)
    body = "\n".join([
        A.rect(0, 0, w, h, P.DECK),
        A.rect(0, 0, w, h, P.THUMB_EDGE, rx=2.5),
        A.rect(1, 1, w - 2, h - 2, "url(#g)", rx=1.8),
        A.rect(4, 5, 1, h - 10, P.ACCENT),
    ])
    return A.svg_document(w, h, body, defs)


def sound_only_svg():
    _, w, h = SOUND_ONLY
    body = "\n".join([
        A.rect(0, 0, w, h, P.SCREEN),
        A.circle(w / 2, 46, 44, P.TITLE_BAND),
        A.icon("logo", w / 2, 46, 64, P.ACCENT, second=P.ICON),
        A.text(w / 2, 120, "Ostrel", 22, P.TITLE_TEXT, P.UI_FONT, weight=700, anchor="middle"),
    ])
    return A.svg_document(w, h, body)


TOOLBAR_ICONS = {
    "DSPLAY": ("play", P.ACCENT), "DSPAUSE": ("pause", P.ICON), "DSSTOP": ("stop", P.ICON),
    "DSOPEN": ("open", P.ICON), "DSSOUND": ("speaker", P.ICON), "DSFULLSCREEN": ("fullscreen", P.ICON),
}


def toolbar_svg(name):
    icon_name, color = TOOLBAR_ICONS[name]
    s = TOOLBAR_SIZE
    body = A.rect(0, 0, s, s, P.TOOLBAR_PALETTE[0]) + A.icon(icon_name, s / 2, s / 2, s, color)
    return A.svg_document(s, s, body)


# ---- putting it together ---------------------------------------------------------------------------

def render(out, name, svg_text, w, h, background=(0, 0, 0)):
    return A.render_svg(svg_text, w, h, os.path.join(out, "svg", name + ".svg"),
                        os.path.join(out, "png", name + ".png"), background)


STRIP_CELLS = {
    "PlayPause": play_cells, "Stop": stop_cells, "FullScreen": fullscreen_cells, "Mute": mute_cells,
    "Close": lambda: [small_cell("close", P.ICON)], "Minimize": lambda: [small_cell("minimize", P.ICON)],
}


def make_strip(out, name, ground):
    """A glyph strip whose cells are drawn over GROUND, the skin under the button."""
    _, cw, ch, count, _ = STRIPS[name]
    cells = STRIP_CELLS[name]()
    assert len(cells) == count, name
    strip = A.Image.filled(cw * count, ch, (0, 0, 0))
    for i, (defs, body) in enumerate(cells):
        cell = render(out, f"{name}.{i}", A.svg_document(cw, ch, body, defs), cw, ch, ground)
        strip.paste(cell, i * cw, 0)
    A.write_bmp24(strip, os.path.join(out, name + ".bmp"))


def warn_of_missing_fonts():
    """The renderer silently takes another font for one it lacks: say so, since the art would change."""
    for family in (P.UI_FONT,):
        try:
            found = subprocess.run(["fc-list", family], capture_output=True, text=True).stdout.strip()
        except OSError:
            return
        if not found:
            print(f"make_art: font '{family}' is not installed (scripts/setup installs it); "
                  "the text is drawn in a substitute", file=sys.stderr)


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = argv[1]
    warn_of_missing_fonts()
    for sub in ("svg", "png"):
        os.makedirs(os.path.join(out, sub), exist_ok=True)

    skins = {}
    for skin in SKINS:
        image = render(out, skin.name, skin_svg(skin), skin.width, skin.height)
        A.write_bmp24(image, os.path.join(out, skin.name + ".bmp"))
        skins[skin.name] = image

    # The ground under each button is the same on every skin; take it from the smallest.
    smallest = min(SKINS, key=lambda s: s.width)
    base = skins[smallest.name]
    for name, (control, cw, ch, _, _) in STRIPS.items():
        x, y, _, _ = smallest.place(control)
        make_strip(out, name, base.crop(x, y, cw, ch))

    name, w, h = THUMB
    A.write_bmp24(render(out, name, thumb_svg(), w, h), os.path.join(out, name + ".bmp"))
    name, w, h = SOUND_ONLY
    A.write_bmp24(render(out, name, sound_only_svg(), w, h), os.path.join(out, name + ".bmp"))

    pal = [A.hex_rgb(c) for c in P.TOOLBAR_PALETTE]
    for name in TOOLBAR:
        image = render(out, name, toolbar_svg(name), TOOLBAR_SIZE, TOOLBAR_SIZE)
        A.write_bmp4(image, os.path.join(out, name + ".bmp"), pal)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
