#!/usr/bin/env python3
"""Draws the seven panel images of BraskoKorvala into resources/img/.

    python3 tools/make_panel_art.py              # rewrite resources/img/*.png
    python3 tools/make_panel_art.py --out DIR    # write them elsewhere
    python3 tools/make_panel_art.py --check DIR  # regenerate into a temporary
                                                 # folder and compare with DIR

The plug-in embeds the committed PNGs; nothing at build time runs this script.
It needs pycairo (Debian python3-cairo) and the Liberation fonts
(fonts-liberation2), both installed by tools/setup.sh.

Every image is RGBA with 8 bits per channel (PNG colour type 6), not
interlaced, frames stacked vertically. The output is a pure function of this
file: no clock, no random state from outside (the brushed-metal grain comes
from a fixed-seed generator), explicit font rendering options instead of the
desktop's, and a PNG writer of our own that emits nothing but the header, the
pixels and the end marker. The same run on the same Debian release (cairo,
FreeType, zlib, fonts) therefore gives the same bytes, which the --check mode
and the CTest test built on it rely on.

Geometry below is the panel's: where the plug-in places each control and what
it draws itself (meters, value captions, the version text). The background
carries everything else: labels, scales, meter wells, the fader slots.
"""

import argparse
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

try:
    import cairo
except ImportError:
    sys.exit("make_panel_art: pycairo is missing (Debian python3-cairo); run tools/setup.sh")

# --- Panel geometry (pixels, origin top-left, boxes are left, top, right, bottom
# with right and bottom exclusive) -------------------------------------------

PANEL_W, PANEL_H = 552, 200

KNOB_SIZE = 56
KNOB_FRAMES = 64
KNOB_Y = 78
KNOBS = ((66, "THRESHOLD"), (138, "RATIO"), (210, "ATTACK"), (280, "RELEASE"), (350, "SC FILTER"))
# The pointer of frame 1 (minimum) stands at -135 degrees, that of frame 64
# (maximum) at +135; 0 is straight up, angles grow clockwise.
KNOB_MIN_DEG = -135.0
KNOB_SWEEP_DEG = 270.0
# The plug-in writes each knob's value in (x, 137, x + 56, 145), 12 px grey
# text whose glyphs reach a few pixels below that box.
CAPTION_TOP, CAPTION_BOTTOM = 135, 154

MODEL_BOX = (426, 82, 472, 124)
MODEL_NAMES = ("VCA", "FET", "OPTO")
SWITCHES = (  # box, image file, label on the panel
    ((66, 178, 98, 189), "hqswitch.png", "OVERSAMPLING"),
    ((116, 178, 177, 189), "analogswitch.png", "ANALOG"),
    ((192, 178, 256, 189), "extscswitch.png", "EXT SIDECHAIN"),
)

# Faders: the handle (12 x 14) moves along a 126 px travel starting at y = 16;
# its top is 16 + int(112 * (1 - v)) for the normalised value v.
FADER_TOP = 16
FADER_TRAVEL = 126
HANDLE_W, HANDLE_H = 12, 14
INPUT_FADER_X = 30
OUTPUT_FADER_X = 524
GAIN_MIN_DB, GAIN_MAX_DB = -60.0, 30.0
FADER_MARKS_DB = (30, 20, 10, 0, -10, -20, -30, -40, -50, -60)

PEAK_METERS = ((14, 16, 19, 142), (22, 16, 27, 142), (508, 16, 513, 142), (516, 16, 521, 142))

# Gain-reduction meter: 20 segments, 5 px wide every 10 px, lit from the right;
# segment k (20 = leftmost ... 1 = rightmost) shows k dB of reduction.
GR_BOX = (226, 19, 421, 31)
GR_SEGMENTS = 20
GR_PITCH = 10
GR_SEGMENT_W = 5
GR_MARKS = (20, 15, 10, 5, 3, 1)

# The plug-in centres "v1.2.5" (12 px) on x = 445 with its top at y = 180.
VERSION_X, VERSION_TOP = 445, 180

# --- Palette ------------------------------------------------------------------


def rgb(r, g, b, a=1.0):
    return (r / 255.0, g / 255.0, b / 255.0, a)


PLATE_TOP = (50, 52, 57)
PLATE_BOTTOM = (36, 37, 41)
INK = rgb(222, 220, 212)           # silk-screened legends
INK_DIM = rgb(150, 150, 146)       # scale figures and ticks
AMBER = rgb(240, 178, 74)          # the one accent: 0 dB, lit lamps, brand
WELL = rgb(9, 9, 11)               # recessed windows and meter slots

FONT = "Liberation Sans"


# --- Deterministic grain --------------------------------------------------------


