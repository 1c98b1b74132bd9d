#!/usr/bin/env python3
"""Writes the seven panel images into resources/img/ as placeholders.

Each has the size and frame layout the panel expects (8-bit RGBA, PNG colour
type 6, not interlaced), with frames stacked vertically and told apart by
their drawing, so that a wrong frame or a wrong strip is visible. The real
artwork replaces these files one by one; the resource script does not change.
Only the standard library is used: the PNG stream is written by hand.
"""
import math
import os
import struct
import sys
import zlib


def png_bytes(width, height, pixel):
    """pixel(x, y) -> (r, g, b, a); returns the file's bytes."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type None
        for x in range(width):
            raw.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def background(x, y):
    shade = 40 + (y * 24) // 200
    if y < 2 or y >= 198 or x < 2 or x >= 550:
        return (90, 90, 90, 255)
    return (shade, shade, shade + 4, 255)


def knob(x, y):
    # 64 frames of 56 x 56: a disc with a pointer from -135 deg (frame 0)
    # to +135 deg (frame 63), clockwise, 0 deg pointing up.
    frame, fy = divmod(y, 56)
    cx = cy = 27.5
    dx, dy = x - cx, fy - cy
    r = math.hypot(dx, dy)
    if r > 24:
        return (0, 0, 0, 0)
    angle = math.radians(-135 + 270 * frame / 63)
    px, py = math.sin(angle), -math.cos(angle)
    along = dx * px + dy * py
    across = abs(dx * py - dy * px)
    if 6 < along < 22 and across < 2:
        return (230, 230, 230, 255)
    edge = 255 if r < 23 else 128
    return (70, 72, 78, edge)


def switch(frames, frame_height, width):
    # Frame k lights the k-th of `frames` segments; used by the model
    # selector (3 bands) and the two-state switches (off, on).
    def pixel(x, y):
        frame, fy = divmod(y, frame_height)
        if fy == 0 or fy == frame_height - 1 or x == 0 or x == width - 1:
            return (20, 20, 20, 255)
        if frames == 2:
            lit = (x >= width // 2) == (frame == 1)
        else:
            lit = fy * frames // frame_height == frame
        return (200, 150, 40, 255) if lit else (60, 60, 60, 255)
    return pixel


def fader_handle(x, y):
    if y in (6, 7):
        return (240, 240, 240, 255)
    return (110, 110, 115, 255)


IMAGES = [
    ("bg2.png", 552, 200, background),
    ("knob.png", 56, 56 * 64, knob),
    ("modesel.png", 46, 42 * 3, switch(3, 42, 46)),
    ("hqswitch.png", 32, 11 * 2, switch(2, 11, 32)),
    ("analogswitch.png", 61, 11 * 2, switch(2, 11, 61)),
    ("faderhandle.png", 12, 14, fader_handle),
    ("extscswitch.png", 64, 11 * 2, switch(2, 11, 64)),
]


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "img")
    os.makedirs(out, exist_ok=True)
    for name, width, height, pixel in IMAGES:
        with open(os.path.join(out, name), "wb") as f:
            f.write(png_bytes(width, height, pixel))
    return 0


if __name__ == "__main__":
    sys.exit(main())
