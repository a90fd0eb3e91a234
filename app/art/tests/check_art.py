#!/usr/bin/env python3
"""Checks what make_art.py made (the player_art target): every bitmap is there with its exact size
and bit depth as an uncompressed BMP, and the skins and buttons fit together: the ground under a
button is the same on every skin, a button's face never reaches the edge of its clip shape (so the
skin around it shows no seam), the screen is black wherever the video goes and the time display is
dark enough for light text.

  check_art.py ART_DIR
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import artlib as A  # noqa: E402
from layout import SKINS, SOUND_ONLY, STRIPS, THUMB, TOOLBAR, TOOLBAR_SIZE, button_region  # noqa: E402

ART = None

EXPECTED = {skin.name: (skin.width, skin.height, 24) for skin in SKINS}
EXPECTED.update({name: (cw * cells, ch, 24) for name, (_, cw, ch, cells, _) in STRIPS.items()})
EXPECTED[THUMB[0]] = (THUMB[1], THUMB[2], 24)
EXPECTED[SOUND_ONLY[0]] = (SOUND_ONLY[1], SOUND_ONLY[2], 24)
EXPECTED.update({name: (TOOLBAR_SIZE, TOOLBAR_SIZE, 4) for name in TOOLBAR})


def bmp(name):
    return A.read_bmp(os.path.join(ART, name + ".bmp"))


def luminance(rgb):
    r, g, b = rgb
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


class FilesTest(unittest.TestCase):
    def test_the_sixteen_bitmaps(self):
        self.assertEqual(len(EXPECTED), 17)
        self.assertEqual(sorted(EXPECTED)[:3], ["Close", "DSFULLSCREEN", "DSOPEN"])

    def test_every_bitmap_has_its_size_and_depth(self):
        for name, (width, height, bits) in EXPECTED.items():
            with self.subTest(name=name):
                path = os.path.join(ART, name + ".bmp")
                self.assertTrue(os.path.isfile(path), f"{path} is missing: build player_art")
                info = A.bmp_info(path)
                self.assertEqual(info["magic"], b"BM")
                self.assertEqual(info["header_size"], 40, "BITMAPINFOHEADER (BMP3)")
                self.assertEqual((info["width"], info["height"]), (width, height))
                self.assertEqual(info["planes"], 1)
                self.assertEqual(info["bits"], bits)
                self.assertEqual(info["compression"], 0, "BI_RGB")
                stride = (width * bits + 31) // 32 * 4
                self.assertEqual(info["image_size"], stride * height)
                self.assertEqual(info["file_size"], info["actual_size"])
                self.assertEqual(info["offset"] + stride * height, info["actual_size"])
                if bits == 4:
                    self.assertEqual(info["colors_used"], 16)
                    self.assertEqual(info["offset"], 54 + 16 * 4)

    def test_toolbar_bitmaps_use_several_colours_of_their_palette(self):
        for name in TOOLBAR:
            with self.subTest(name=name):
                colours = {p for row in bmp(name).pixels for p in row}
                self.assertGreaterEqual(len(colours), 3, "a background, the icon and its soft edge")


class FitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.skins = {skin.name: bmp(skin.name) for skin in SKINS}
        cls.smallest = min(SKINS, key=lambda s: s.width)

    def test_ground_under_each_button_is_the_same_on_every_skin(self):
        base = self.skins[self.smallest.name]
        for name, (control, cw, ch, _, _) in STRIPS.items():
            x0, y0, _, _ = self.smallest.place(control)
            ground = base.crop(x0, y0, cw, ch).pixels
            for skin in SKINS:
                with self.subTest(button=name, skin=skin.name):
                    x, y, _, _ = skin.place(control)
                    self.assertEqual(self.skins[skin.name].crop(x, y, cw, ch).pixels, ground)

    def test_the_edge_of_every_clip_shape_shows_the_skin(self):
        """Inside the clip shape, along its edge, each cell shows the very skin pixels it covers."""
        base = self.skins[self.smallest.name]
        for name, (control, cw, ch, cells, shape) in STRIPS.items():
            x0, y0, w, h = self.smallest.place(control)
            region = button_region(w, h, shape)
            edge = {(x, y) for x, y in region if x < cw and y < ch and any(
                (x + dx, y + dy) not in region for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))}
            self.assertGreater(len(edge), 20, name)
            strip = bmp(name)
            for k in range(cells):
                with self.subTest(button=name, cell=k):
                    for x, y in sorted(edge):
                        self.assertEqual(strip.pixels[y][k * cw + x], base.pixels[y0 + y][x0 + x],
                                         f"at {x},{y}")

    def test_cells_differ_where_the_state_shows(self):
        for name, pairs in (("PlayPause", ((0, 1), (0, 2), (0, 3), (2, 3))),
                            ("Stop", ((0, 1), (0, 2), (2, 3))), ("Mute", ((0, 1), (0, 2), (0, 3)))):
            _, cw, ch, _, _ = STRIPS[name]
            strip = bmp(name)
            for a, b in pairs:
                with self.subTest(button=name, cells=(a, b)):
                    self.assertNotEqual(strip.crop(a * cw, 0, cw, ch).pixels,
                                        strip.crop(b * cw, 0, cw, ch).pixels)

    def test_the_screen_is_black_wherever_the_video_goes(self):
        for skin in SKINS:
            image = self.skins[skin.name]
            vx, vy, vw, vh = skin.video()
            with self.subTest(skin=skin.name):
                # From the top the "Maximum" view uses (row 25) to the bottom of the start-up bounds.
                for y in range(25, vy + vh):
                    row = image.pixels[y]
                    self.assertEqual(set(row[vx:vx + vw]), {(0, 0, 0)}, f"row {y}")
                    self.assertNotEqual(row[vx - 2], (0, 0, 0), "the screen has a frame")
                    self.assertNotEqual(row[vx + vw + 1], (0, 0, 0), "the screen has a frame")

    def test_time_display_is_dark_behind_the_labels(self):
        for skin in SKINS:
            image = self.skins[skin.name]
            for control in ("PositionLabel", "SlashLabel", "LengthLabel"):
                x, y, w, h = skin.place(control)
                with self.subTest(skin=skin.name, label=control):
                    lightest = max(luminance(p) for row in image.pixels[y:y + h] for p in row[x:x + w])
                    self.assertLess(lightest, 40, "white text must read well here")

    def test_thumb_is_lighter_than_the_grooves_it_slides_on(self):
        thumb = bmp(THUMB[0])
        middle = luminance(thumb.pixels[THUMB[2] // 2][1])
        for skin in SKINS:
            image = self.skins[skin.name]
            for control in ("MediaTrack", "VolumeTrack"):
                x, y, w, _ = skin.place(control)
                with self.subTest(skin=skin.name, track=control):
                    groove = min(luminance(p) for p in image.pixels[y + 9][x + 5:x + w - 5])
                    self.assertGreater(middle - groove, 100)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    ART = sys.argv.pop(1)
    unittest.main()