class XorShift32:
    """A small fixed-seed generator, so the grain never depends on Python's."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def uniform(self):
        """In [-1, 1)."""
        return self.next() / 2147483648.0 - 1.0


def brushed_grain(width, height, seed, streak=24):
    """Horizontal brushing: per-row noise smeared along x by a running mean of
    `streak` pixels, plus a slow per-row offset. Values roughly in [-1, 1]."""
    gen = XorShift32(seed)
    rows = []
    for _ in range(height):
        raw = [gen.uniform() for _ in range(width + streak)]
        acc = sum(raw[:streak])
        row_offset = 0.45 * gen.uniform()
        row = []
        for x in range(width):
            row.append(acc / streak * 2.2 + row_offset)
            acc += raw[x + streak] - raw[x]
        rows.append(row)
    return rows


# --- Drawing helpers --------------------------------------------------------------


def new_surface(width, height):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    ctx = cairo.Context(surface)
    options = cairo.FontOptions()
    # Fixed rendering options: the desktop's fontconfig settings must not
    # change the pixels.
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_SLIGHT)
    options.set_hint_metrics(cairo.HINT_METRICS_OFF)
    options.set_subpixel_order(cairo.SUBPIXEL_ORDER_DEFAULT)
    ctx.set_font_options(options)
    return surface, ctx


def set_font(ctx, size, bold=True, condense=1.0):
    ctx.select_font_face(FONT, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_matrix(cairo.Matrix(xx=size * condense, yy=size))


def text_width(ctx, text, tracking=0.0):
    return sum(ctx.text_extents(ch).x_advance for ch in text) + tracking * (len(text) - 1)


def draw_text(ctx, text, x, baseline, colour, align="centre", tracking=0.0, shadow=0.55):
    """Letter-spaced text with a faint cast shadow below, the way screen-printed
    legends on an anodised plate catch the light. `x` is the left edge, the
    centre or the right edge according to `align`."""
    width = text_width(ctx, text, tracking) if tracking else ctx.text_extents(text).x_advance
    if align == "centre":
        x -= width / 2.0
    elif align == "right":
        x -= width
    for dy, paint in ((0.8, (0, 0, 0, shadow)), (0.0, colour)):
        if paint[3] <= 0:
            continue
        ctx.set_source_rgba(*paint)
        # Outlines rather than cached glyphs: the glyph cache snaps every
        # letter to a whole pixel, which spaces small letter-spaced capitals
        # unevenly; outlines keep their exact advance.
        if not tracking:
            ctx.move_to(x, baseline + dy)
            ctx.text_path(text)
        else:
            pen = x
            for ch in text:
                ctx.move_to(pen, baseline + dy)
                ctx.text_path(ch)
                pen += ctx.text_extents(ch).x_advance + tracking
        ctx.fill()
    return width


def rounded_rect(ctx, x0, y0, x1, y1, r):
    ctx.new_sub_path()
    ctx.arc(x1 - r, y0 + r, r, -math.pi / 2, 0)
    ctx.arc(x1 - r, y1 - r, r, 0, math.pi / 2)
    ctx.arc(x0 + r, y1 - r, r, math.pi / 2, math.pi)
    ctx.arc(x0 + r, y0 + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def recessed_well(ctx, x0, y0, x1, y1, r=2.0, fill=WELL):
    """A window cut into the plate: dark inside, a shadowed upper lip and a
    lit lower lip."""
    rounded_rect(ctx, x0 - 1, y0 - 1, x1 + 1, y1 + 1, r + 1)
    lip = cairo.LinearGradient(0, y0 - 1, 0, y1 + 1)
    lip.add_color_stop_rgba(0.0, 0, 0, 0, 0.55)
    lip.add_color_stop_rgba(1.0, 1, 1, 1, 0.16)
    ctx.set_source(lip)
    ctx.fill()
    rounded_rect(ctx, x0, y0, x1, y1, r)
    ctx.set_source_rgba(*fill)
    ctx.fill()
    # Inner shadow along the top edge.
    rounded_rect(ctx, x0, y0, x1, y1, r)
    ctx.save()
    ctx.clip()
    shade = cairo.LinearGradient(0, y0, 0, y0 + 3)
    shade.add_color_stop_rgba(0, 0, 0, 0, 0.6)
    shade.add_color_stop_rgba(1, 0, 0, 0, 0)
    ctx.set_source(shade)
    ctx.paint()
    ctx.restore()


def screw(ctx, cx, cy, angle_deg):
    """A countersunk cross-head screw lit from the top left."""
    ctx.arc(cx, cy + 0.6, 4.2, 0, 2 * math.pi)
    ctx.set_source_rgba(0, 0, 0, 0.45)
    ctx.fill()
    head = cairo.RadialGradient(cx - 1.4, cy - 1.6, 0.3, cx, cy, 3.8)
    head.add_color_stop_rgb(0.0, *[c / 255 for c in (206, 208, 212)])
    head.add_color_stop_rgb(0.6, *[c / 255 for c in (126, 128, 133)])
    head.add_color_stop_rgb(1.0, *[c / 255 for c in (70, 71, 75)])
    ctx.arc(cx, cy, 3.6, 0, 2 * math.pi)
    ctx.set_source(head)
    ctx.fill()
    ctx.save()
    ctx.translate(cx, cy)
    ctx.rotate(math.radians(angle_deg))
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    for dx, dy in ((1, 0), (0, 1)):
        ctx.move_to(-2.3 * dx, -2.3 * dy)
        ctx.line_to(2.3 * dx, 2.3 * dy)
    ctx.set_line_width(1.1)
    ctx.set_source_rgba(0.08, 0.08, 0.09, 0.95)
    ctx.stroke()
    ctx.restore()


def fader_centre_y(db):
    """Where the handle's centre sits for a gain of `db`: the plug-in draws the
    handle's top at 16 + int(112 * (1 - v)), v the value normalised linearly
    over -60..+30 dB, and the centre is 7 px lower."""
    v = (db - GAIN_MIN_DB) / (GAIN_MAX_DB - GAIN_MIN_DB)
    span = FADER_TRAVEL - HANDLE_H
    return FADER_TOP + int(span * (1.0 - v)) + HANDLE_H // 2


def gr_segment_centre_x(k):
    """Centre of the segment that lights at k dB of reduction."""
    left = GR_BOX[0] + (GR_SEGMENTS - k) * GR_PITCH
    return left + GR_SEGMENT_W / 2.0


def dB_label(db):
    if db > 0:
        return "+%d" % db
    if db < 0:
        return "\u2212%d" % -db  # a true minus sign
    return "0"


# --- Background -----------------------------------------------------------------


def plate_pixels(surface):
    """Anodised plate: a soft top-to-bottom gradient, a broad diagonal sheen
    and horizontal brushing, written straight into the surface."""
    grain = brushed_grain(PANEL_W, PANEL_H, seed=0x4B6F7276)
    stride = surface.get_stride()
    data = surface.get_data()
    for y in range(PANEL_H):
        t = y / (PANEL_H - 1)
        base = [PLATE_TOP[i] + (PLATE_BOTTOM[i] - PLATE_TOP[i]) * t for i in range(3)]
        row = grain[y]
        for x in range(PANEL_W):
            sheen = 5.0 * math.exp(-((x - 0.9 * y - 170) / 210.0) ** 2)
            lift = sheen + 2.6 * row[x]
            r, g, b = (max(0, min(255, int(round(c + lift)))) for c in base)
            off = y * stride + x * 4
            data[off:off + 4] = bytes((b, g, r, 255))  # premultiplied BGRA, opaque
    surface.mark_dirty()


def draw_plate_edges(ctx):
    # Bevel: a lit top/left edge, a shadowed bottom/right edge.
    ctx.set_line_width(1.0)
    for (x0, y0, x1, y1), colour in (
            ((0.5, 0.5, PANEL_W - 0.5, 0.5), (1, 1, 1, 0.22)),
            ((0.5, 0.5, 0.5, PANEL_H - 0.5), (1, 1, 1, 0.14)),
            ((0.5, PANEL_H - 0.5, PANEL_W - 0.5, PANEL_H - 0.5), (0, 0, 0, 0.7)),
            ((PANEL_W - 0.5, 0.5, PANEL_W - 0.5, PANEL_H - 0.5), (0, 0, 0, 0.6))):
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.set_source_rgba(*colour)
        ctx.stroke()
    for (x0, y0, x1, y1), colour in (
            ((1.5, 1.5, PANEL_W - 1.5, 1.5), (1, 1, 1, 0.06)),
            ((1.5, PANEL_H - 1.5, PANEL_W - 1.5, PANEL_H - 1.5), (0, 0, 0, 0.3))):
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.set_source_rgba(*colour)
        ctx.stroke()


def engraved_hline(ctx, x0, x1, y):
    """A hairline groove: dark row y, lit row y + 1."""
    for dy, colour in ((0.5, (0, 0, 0, 0.5)), (1.5, (1, 1, 1, 0.07))):
        ctx.move_to(x0, y + dy)
        ctx.line_to(x1, y + dy)
        ctx.set_source_rgba(*colour)
        ctx.set_line_width(1.0)
        ctx.stroke()


def scale_tick(ctx, x0, x1, y, colour):
    """A 1 px tick in row y - 1 over a dark row y: the pair is centred on y,
    exactly like the handle's index line, so the two meet edge to edge."""
    ctx.rectangle(x0, y - 1, x1 - x0, 1)
    ctx.set_source_rgba(*colour)
    ctx.fill()
    ctx.rectangle(x0, y, x1 - x0, 1)
    ctx.set_source_rgba(0, 0, 0, 0.55)
    ctx.fill()


