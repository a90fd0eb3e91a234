#!/usr/bin/env python3
"""Checks the art tools on their own: BMP and PNG writing and reading, the layout arithmetic and
the clip regions the preview and the checks rely on."""

import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import artlib as A  # noqa: E402
import palette as P  # noqa: E402
import make_layout_header as H  # noqa: E402
from layout import SKINS, button_region, roundrect_region, ellipse_region  # noqa: E402

FORM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "forms", "TVyrPlayerForm.dfm.in")


def sample(width, height):
    return A.Image(width, height, [[((x * 37) % 256, (y * 53) % 256, (x * y) % 256)
                                    for x in range(width)] for y in range(height)])


class BmpTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def test_24_bit_round_trip_with_row_padding(self):
        for width in (1, 2, 3, 5, 9):  # every remainder of 3 * width modulo 4
            image = sample(width, 7)
            A.write_bmp24(image, self.path("a.bmp"))
            info = A.bmp_info(self.path("a.bmp"))
            self.assertEqual((info["magic"], info["header_size"], info["bits"], info["compression"]),
                             (b"BM", 40, 24, 0))
            self.assertEqual(info["image_size"], (width * 3 + 3) // 4 * 4 * 7)
            self.assertEqual(info["file_size"], info["actual_size"])
            self.assertEqual(A.read_bmp(self.path("a.bmp")).pixels, image.pixels)

    def test_bottom_up_rows_in_bgr_order(self):
        image = A.Image(1, 2, [[(1, 2, 3)], [(4, 5, 6)]])
        A.write_bmp24(image, self.path("b.bmp"))
        with open(self.path("b.bmp"), "rb") as f:
            data = f.read()
        self.assertEqual(data[54:62], bytes((6, 5, 4, 0, 3, 2, 1, 0)))

    def test_4_bit_takes_nearest_palette_colour(self):
        pal = [A.hex_rgb(c) for c in P.TOOLBAR_PALETTE]
        image = A.Image(3, 2, [[pal[0], pal[5], (250, 250, 250)], [pal[15], pal[1], (3, 2, 1)]])
        A.write_bmp4(image, self.path("c.bmp"), pal)
        info = A.bmp_info(self.path("c.bmp"))
        self.assertEqual((info["bits"], info["colors_used"], info["offset"]), (4, 16, 54 + 64))
        self.assertEqual(A.read_bmp(self.path("c.bmp")).pixels,
                         [[pal[0], pal[5], pal[8]], [pal[15], pal[1], pal[1]]])

    def test_4_bit_needs_sixteen_colours(self):
        with self.assertRaises(ValueError):
            A.write_bmp4(sample(2, 2), self.path("d.bmp"), [(0, 0, 0)] * 8)


class PngTest(unittest.TestCase):
    def test_round_trip(self):
        with tempfile.TemporaryDirectory() as tmp:
            image = sample(13, 6)
            A.write_png(image, os.path.join(tmp, "a.png"))
            self.assertEqual(A.read_png(os.path.join(tmp, "a.png")).pixels, image.pixels)

    def test_alpha_is_laid_over_the_background(self):
        import zlib

        def chunk(kind, payload):
            return struct.pack(">I", len(payload)) + kind + payload + struct.pack(
                ">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)
        # One row, Sub filter, two RGBA pixels: opaque red, then red + (0, 0, 0, 1) = clear red.
        raw = bytes((1, 255, 0, 0, 255, 0, 0, 0, 1))
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "t.png")
            with open(path, "wb") as f:
                f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 1, 8, 6, 0, 0, 0))
                        + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
            self.assertEqual(A.read_png(path, (10, 20, 30)).pixels, [[(255, 0, 0), (10, 20, 30)]])


class LayoutTest(unittest.TestCase):
    def skin(self, width):
        return next(s for s in SKINS if s.width == width)

    def test_video_bounds_follow_the_window_width(self):
        self.assertEqual(self.skin(728).video(), (9, 27, 710, 580))
        self.assertEqual(self.skin(545).video(), (9, 26, 527, 431))
        self.assertEqual(self.skin(446).video(), (9, 26, 428, 350))

    def test_anchors_move_controls_with_the_edges(self):
        big = self.skin(728)
        self.assertEqual(big.place("Close"), (414 + 282, 3, 22, 23))        # top, right
        self.assertEqual(big.place("PlayPause"), (12, 406 + 288, 56, 42))   # left, bottom
        self.assertEqual(big.place("Mute"), (248 + 282, 431 + 288, 24, 24))  # right, bottom
        self.assertEqual(big.place("MediaTrack"), (8, 380 + 288, 710, 20))
        self.assertEqual(self.skin(545).place("MediaTrack")[2], 536)

    def test_round_rect_region_cuts_the_corners_only(self):
        region = roundrect_region(57, 43, 14, 10)  # a 56 x 42 button
        self.assertNotIn((0, 0), region)
        self.assertNotIn((55, 41), region)
        self.assertIn((28, 0), region)
        self.assertIn((0, 21), region)
        self.assertIn((55, 21), region)
        self.assertNotIn((56, 21), region)  # the last column of the box is left out
        self.assertEqual(region, button_region(56, 42, "roundrect"))

    def test_circle_region_of_a_square_button(self):
        region = button_region(24, 24, "circle")
        self.assertEqual(region, ellipse_region(25, 25))
        self.assertIn((12, 12), region)
        self.assertIn((12, 0), region)
        self.assertNotIn((0, 0), region)
        self.assertNotIn((2, 2), region)
        self.assertEqual(max(x for x, _ in region), 23)


