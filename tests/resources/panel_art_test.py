#!/usr/bin/env python3
"""Checks the committed panel images against what the plug-in does with them.

    python3 tests/resources/panel_art_test.py resources/img

Standard library only: the PNGs are decoded here (inflate and unfilter), and
every position is derived from the plug-in's own drawing rules rather than
from the generator's constants: the fader handle's top at
16 + int(112 * (1 - v)), the knob frame int(63 * v + 0.5) + 1, the
gain-reduction segment of k dB at x = 226 + (20 - k) * 10.
"""

import math
import os
import struct
import sys
import unittest
import zlib

IMAGE_DIR = None

SIZES = {  # name -> width, height, frames
    "bg2.png": (552, 200, 1),
    "knob.png": (56, 3584, 64),
    "modesel.png": (46, 126, 3),
    "hqswitch.png": (32, 22, 2),
    "analogswitch.png": (61, 22, 2),
    "extscswitch.png": (64, 22, 2),
    "faderhandle.png": (12, 14, 1),
}
KNOB_XS = (66, 138, 210, 280, 350)


def decode_png(path):
    """(header dict, rows of RGBA byte strings) for an 8-bit RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
    pos, header, idat = 8, None, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert zlib.crc32(kind + body) & 0xFFFFFFFF == crc, "bad CRC in " + repr(kind)
        if kind == b"IHDR":
            w, h, depth, colour, comp, filt, interlace = struct.unpack(">IIBBBBB", body)
            header = dict(width=w, height=h, depth=depth, colour=colour, interlace=interlace,
                          compression=comp, filter=filt)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    assert header is not None, "no IHDR"
    if header["depth"] != 8 or header["colour"] != 6 or header["interlace"] != 0:
        return header, None
    raw = zlib.decompress(idat)
    w, h = header["width"], header["height"]
    stride = w * 4
    rows, previous = [], bytearray(stride)
    for y in range(h):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = previous[i]
            c = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
            else:
                assert kind == 0, "unknown filter %d" % kind
        rows.append(line)
        previous = line
    return header, rows


_cache = {}


def image(name):
    if name not in _cache:
        _cache[name] = decode_png(os.path.join(IMAGE_DIR, name))
    return _cache[name]


def rgba(rows, x, y):
    return tuple(rows[y][4 * x:4 * x + 4])


def luma(rows, x, y):
    r, g, b, _ = rgba(rows, x, y)
    return 0.299 * r + 0.587 * g + 0.114 * b


def mean_luma(rows, x0, y0, x1, y1):
    total = sum(luma(rows, x, y) for y in range(y0, y1) for x in range(x0, x1))
    return total / ((x1 - x0) * (y1 - y0))


def handle_centre_y(db):
    v = (db + 60.0) / 90.0
    return 16 + int(112 * (1.0 - v)) + 7


class ImageFormat(unittest.TestCase):
    def test_every_image_is_8_bit_rgba_not_interlaced_at_the_panels_size(self):
        for name, (width, height, frames) in SIZES.items():
            with self.subTest(image=name):
                header, rows = image(name)
                self.assertEqual((header["width"], header["height"]), (width, height))
                self.assertEqual(header["depth"], 8)
                self.assertEqual(header["colour"], 6)
                self.assertEqual(header["interlace"], 0)
                self.assertEqual(height % frames, 0)
                self.assertIsNotNone(rows)

    def test_every_frame_of_a_strip_differs_from_the_others(self):
        for name, (width, height, frames) in SIZES.items():
            if frames < 2:
                continue
            with self.subTest(image=name):
                _, rows = image(name)
                fh = height // frames
                blocks = {bytes(b"".join(rows[f * fh:(f + 1) * fh])) for f in range(frames)}
                self.assertEqual(len(blocks), frames)


class Background(unittest.TestCase):
    def setUp(self):
        _, self.rows = image("bg2.png")

    def test_background_is_opaque_everywhere(self):
        self.assertTrue(all(self.rows[y][4 * x + 3] == 255 for y in range(200) for x in range(552)))

    def test_value_caption_strips_are_dark_and_plain_for_the_grey_text(self):
        # The plug-in writes (170, 170, 170) text from y = 137 down to about 151.
        for x in KNOB_XS:
            with self.subTest(knob=x):
                values = [luma(self.rows, px, py) for py in range(138, 152) for px in range(x + 4, x + 52)]
                self.assertLess(max(values), 60)
                self.assertLess(max(values) - min(values), 25)

    def test_version_text_spot_is_dark_and_plain(self):
        # "v1.2.5", 12 px, centred on x = 445 from y = 180.
        values = [luma(self.rows, x, y) for y in range(180, 195) for x in range(426, 465)]
        self.assertLess(max(values), 80)
        self.assertLess(max(values) - min(values), 25)

    def test_peak_meter_slots_are_nearly_black(self):
        for x0, y0, x1, y1 in ((14, 16, 19, 142), (22, 16, 27, 142), (508, 16, 513, 142),
                               (516, 16, 521, 142)):
            with self.subTest(meter=x0):
                self.assertLess(max(luma(self.rows, x, y) for y in range(y0, y1) for x in range(x0, x1)),
                                30)

    def test_gain_reduction_window_is_darker_than_the_unlit_segments(self):
        # Between the segments (x = 231..235 for the first gap) the plate
        # must stay well below the plug-in's unlit grey of 93.
        for k in range(1, 20):
            gap = 226 + (20 - k) * 10 + 5
            with self.subTest(gap_after_segment=k):
                self.assertLess(mean_luma(self.rows, gap, 20, gap + 5, 30), 40)

    def test_fader_scale_ticks_stand_at_the_handle_centre_for_their_value(self):
        # For every 10 dB from +30 to -60 a tick is drawn in the row just
        # above the handle's centre line (the handle's own index line is its
        # row 6 of 14); the rows three pixels away are plain plate. Input:
        # right of the fader; output: on the fader's track and left of the
        # output meters.
        for side, columns in (("input", (43, 44)), ("output", (503, 533, 534))):
            for column in columns:
                for db in range(30, -61, -10):
                    y = handle_centre_y(db)
                    with self.subTest(side=side, db=db, x=column):
                        tick = luma(self.rows, column, y - 1)
                        self.assertGreater(tick, luma(self.rows, column, y - 4) + 40)
                        self.assertGreater(tick, luma(self.rows, column, y + 3) + 40)

    def test_zero_db_mark_is_emphasised_in_colour(self):
        y = handle_centre_y(0)
        r, g, b, _ = rgba(self.rows, 44, y - 1)
        self.assertGreater(r - b, 80)
        r, g, b, _ = rgba(self.rows, 44, handle_centre_y(-10) - 1)
        self.assertLess(abs(r - b), 20)

    def test_gain_reduction_scale_marks_sit_under_their_segments(self):
        # A tick 6 px under the window for 20, 15, 10, 5 and 1 dB, centred
        # on the segment that lights at that reduction.
        for k in (20, 15, 10, 5, 1):
            centre = 226 + (20 - k) * 10 + 2
            with self.subTest(db=k):
                self.assertGreater(luma(self.rows, centre, 38),
                                   luma(self.rows, centre + 4, 38) + 40)


class KnobStrip(unittest.TestCase):
    def pointer_angle(self, rows, frame):
        """Angle (degrees, 0 up, clockwise) of the white pointer: the mean
        direction of near-white pixels between radius 14 and 20."""
        sx = sy = 0.0
        count = 0
        for y in range(56):
            for x in range(56):
                dx, dy = x + 0.5 - 28, y + 0.5 - 28
                if not 14 <= math.hypot(dx, dy) <= 20:
                    continue
                r, g, b, a = rgba(rows, x, frame * 56 + y)
                if a > 200 and min(r, g, b) > 200:
                    length = math.hypot(dx, dy)
                    sx += dx / length
                    sy += dy / length
                    count += 1
        self.assertGreater(count, 3, "no pointer in frame %d" % (frame + 1))
        return math.degrees(math.atan2(sx, -sy))

    def test_pointer_sweeps_270_degrees_from_frame_1_to_frame_64(self):
        _, rows = image("knob.png")
        for frame in range(64):
            with self.subTest(frame=frame + 1):
                expected = -135.0 + 270.0 * frame / 63
                self.assertAlmostEqual(self.pointer_angle(rows, frame), expected, delta=3.0)

    def test_knob_corners_are_transparent_so_the_plate_shows(self):
        _, rows = image("knob.png")
        for frame in (0, 63):
            for x, y in ((0, 0), (55, 0), (0, 55), (55, 55), (28, 1)):
                self.assertEqual(rgba(rows, x, frame * 56 + y)[3], 0)


class Selectors(unittest.TestCase):
    def test_model_selector_lights_the_chosen_row(self):
        # Three 14 px bands: VCA, FET, OPTO; frame k lights band k.
        _, rows = image("modesel.png")
        for frame in range(3):
            bands = [mean_luma(rows, 1, frame * 42 + band * 14 + 1, 45, frame * 42 + band * 14 + 13)
                     for band in range(3)]
            with self.subTest(frame=frame + 1):
                self.assertEqual(bands.index(max(bands)), frame)

    def test_switches_are_brighter_on_than_off(self):
        for name in ("hqswitch.png", "analogswitch.png", "extscswitch.png"):
            _, rows = image(name)
            width = SIZES[name][0]
            with self.subTest(image=name):
                off = mean_luma(rows, 0, 0, width, 11)
                on = mean_luma(rows, 0, 11, width, 22)
                self.assertGreater(on, off + 25)

    def test_fader_handle_index_line_marks_its_centre(self):
        # Row 6 (just above the centre line at 7) is the brightest row.
        _, rows = image("faderhandle.png")
        means = [mean_luma(rows, 2, y, 10, y + 1) for y in range(14)]
        self.assertEqual(means.index(max(means)), 6)
        self.assertTrue(all(rows[y][4 * x + 3] == 255 for y in range(1, 13) for x in range(1, 11)))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: panel_art_test.py IMAGE_DIR [unittest options]")
    IMAGE_DIR = sys.argv.pop(1)
    unittest.main()