def draw_fader_section(ctx, fader_x, meter_boxes, numbers_side, title):
    """Meter well, fader slot with its scale and the section title.

    numbers_side is +1 when the figures stand right of the fader (input) and -1
    when they stand left of the meters (output)."""
    mx0 = min(b[0] for b in meter_boxes)
    mx1 = max(b[2] for b in meter_boxes)
    recessed_well(ctx, mx0 - 2, FADER_TOP - 2, mx1 + 2, FADER_TOP + FADER_TRAVEL + 2, r=1.5,
                  fill=rgb(22, 22, 25))
    for (x0, y0, x1, y1) in meter_boxes:
        ctx.rectangle(x0, y0, x1 - x0, y1 - y0)
        ctx.set_source_rgba(*WELL)
        ctx.fill()
    # Faint level marks between the two meter slots every eighth of the height.
    gap_x = meter_boxes[0][2]
    for i in range(1, 8):
        y = FADER_TOP + round(i * FADER_TRAVEL / 8)
        ctx.rectangle(gap_x + 0.5, y, 2, 1)
        ctx.set_source_rgba(1, 1, 1, 0.10)
        ctx.fill()

    centre_x = fader_x + HANDLE_W // 2
    top = fader_centre_y(GAIN_MAX_DB)
    bottom = fader_centre_y(GAIN_MIN_DB)
    # Scale lines across the fader's track, behind the handle.
    for db in FADER_MARKS_DB:
        y = fader_centre_y(db)
        strong = db == 0
        colour = AMBER if strong else rgb(150, 150, 146, 0.9)
        scale_tick(ctx, fader_x, centre_x - 3, y, colour)
        scale_tick(ctx, centre_x + 3, fader_x + HANDLE_W, y, colour)
    # The slot itself.
    recessed_well(ctx, centre_x - 2, top - 6, centre_x + 2, bottom + 6, r=1.5,
                  fill=rgb(4, 4, 5))

    set_font(ctx, 6.6, bold=True, condense=0.92)
    for db in FADER_MARKS_DB:
        y = fader_centre_y(db)
        strong = db == 0
        colour = AMBER if strong else INK_DIM
        if numbers_side > 0:
            tick_x0, tick_x1 = fader_x + HANDLE_W + 1, fader_x + HANDLE_W + (5 if strong else 3)
            text_x, align = fader_x + HANDLE_W + 6.5, "left"
        else:
            tick_x1, tick_x0 = mx0 - 3, mx0 - (7 if strong else 5)
            text_x, align = mx0 - 8.5, "right"
        scale_tick(ctx, tick_x0, tick_x1, y, colour)
        draw_text(ctx, dB_label(db), text_x, y + 2.4, colour, align=align, shadow=0.45)

    set_font(ctx, 7.0, bold=True)
    group_x0 = min(mx0, fader_x)
    group_x1 = max(mx1, fader_x + HANDLE_W)
    draw_text(ctx, title, (group_x0 + group_x1) / 2.0, 156.5, INK, tracking=0.7)
    set_font(ctx, 5.6, bold=True)
    for (x0, _, x1, _), name in zip(meter_boxes, "LR"):
        draw_text(ctx, name, (x0 + x1) / 2.0, FADER_TOP - 4.5, INK_DIM, shadow=0.35)