class RenderTest(unittest.TestCase):
    def test_svg_renders_to_exact_pixels(self):
        """Through rsvg-convert and back: whole-pixel shapes come out exact, transparency shows the
        background given, and the PNG filters the renderer picks are undone."""
        body = (A.rect(0, 0, 6, 2, "#ff0000") + A.rect(2, 2, 2, 2, "#00ff00") +
                A.rect(0, 4, 6, 1, "#123456"))
        with tempfile.TemporaryDirectory() as tmp:
            image = A.render_svg(A.svg_document(6, 5, body), 6, 5, os.path.join(tmp, "a.svg"),
                                 os.path.join(tmp, "a.png"), (1, 2, 3))
        self.assertEqual((image.width, image.height), (6, 5))
        self.assertEqual(image.pixels[0], [(255, 0, 0)] * 6)
        self.assertEqual(image.pixels[2], [(1, 2, 3)] * 2 + [(0, 255, 0)] * 2 + [(1, 2, 3)] * 2)
        self.assertEqual(image.pixels[4], [(0x12, 0x34, 0x56)] * 6)


class PreviewTest(unittest.TestCase):
    """The preview paints a button as the image-only button does."""

    class Place:
        def __init__(self, box):
            self.box = box

        def place(self, _control):
            return self.box

    def test_held_down_cell_of_a_four_cell_strip(self):
        import preview
        window = A.Image.filled(10, 8, (9, 9, 9))
        strip = A.Image(8, 3, [[(k, 0, 0) for k in range(4) for _ in range(2)]] * 3)
        preview.draw_button(window, strip, 4, "X", self.Place((1, 1, 2, 3)), "roundrect", 3)
        self.assertEqual(window.pixels[1][1:3], [(3, 0, 0), (3, 0, 0)])
        self.assertEqual(window.pixels[0][1], (9, 9, 9))

    def test_one_cell_strip_shows_its_cell_in_every_state(self):
        import preview
        window = A.Image.filled(30, 30, (9, 9, 9))
        strip = A.Image.filled(21, 21, (200, 0, 0))
        preview.draw_button(window, strip, 1, "X", self.Place((2, 2, 22, 23)), "roundrect", 3)
        self.assertEqual(window.pixels[12][12], (200, 0, 0))
        # A 21 x 21 cell in a 22 x 23 button: its last column and rows show the skin.
        self.assertEqual(window.pixels[12][2 + 21], (9, 9, 9))
        self.assertEqual(window.pixels[2 + 21][12], (9, 9, 9))


class IconTest(unittest.TestCase):
    def test_every_icon_has_a_drawing(self):
        icons = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "icons")
        names = [n[:-4] for n in os.listdir(icons) if n.endswith(".svg")]
        self.assertIn("play", names)
        for name in names:
            self.assertIn("currentColor", A.icon_body(name), name)

    def test_second_colour_goes_to_its_part_only(self):
        drawn = A.icon("muted", 12, 12, 24, "#111111", second="#ff0000")
        self.assertEqual(drawn.count('color="#ff0000"'), 1)
        self.assertIn('color="#111111"', drawn)


if __name__ == "__main__":
    unittest.main()


class SharedLayoutTest(unittest.TestCase):
    """The program reads the layout the art is drawn from; the build stops when the stored form
    disagrees with it."""

    def setUp(self):
        with open(FORM, encoding="utf-8") as f:
            self.form = f.read()

    def run_check(self, form_text):
        with tempfile.TemporaryDirectory() as folder:
            form, out = os.path.join(folder, "form.dfm"), os.path.join(folder, "VyrLayout.h")
            with open(form, "w", encoding="utf-8") as f:
                f.write(form_text)
            code = H.main(["make_layout_header.py", form, out])
            return code, open(out, encoding="utf-8").read() if os.path.exists(out) else None

    def test_the_stored_form_agrees_and_the_header_carries_the_layout(self):
        code, text = self.run_check(self.form)
        self.assertEqual(code, 0)
        self.assertIn('{"VyrImage1024_786", 728, 748, 710, 1024, 768},', text)
        self.assertIn("inline constexpr int OriginalReserve = 373;", text)
        self.assertLess(text.index("VyrImage1024_786"), text.index("Vyrimage640_480"), "largest skin first")

    def test_a_control_moved_or_anchored_otherwise_stops_the_build(self):
        stop = self.form.index("object StopButton")
        cases = {
            "moved": self.form[:stop] + self.form[stop:].replace("Left = 76", "Left = 77", 1),
            "anchored": self.form[:stop] + self.form[stop:].replace("[akLeft, akBottom]", "[akLeft, akTop]", 1),
            "renamed": self.form.replace("object StopButton:", "object StopKnob:"),
        }
        for what, text in cases.items():
            with self.subTest(what):
                code, header = self.run_check(text)
                self.assertEqual(code, 1)
                self.assertIsNone(header)
                self.assertTrue(any("StopButton" in d for d in H.differences(text)))
