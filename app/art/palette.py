"""The colours of the Ostrel look, in one place.

Every drawing in make_art.py takes its colours from here: change a value and rebuild (the
`player_art` target) to recolour the skins, the buttons, the thumb and the toolbar bitmaps together.
"""

# Window body and its edges.
BODY = "#1a1c20"            # the flat face of the window; buttons and thumbs blend into it
BODY_EDGE_LIGHT = "#33373e"  # the one-pixel highlight just inside the rounded outline
BODY_EDGE_DARK = "#0b0c0e"   # the outline itself
TITLE_BAND = "#202227"       # the top band that carries the product name
DECK = "#202227"             # the control deck under the screen (tracks, buttons, time, logo)
DECK_RULE_LIGHT = "#2c2f35"  # the highlight along the top of the deck
TITLE_RULE = "#101114"       # the line under the title band
TITLE_TEXT = "#e9ecf0"       # "Ostrel"
TITLE_TEXT_DIM = "#8a919b"   # "Media Player"

# Recesses: the transport tray, the mute well, the grooves, the time display and the screen.
WELL = "#111317"             # flat floor of every recess that a button stands in
WELL_SHADOW = "#07080a"      # the upper lip of a recess
WELL_LIGHT = "#2b2f36"       # the lower lip of a recess (light falls from above)
GROOVE = "#08090b"
GROOVE_LIGHT = "#2a2e35"
GRILLE = "#26292f"          # the speaker grille between the screen and the position track
GRILLE_HOLE = "#0b0c0f"
LCD = "#0a0e13"              # time display; the labels draw light text over it
LCD_GLOW = "#0f1720"
SCREEN = "#000000"
SCREEN_BEZEL = "#050607"

# Buttons.
FACE_TOP = "#30343c"         # neutral face, top of its gradient
FACE_BOTTOM = "#24272d"
FACE_EDGE = "#0b0c0f"
FACE_SHINE = "#454a54"       # one-pixel highlight along the top of a face
FACE_PRESSED_TOP = "#1c1f24"
FACE_PRESSED_BOTTOM = "#22252b"
FACE_DISABLED = "#202227"
ICON = "#e6e9ee"
ICON_PRESSED = "#c3c8d0"
ICON_DISABLED = "#4c5159"

# The accent: the play button, the logo, "on" states.
ACCENT = "#2d9cff"
ACCENT_TOP = "#49adff"
ACCENT_BOTTOM = "#1b7fe0"
ACCENT_DEEP_TOP = "#1669bd"     # accent face held down (playing)
ACCENT_DEEP_BOTTOM = "#1a78d2"
ACCENT_EDGE = "#082a4d"
ICON_ON_ACCENT = "#ffffff"
MUTED = "#ff6b5a"               # the cross of the muted speaker

# Track thumb.
THUMB_TOP = "#f1f3f6"
THUMB_BOTTOM = "#b8bec8"
THUMB_EDGE = "#07080a"

# Fonts (Debian packages fonts-inter and fonts-liberation2).
UI_FONT = "Inter"
LABEL_FONT = "Liberation Sans"   # metric twin of Arial, the labels' font, for the preview only

# The sixteen colours of the 4-bit toolbar bitmaps. Index 0 is the background, the colour a toolbar
# image list takes as transparent (its lower-left pixel).
TOOLBAR_PALETTE = [
    "#1a1c20", "#000000", "#2a2d33", "#3c4049", "#575c66", "#7a808b", "#a3a9b3", "#d4d8de",
    "#ffffff", "#0d3b66", "#1b6fc2", "#2d9cff", "#8ccaff", "#7a1f17", "#e0503f", "#ff9a8c",
]