def draw_knob_scales(ctx):
    set_font(ctx, 7.0, bold=True)
    for x, label in KNOBS:
        cx, cy = x + KNOB_SIZE / 2.0, KNOB_Y + KNOB_SIZE / 2.0
        draw_text(ctx, label, cx, KNOB_Y - 5.5, INK, tracking=0.55)
        # Tick ring on the plate, outside the knob's skirt: 11 marks over the
        # pointer's 270 degree sweep, the ends longer.
        for i in range(11):
            a = math.radians(KNOB_MIN_DEG + KNOB_SWEEP_DEG * i / 10)
            end = i in (0, 10)
            r0, r1 = 24.0, 27.2 if end else 26.2
            sx, sy = math.sin(a), -math.cos(a)
            ctx.move_to(cx + r0 * sx, cy + r0 * sy)
            ctx.line_to(cx + r1 * sx, cy + r1 * sy)
            ctx.set_line_width(1.3 if end else 1.0)
            ctx.set_source_rgba(*(INK if end else rgb(170, 170, 166, 0.85)))
            ctx.stroke()
        # Value read-out window, under the plug-in's caption text.
        recessed_well(ctx, x + 1, CAPTION_TOP, x + KNOB_SIZE - 1, CAPTION_BOTTOM, r=2.0,
                      fill=rgb(14, 14, 16))


def draw_gain_reduction_scale(ctx):
    x0, y0, x1, y1 = GR_BOX
    recessed_well(ctx, x0 - 5, y0 - 4, x1 + 5, y1 + 4, r=2.5)
    set_font(ctx, 6.6, bold=True, condense=0.92)
    for k in range(1, GR_SEGMENTS + 1):
        cx = gr_segment_centre_x(k)
        marked = k in GR_MARKS
        ctx.rectangle(cx - 0.5, y1 + 6, 1, 3 if marked else 1.5)
        ctx.set_source_rgba(*(INK_DIM if marked else rgb(150, 150, 146, 0.55)))
        ctx.fill()
        if marked:
            draw_text(ctx, str(k), cx, y1 + 16.0, INK_DIM, shadow=0.45)
    draw_text(ctx, "dB", x1 + 12, y1 + 16.0, INK_DIM, shadow=0.45)
    set_font(ctx, 7.0, bold=True)
    draw_text(ctx, "GAIN REDUCTION", (x0 + x1) / 2.0, y0 - 7.5, INK, tracking=0.9)


def draw_model_frame(ctx):
    x0, y0, x1, y1 = MODEL_BOX
    recessed_well(ctx, x0 - 3, y0 - 3, x1 + 3, y1 + 3, r=3.0)
    set_font(ctx, 7.0, bold=True)
    draw_text(ctx, "MODEL", (x0 + x1) / 2.0, KNOB_Y - 5.5, INK, tracking=0.55)


def draw_switch_labels(ctx):
    set_font(ctx, 6.6, bold=True)
    for (x0, y0, x1, y1), _, label in SWITCHES:
        draw_text(ctx, label, (x0 + x1) / 2.0, y0 - 4.5, INK, tracking=0.5)
        recessed_well(ctx, x0 - 1, y0 - 1, x1 + 1, y1 + 1, r=2.0)


def draw_brand(ctx):
    # Product name, top left, level with the gain-reduction window.
    left, baseline, right = 67.0, 32.0, GR_BOX[0] - 14.0
    set_font(ctx, 20.0, bold=True, condense=0.94)
    size = 20.0 * (right - left) / ctx.text_extents("BraskoKorvala").x_advance
    set_font(ctx, size, bold=True, condense=0.94)
    w1 = ctx.text_extents("Brasko").x_advance
    draw_text(ctx, "Brasko", left, baseline, INK, align="left", shadow=0.6)
    draw_text(ctx, "Korvala", left + w1, baseline, AMBER, align="left", shadow=0.6)
    # Nameplate line at the bottom right, on the version text's baseline.
    set_font(ctx, 7.0, bold=True)
    draw_text(ctx, "STEREO COMPRESSOR", VERSION_X - 26, VERSION_TOP + 10.5, INK_DIM,
              align="right", tracking=1.4, shadow=0.45)


