"""Where things sit on the main window, for each of the three skins.

Positions are given for the smallest skin (446 x 460). A control anchored to the right moves with the
right edge on a larger skin and one anchored to the bottom moves with the bottom edge, exactly as the
window's controls do when it takes a larger skin.
"""

from dataclasses import dataclass

BASE_W, BASE_H = 446, 460
CORNER = 32  # the window is cut to a rounded rectangle with 32 x 32 corner ellipses

# The video area. Its box has the proportions of the native picture (352 x 288) and spans the window
# less a margin on each side. At start it sits one scale step below the title band (25 + the scale);
# the "Maximum" view puts it right under the band; the "Original" view centres the native size in
# the window above the deck's reserve.
NATIVE_VIDEO = (352, 288)
VIDEO_MARGIN = 9
VIDEO_TOP = 25
ORIGINAL_RESERVE = 373

# name: (left, top, width, height, anchors) on the smallest skin; anchors: l, t, r, b.
CONTROLS = {
    "PlayPause": (12, 406, 56, 42, "lb"),
    "Stop": (76, 406, 56, 42, "lb"),
    "FullScreen": (139, 406, 56, 42, "lb"),
    "Minimize": (392, 3, 22, 23, "tr"),
    "Close": (414, 3, 22, 23, "tr"),
    "Mute": (248, 431, 24, 24, "rb"),
    "PositionLabel": (249, 408, 40, 15, "rb"),
    "SlashLabel": (291, 406, 4, 20, "rb"),
    "LengthLabel": (298, 408, 37, 15, "rb"),
    "Logo": (345, 406, 84, 42, "rb"),
    "MediaTrack": (8, 380, 425, 20, "lb"),   # its width is set per skin
    "VolumeTrack": (277, 435, 60, 20, "rb"),
}

# Button glyph strips: resource name -> (control, cell width, cell height, cells, clip shape).
STRIPS = {
    "PlayPause": ("PlayPause", 56, 42, 4, "roundrect"),
    "Stop": ("Stop", 56, 42, 4, "roundrect"),
    "FullScreen": ("FullScreen", 56, 42, 1, "roundrect"),
    "Mute": ("Mute", 24, 24, 4, "circle"),
    "Close": ("Close", 21, 21, 1, "roundrect"),
    "Minimize": ("Minimize", 21, 21, 1, "roundrect"),
}

THUMB = ("Handle", 9, 19)
# What the video area shows for a file with sound and no picture: the mark and the name, on the
# screen's black; the program writes the file's name under it.
SOUND_ONLY = ("SoundOnly", 220, 132)
TOOLBAR = ["DSPLAY", "DSPAUSE", "DSSTOP", "DSOPEN", "DSSOUND", "DSFULLSCREEN"]
TOOLBAR_SIZE = 16


@dataclass(frozen=True)
class Skin:
    name: str
    width: int
    height: int
    track_width: int
    min_desktop: tuple  # the smallest desktop (width, height) the window takes this skin on

    @property
    def dx(self):
        return self.width - BASE_W

    @property
    def dy(self):
        return self.height - BASE_H

    def video(self):
        """The player's bounds as the window sets them at start: (left, top, width, height)."""
        width = self.width - 2 * VIDEO_MARGIN
        ratio = width / NATIVE_VIDEO[0]
        return VIDEO_MARGIN, int(VIDEO_TOP + ratio), width, int(NATIVE_VIDEO[1] * ratio)

    def place(self, control):
        """(left, top, width, height) of a control on this skin."""
        x, y, w, h, anchors = CONTROLS[control]
        if control == "MediaTrack":
            w = self.track_width
        if "r" in anchors and "l" not in anchors:
            x += self.dx
        if "b" in anchors and "t" not in anchors:
            y += self.dy
        return x, y, w, h


SKINS = [
    Skin("VyrImage1024_786", 728, 748, 710, (1024, 768)),
    Skin("VyrImage800_600", 545, 560, 536, (800, 600)),
    Skin("Vyrimage640_480", 446, 460, 425, (0, 0)),
]


def roundrect_region(w, h, ew, eh):
    """Pixels inside a GDI rounded-rectangle region from (0, 0) to (w, h) with corner ellipses ew x eh,
    as a set of (x, y). Like the platform's, the region leaves out the last column and row."""
    inside = set()
    rx, ry = ew / 2, eh / 2
    for y in range(h - 1):
        for x in range(w - 1):
            cx = min(max(x + 0.5, rx), w - 1 - rx)
            cy = min(max(y + 0.5, ry), h - 1 - ry)
            if rx and ry:
                if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 > 1:
                    continue
            inside.add((x, y))
    return inside


def ellipse_region(w, h):
    """Pixels inside a GDI elliptic region from (0, 0) to (w, h), as a set of (x, y)."""
    inside = set()
    rx, ry = (w - 1) / 2, (h - 1) / 2
    for y in range(h - 1):
        for x in range(w - 1):
            if ((x + 0.5 - rx) / rx) ** 2 + ((y + 0.5 - ry) / ry) ** 2 <= 1:
                inside.add((x, y))
    return inside


def button_region(control_w, control_h, shape):
    """The clip region of an image-only button, in the button's own coordinates."""
    if shape == "circle":
        d = abs(control_w - control_h) // 2
        s = min(control_w, control_h)
        ox, oy = (0, d) if control_w < control_h else (d, 0)
        return {(x + ox, y + oy) for x, y in ellipse_region(s + 1, s + 1)}
    return roundrect_region(control_w + 1, control_h + 1, control_w // 4, control_h // 4)
