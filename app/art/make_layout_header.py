"""The main window's layout as the program reads it, written from layout.py, and a check that the
stored form places its controls where the art expects them.

    make_layout_header.py FORM.dfm OUT.h

Fails (exit 1, naming each difference) when a control of FORM.dfm is not where layout.py puts it on
the smallest skin, or is anchored otherwise: the art would then draw a button's ground, a groove or
the time display beside the control instead of under it. Otherwise writes OUT.h (only when its text
changes, so that the program is not rebuilt for nothing).
"""

import os
import re
import sys

import layout as L

# The stored form's name of each control the layout places.
FORM_NAMES = {
    "PlayPause": "PlayPauseButton",
    "Stop": "StopButton",
    "FullScreen": "FullScreenButton",
    "Minimize": "MinimizeButton",
    "Close": "CloseButton",
    "Mute": "MuteButton",
    "PositionLabel": "PositionLabel",
    "SlashLabel": "SlashLabel",
    "LengthLabel": "LengthLabel",
    "Logo": "OstrelImage",
    "MediaTrack": "MediaTrackArea",
    "VolumeTrack": "VolumeTrackArea",
}

ANCHOR_LETTERS = {"akLeft": "l", "akTop": "t", "akRight": "r", "akBottom": "b"}


def form_controls(text):
    """{name: {property: value}} of the stored form's objects, for the properties the layout has."""
    controls = {}
    current = None
    for line in text.splitlines():
        line = line.strip()
        m = re.match(r"(?:object|inherited)\s+(\w+)\s*:", line)
        if m:
            current = controls.setdefault(m.group(1), {})
            continue
        if current is None:
            continue
        m = re.match(r"(Left|Top|Width|Height)\s*=\s*(-?\d+)$", line)
        if m:
            current[m.group(1)] = int(m.group(2))
            continue
        m = re.match(r"Anchors\s*=\s*\[(.*)\]$", line)
        if m:
            current["Anchors"] = "".join(sorted(ANCHOR_LETTERS[a.strip()] for a in m.group(1).split(",") if a.strip()))
    return controls


def differences(text):
    """What the stored form places otherwise than the layout, one line each."""
    found = form_controls(text)
    out = []
    for control, (x, y, w, h, anchors) in L.CONTROLS.items():
        name = FORM_NAMES[control]
        props = found.get(name)
        if props is None:
            out.append(f"{name}: not in the stored form")
            continue
        for prop, want in (("Left", x), ("Top", y), ("Width", w), ("Height", h)):
            if props.get(prop) != want:
                out.append(f"{name}.{prop} is {props.get(prop)}, the layout says {want}")
        have = props.get("Anchors", "lt")
        if have != "".join(sorted(anchors)):
            out.append(f"{name}.Anchors is '{have}', the layout says '{anchors}'")
    return out


def header():
    skins = sorted(L.SKINS, key=lambda s: s.width, reverse=True)
    rows = "\n".join(
        f'    {{"{s.name}", {s.width}, {s.height}, {s.track_width}, {s.min_desktop[0]}, {s.min_desktop[1]}}},'
        for s in skins)
    return f"""// The main window's layout: written by app/art/make_layout_header.py from app/art/layout.py, which the
// art is drawn from as well. Edit layout.py, not this file.
#pragma once

namespace VyrLayout {{

struct TSkinLayout {{
  const char* Resource;  // the skin's bitmap resource
  int Width;
  int Height;
  int TrackWidth;        // the position track's width on this skin
  int MinDesktopWidth;   // the smallest desktop the window takes this skin on
  int MinDesktopHeight;
}};

// Largest first: the window takes the first one the desktop holds.
inline constexpr TSkinLayout Skins[] = {{
{rows}
}};

inline constexpr int NativeVideoWidth = {L.NATIVE_VIDEO[0]};
inline constexpr int NativeVideoHeight = {L.NATIVE_VIDEO[1]};
inline constexpr int VideoMargin = {L.VIDEO_MARGIN};
inline constexpr int VideoTop = {L.VIDEO_TOP};
inline constexpr int OriginalReserve = {L.ORIGINAL_RESERVE};
inline constexpr int Corner = {L.CORNER};

}}  // namespace VyrLayout
"""


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        problems = differences(f.read())
    if problems:
        for p in problems:
            print(f"{argv[1]}: {p} (app/art/layout.py)", file=sys.stderr)
        return 1
    text = header()
    if os.path.exists(argv[2]):
        with open(argv[2], encoding="utf-8") as f:
            if f.read() == text:
                return 0
    with open(argv[2], "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