def draw_background():
    surface, ctx = new_surface(PANEL_W, PANEL_H)
    plate_pixels(surface)
    draw_plate_edges(ctx)
    for cx, cy, angle in ((6.5, 6.5, 20), (PANEL_W - 6.5, 6.5, 65),
                          (6.5, PANEL_H - 6.5, 110), (PANEL_W - 6.5, PANEL_H - 6.5, 155)):
        screw(ctx, cx, cy, angle)
    draw_brand(ctx)
    draw_gain_reduction_scale(ctx)
    draw_knob_scales(ctx)
    draw_model_frame(ctx)
    draw_switch_labels(ctx)
    draw_fader_section(ctx, INPUT_FADER_X, PEAK_METERS[:2], +1, "INPUT")
    draw_fader_section(ctx, OUTPUT_FADER_X, PEAK_METERS[2:], -1, "OUTPUT")
    # Grooves framing the control area.
    engraved_hline(ctx, 66, 480, 160)
    return surface


# --- Knob strip -----------------------------------------------------------------


def knob_cap_surface():
    """The knob's machined aluminium cap, independent of rotation: concentric
    turning marks and the anisotropic highlight of spun metal, which stays put
    while the knob turns. Supersampled 4 x 4 per pixel."""
    size = KNOB_SIZE
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, size, size)
    stride = surface.get_stride()
    data = surface.get_data()
    c = size / 2.0
    gen = XorShift32(0x6B6E6F62)
    rings = [gen.uniform() for _ in range(200)]
    for py in range(size):
        for px in range(size):
            acc = 0.0
            for sy in range(4):
                for sx in range(4):
                    dx = px + (sx + 0.5) / 4 - c
                    dy = py + (sy + 0.5) / 4 - c
                    r = math.hypot(dx, dy)
                    theta = math.atan2(dy, dx)
                    # Two broad reflections, brightest towards upper left and
                    # lower right, as on a spun cap under a single light.
                    gloss = 0.5 + 0.5 * math.cos(2 * (theta + math.radians(45)))
                    ring = rings[min(199, int(r * 12))]
                    acc += 118 + 92 * gloss ** 2.0 + 9 * ring - 1.5 * r
            v = max(0, min(255, int(round(acc / 16))))
            off = py * stride + px * 4
            data[off:off + 4] = bytes((min(255, v + 4), min(255, v + 2), v, 255))
    surface.mark_dirty()
    return surface


def draw_knob_frame(ctx, cap, angle_deg):
    c = KNOB_SIZE / 2.0
    skirt_r, body_r, cap_r = 21.0, 17.2, 12.2
    # Contact shadow on the plate, kept inside the tick ring.
    shadow = cairo.RadialGradient(c, c + 1.8, skirt_r - 2, c, c + 1.8, skirt_r + 2.4)
    shadow.add_color_stop_rgba(0, 0, 0, 0, 0.65)
    shadow.add_color_stop_rgba(1, 0, 0, 0, 0)
    ctx.arc(c, c + 1.8, skirt_r + 2.4, 0, 2 * math.pi)
    ctx.set_source(shadow)
    ctx.fill()

    # Skirt: black anodised, lit from above.
    skirt = cairo.LinearGradient(0, c - skirt_r, 0, c + skirt_r)
    skirt.add_color_stop_rgb(0.0, *[v / 255 for v in (74, 75, 80)])
    skirt.add_color_stop_rgb(0.5, *[v / 255 for v in (30, 31, 34)])
    skirt.add_color_stop_rgb(1.0, *[v / 255 for v in (16, 16, 18)])
    ctx.arc(c, c, skirt_r, 0, 2 * math.pi)
    ctx.set_source(skirt)
    ctx.fill()
    # Knurling: 48 ridges turning with the knob; each ridge's brightness
    # follows where it faces relative to the fixed light above.
    ctx.save()
    ctx.arc(c, c, skirt_r - 0.4, 0, 2 * math.pi)
    ctx.clip()
    ridges = 48
    for i in range(ridges):
        a = math.radians(angle_deg) + 2 * math.pi * i / ridges
        facing = math.cos(a)  # 1 at the top
        sx, sy = math.sin(a), -math.cos(a)
        ctx.move_to(c + (body_r - 0.5) * sx, c + (body_r - 0.5) * sy)
        ctx.line_to(c + skirt_r * sx, c + skirt_r * sy)
        ctx.set_line_width(0.9)
        ctx.set_source_rgba(1, 1, 1, 0.06 + 0.16 * max(0.0, facing))
        ctx.stroke()
    ctx.restore()
    # Rim highlight on the skirt's upper edge.
    ctx.arc(c, c, skirt_r - 0.5, math.radians(200), math.radians(340))
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(1, 1, 1, 0.22)
    ctx.stroke()

    # Body: a raised step between skirt and cap.
    ctx.arc(c, c + 0.8, body_r, 0, 2 * math.pi)
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.fill()
    body = cairo.LinearGradient(0, c - body_r, 0, c + body_r)
    body.add_color_stop_rgb(0.0, *[v / 255 for v in (62, 63, 68)])
    body.add_color_stop_rgb(1.0, *[v / 255 for v in (14, 14, 16)])
    ctx.arc(c, c, body_r, 0, 2 * math.pi)
    ctx.set_source(body)
    ctx.fill()

    # Cap, with a dark chamfer ring.
    ctx.arc(c, c, cap_r + 0.9, 0, 2 * math.pi)
    chamfer = cairo.LinearGradient(0, c - cap_r, 0, c + cap_r)
    chamfer.add_color_stop_rgb(0.0, *[v / 255 for v in (20, 20, 22)])
    chamfer.add_color_stop_rgb(1.0, *[v / 255 for v in (120, 121, 125)])
    ctx.set_source(chamfer)
    ctx.fill()
    ctx.save()
    ctx.arc(c, c, cap_r, 0, 2 * math.pi)
    ctx.clip()
    ctx.set_source_surface(cap, 0, 0)
    ctx.paint()
    ctx.restore()

    # Pointer: a white line on the body reaching the skirt's edge, continued
    # by an engraved groove on the cap.
    a = math.radians(angle_deg)
    sx, sy = math.sin(a), -math.cos(a)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.move_to(c + (cap_r + 2.2) * sx, c + (cap_r + 2.2) * sy)
    ctx.line_to(c + (skirt_r - 1.4) * sx, c + (skirt_r - 1.4) * sy)
    ctx.set_line_width(2.2)
    ctx.set_source_rgba(0.97, 0.96, 0.93, 1.0)
    ctx.stroke()
    ctx.move_to(c + 3.5 * sx, c + 3.5 * sy)
    ctx.line_to(c + (cap_r - 1.8) * sx, c + (cap_r - 1.8) * sy)
    ctx.set_line_width(1.6)
    ctx.set_source_rgba(0.1, 0.1, 0.11, 0.9)
    ctx.stroke()
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)


