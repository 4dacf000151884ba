#!/usr/bin/env python3
"""Writes the images of samples/crate.mod: planks.tga (a 64 x 64 wooden crate
side with a frame and a diagonal brace, 24 bits), sky.tga (a 32 x 32 sky and
horizon for the reflection of the lid, 24 bits) and badge.tga (a 32 x 32 badge
on magenta, the colour key of its layer, 32 bits)."""
import math
import os
import struct


def write(name, width, height, pixel, bits=24):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, bits, 8 if bits == 32 else 0)
    data = bytearray()
    for y in reversed(range(height)):  # rows from the bottom
        for x in range(width):
            r, g, b = pixel(x, y)
            data += bytes((b, g, r)) + (b"\xff" if bits == 32 else b"")
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), "wb") as f:
        f.write(header + data)


def planks(x, y):
    frame = x < 6 or x > 57 or y < 6 or y > 57
    brace = abs(x - y) < 5
    grain = 18 * math.sin(y * 0.9 + 3 * math.sin(x * 0.15))
    seam = (y % 13) == 0
    base = (150, 100, 52) if (frame or brace) else (196, 146, 84)
    shade = -40 if seam and not (frame or brace) else 0
    return tuple(max(0, min(255, int(c + grain + shade))) for c in base)


def sky(x, y):
    if y < 20:
        t = y / 20.0
        return (int(90 + 120 * t), int(150 + 80 * t), 255)
    return (70, 110, 60)


def badge(x, y):
    dx, dy = x - 15.5, y - 15.5
    r = math.hypot(dx, dy)
    if r > 14:
        return (255, 0, 255)
    if r > 11:
        return (220, 180, 40)
    star = abs(dx) + abs(dy) < 8 or (abs(dx) < 2 or abs(dy) < 2) and r < 10
    return (250, 250, 240) if star else (180, 30, 30)


write("planks.tga", 64, 64, planks)
write("sky.tga", 32, 32, sky)
write("badge.tga", 32, 32, badge, 32)