def draw_knob_strip():
    surface, ctx = new_surface(KNOB_SIZE, KNOB_SIZE * KNOB_FRAMES)
    cap = knob_cap_surface()
    for frame in range(KNOB_FRAMES):
        ctx.save()
        ctx.translate(0, frame * KNOB_SIZE)
        ctx.rectangle(0, 0, KNOB_SIZE, KNOB_SIZE)
        ctx.clip()
        angle = KNOB_MIN_DEG + KNOB_SWEEP_DEG * frame / (KNOB_FRAMES - 1)
        draw_knob_frame(ctx, cap, angle)
        ctx.restore()
    return surface


# --- Model selector, switches, fader handle ---------------------------------------


def lamp(ctx, cx, cy, radius, lit):
    if lit:
        glow = cairo.RadialGradient(cx, cy, 0, cx, cy, radius * 2.6)
        glow.add_color_stop_rgba(0, *AMBER[:3], 0.55)
        glow.add_color_stop_rgba(1, *AMBER[:3], 0.0)
        ctx.arc(cx, cy, radius * 2.6, 0, 2 * math.pi)
        ctx.set_source(glow)
        ctx.fill()
    ctx.arc(cx, cy, radius + 0.7, 0, 2 * math.pi)
    ctx.set_source_rgba(0, 0, 0, 0.8)
    ctx.fill()
    body = cairo.RadialGradient(cx - radius * 0.35, cy - radius * 0.4, 0, cx, cy, radius)
    if lit:
        body.add_color_stop_rgb(0, 1.0, 0.97, 0.85)
        body.add_color_stop_rgb(0.45, *AMBER[:3])
        body.add_color_stop_rgb(1, 0.70, 0.40, 0.08)
    else:
        body.add_color_stop_rgb(0, 0.36, 0.30, 0.22)
        body.add_color_stop_rgb(1, 0.13, 0.10, 0.07)
    ctx.arc(cx, cy, radius, 0, 2 * math.pi)
    ctx.set_source(body)
    ctx.fill()


def draw_model_selector():
    w, fh = MODEL_BOX[2] - MODEL_BOX[0], (MODEL_BOX[3] - MODEL_BOX[1])
    rows = len(MODEL_NAMES)
    band = fh // rows
    surface, ctx = new_surface(w, fh * rows)
    for frame in range(rows):
        ctx.save()
        ctx.translate(0, frame * fh)
        rounded_rect(ctx, 0, 0, w, fh, 2.5)
        face = cairo.LinearGradient(0, 0, 0, fh)
        face.add_color_stop_rgb(0, *[v / 255 for v in (24, 24, 27)])
        face.add_color_stop_rgb(1, *[v / 255 for v in (13, 13, 15)])
        ctx.set_source(face)
        ctx.fill()
        for row, name in enumerate(MODEL_NAMES):
            lit = row == frame
            y = row * band
            if lit:
                # The chosen row is backlit.
                rounded_rect(ctx, 1.5, y + 1.5, w - 1.5, y + band - 1.5, 2)
                ctx.set_source_rgba(*AMBER[:3], 0.13)
                ctx.fill()
            if row > 0:
                ctx.rectangle(3, y, w - 6, 1)
                ctx.set_source_rgba(1, 1, 1, 0.06)
                ctx.fill()
            lamp(ctx, 8.5, y + band / 2.0, 2.4, lit)
            set_font(ctx, 8.0, bold=True)
            colour = rgb(255, 236, 200) if lit else rgb(112, 112, 110)
            draw_text(ctx, name, 15.5, y + band / 2.0 + 3.0, colour, align="left", tracking=0.25,
                      shadow=0.7)
        ctx.restore()
    return surface


def draw_switch(width, height):
    """Two frames: off, then on. A small key with a lamp window across it."""
    surface, ctx = new_surface(width, height * 2)
    for frame in range(2):
        on = frame == 1
        ctx.save()
        ctx.translate(0, frame * height)
        rounded_rect(ctx, 0, 0, width, height, 2.0)
        key = cairo.LinearGradient(0, 0, 0, height)
        top, bottom = ((86, 87, 92), (44, 45, 49)) if not on else ((78, 79, 84), (40, 41, 45))
        key.add_color_stop_rgb(0, *[v / 255 for v in top])
        key.add_color_stop_rgb(1, *[v / 255 for v in bottom])
        ctx.set_source(key)
        ctx.fill()
        rounded_rect(ctx, 0.5, 0.5, width - 0.5, height - 0.5, 1.6)
        ctx.set_line_width(1.0)
        ctx.set_source_rgba(0, 0, 0, 0.6)
        ctx.stroke()
        ctx.move_to(2, 1.5)
        ctx.line_to(width - 2, 1.5)
        ctx.set_source_rgba(1, 1, 1, 0.18)
        ctx.stroke()
        # Lamp window.
        lx0, lx1, ly0, ly1 = 4, width - 4, 4, height - 4
        rounded_rect(ctx, lx0, ly0, lx1, ly1, 1.2)
        if on:
            lampfill = cairo.LinearGradient(0, ly0, 0, ly1)
            lampfill.add_color_stop_rgb(0, 1.0, 0.90, 0.62)
            lampfill.add_color_stop_rgb(1, *AMBER[:3])
        else:
            lampfill = cairo.LinearGradient(0, ly0, 0, ly1)
            lampfill.add_color_stop_rgb(0, 0.10, 0.08, 0.06)
            lampfill.add_color_stop_rgb(1, 0.20, 0.15, 0.09)
        ctx.set_source(lampfill)
        ctx.fill()
        if on:
            rounded_rect(ctx, lx0 - 1.5, ly0 - 1.5, lx1 + 1.5, ly1 + 1.5, 2.2)
            ctx.set_line_width(1.0)
            ctx.set_source_rgba(*AMBER[:3], 0.35)
            ctx.stroke()
        ctx.restore()
    return surface


def draw_fader_handle():
    surface, ctx = new_surface(HANDLE_W, HANDLE_H)
    w, h = HANDLE_W, HANDLE_H
    rounded_rect(ctx, 0, 0, w, h, 2.0)
    body = cairo.LinearGradient(0, 0, 0, h)
    body.add_color_stop_rgb(0.0, *[v / 255 for v in (150, 152, 157)])
    body.add_color_stop_rgb(0.48, *[v / 255 for v in (86, 88, 93)])
    body.add_color_stop_rgb(0.52, *[v / 255 for v in (60, 61, 66)])
    body.add_color_stop_rgb(1.0, *[v / 255 for v in (34, 35, 38)])
    ctx.set_source(body)
    ctx.fill()
    rounded_rect(ctx, 0.5, 0.5, w - 0.5, h - 0.5, 1.6)
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(0, 0, 0, 0.85)
    ctx.stroke()
    # Grip ridges above and below the index line.
    for y in (3, 5, 9, 11):
        ctx.rectangle(2, y, w - 4, 1)
        ctx.set_source_rgba(0, 0, 0, 0.35)
        ctx.fill()
        ctx.rectangle(2, y + 1, w - 4, 1)
        ctx.set_source_rgba(1, 1, 1, 0.10)
        ctx.fill()
    # Index line: lit row 6 over dark row 7, centred on the handle's centre
    # (7 px from its top), like the scale ticks beside the slot.
    ctx.rectangle(1, 6, w - 2, 1)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()
    ctx.rectangle(1, 7, w - 2, 1)
    ctx.set_source_rgba(0, 0, 0, 0.8)
    ctx.fill()
    return surface


# --- Output ---------------------------------------------------------------------


def images():
    """File name -> (surface, frame count)."""
    out = {"bg2.png": (draw_background(), 1),
           "knob.png": (draw_knob_strip(), KNOB_FRAMES),
           "modesel.png": (draw_model_selector(), len(MODEL_NAMES)),
           "faderhandle.png": (draw_fader_handle(), 1)}
    for (x0, y0, x1, y1), name, _ in SWITCHES:
        out[name] = (draw_switch(x1 - x0, y1 - y0), 2)
    return out


EXPECTED = {  # name -> width, height, frames
    "bg2.png": (552, 200, 1),
    "knob.png": (56, 3584, 64),
    "modesel.png": (46, 126, 3),
    "hqswitch.png": (32, 22, 2),
    "analogswitch.png": (61, 22, 2),
    "extscswitch.png": (64, 22, 2),
    "faderhandle.png": (12, 14, 1),
}


def png_bytes(surface):
    """The surface as an RGBA PNG (colour type 6, 8 bits, not interlaced).

    Written here rather than by cairo, which would store a fully opaque image
    as RGB. Each row takes the filter with the smallest sum of absolute
    differences; zlib runs at level 9. Nothing else goes into the file."""
    width, height = surface.get_width(), surface.get_height()
    stride = surface.get_stride()
    data = bytes(surface.get_data())
    rows = []
    for y in range(height):
        row = bytearray(width * 4)
        base = y * stride
        for x in range(width):
            b, g, r, a = data[base + 4 * x:base + 4 * x + 4]
            if a not in (0, 255):
                # cairo stores premultiplied colour; PNG wants it straight.
                r, g, b = ((c * 255 + a // 2) // a for c in (r, g, b))
            elif a == 0:
                r = g = b = 0
            row[4 * x:4 * x + 4] = bytes((r, g, b, a))
        rows.append(bytes(row))

    raw = bytearray()
    previous = bytes(width * 4)
    for row in rows:
        raw += best_filtered(row, previous)
        previous = row

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def best_filtered(row, previous, bpp=4):
    """The filter byte and filtered row among the five PNG filters that has
    the smallest sum of absolute (signed) differences."""
    n = len(row)
    sub = bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 0xFF for i in range(n))
    up = bytes((row[i] - previous[i]) & 0xFF for i in range(n))
    avg = bytes((row[i] - (((row[i - bpp] if i >= bpp else 0) + previous[i]) >> 1)) & 0xFF
                for i in range(n))
    paeth = bytearray(n)
    for i in range(n):
        a = row[i - bpp] if i >= bpp else 0
        b = previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        p = a + b - c
        pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
        predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        paeth[i] = (row[i] - predictor) & 0xFF
    candidates = ((0, row), (1, sub), (2, up), (3, avg), (4, bytes(paeth)))

    def cost(filtered):
        return sum(v if v < 128 else 256 - v for v in filtered)

    kind, best = min(candidates, key=lambda item: (cost(item[1]), item[0]))
    return bytes((kind,)) + best


def require_opaque(surface):
    """The background is copied without alpha by the plug-in; make every pixel
    opaque so nothing depends on that."""
    stride = surface.get_stride()
    data = surface.get_data()
    for y in range(surface.get_height()):
        for x in range(surface.get_width()):
            off = y * stride + x * 4 + 3
            if data[off] != 255:
                raise ValueError("background pixel %d,%d is not opaque" % (x, y))


def check_fonts():
    """Refuse to draw with a substitute face: the legends are meant in
    Liberation Sans, and a fallback would change every byte."""
    for style in ("Bold", "Regular"):
        try:
            family = subprocess.run(["fc-match", "-f", "%{family}", FONT + ":" + style.lower()],
                                    check=True, capture_output=True, text=True).stdout
        except (OSError, subprocess.CalledProcessError) as error:
            sys.exit("make_panel_art: cannot ask fontconfig for %s: %s" % (FONT, error))
        if FONT not in family.split(","):
            sys.exit("make_panel_art: %s %s is not installed (fontconfig offers %r); "
                     "run tools/setup.sh" % (FONT, style, family))


def write_all(out_dir):
    check_fonts()
    os.makedirs(out_dir, exist_ok=True)
    for name, (surface, _) in sorted(images().items()):
        if name == "bg2.png":
            require_opaque(surface)
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(png_bytes(surface))


def read_ihdr(data):
    """(width, height, bit depth, colour type, interlace) from a PNG's header."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    length, kind = struct.unpack(">I4s", data[8:16])
    if kind != b"IHDR" or length != 13:
        raise ValueError("first chunk is not IHDR")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    return width, height, depth, colour, interlace


def check(committed_dir):
    """Regenerates into a temporary folder and compares with committed_dir.
    Returns the list of problems (empty when everything matches)."""
    problems = []
    with tempfile.TemporaryDirectory(prefix="korvala-art-") as fresh_dir:
        write_all(fresh_dir)
        for name, (width, height, frames) in sorted(EXPECTED.items()):
            path = os.path.join(committed_dir, name)
            try:
                with open(path, "rb") as f:
                    committed = f.read()
            except OSError as error:
                problems.append("%s: %s" % (name, error))
                continue
            try:
                w, h, depth, colour, interlace = read_ihdr(committed)
            except (ValueError, struct.error) as error:
                problems.append("%s: %s" % (name, error))
                continue
            if (w, h) != (width, height):
                problems.append("%s: %dx%d, expected %dx%d" % (name, w, h, width, height))
            if h % frames:
                problems.append("%s: height %d is not %d equal frames" % (name, h, frames))
            if depth != 8 or colour != 6:
                problems.append("%s: bit depth %d colour type %d, expected 8-bit RGBA (6)"
                                % (name, depth, colour))
            if interlace:
                problems.append("%s: interlaced" % name)
            with open(os.path.join(fresh_dir, name), "rb") as f:
                if f.read() != committed:
                    problems.append("%s: differs from what tools/make_panel_art.py draws; "
                                    "run it and commit the result" % name)
    return problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_dir = os.path.join(os.path.dirname(here), "resources", "img")
    parser = argparse.ArgumentParser(description="Draw the panel images.")
    parser.add_argument("--out", default=default_dir, help="folder to write the PNGs into")
    parser.add_argument("--check", metavar="DIR",
                        help="compare freshly drawn images with the PNGs in DIR instead")
    args = parser.parse_args()
    if args.check:
        problems = check(args.check)
        for problem in problems:
            print("make_panel_art: " + problem, file=sys.stderr)
        if problems:
            return 1
        print("make_panel_art: %d images match" % len(EXPECTED))
        return 0
    write_all(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
