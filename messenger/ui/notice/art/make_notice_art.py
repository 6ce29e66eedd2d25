#!/usr/bin/env python3
"""Draws the lamp pictures and the arrival chime of the messenger's notice devices.

Writes, next to this script:
  lamp_back.png   40 x 40, 24-bit: the lamp silhouette in red on black; black
                  (the top-left pixel) is the key colour the window shape cuts away.
  lamp_strip.png  40 x 200, 24-bit: five 40 x 40 frames stacked top to bottom,
                  the lamp with its reflector turned to five positions, white
                  outside the silhouette.
  arrival.wav     a short two-tone chime, 22050 Hz, 16-bit mono PCM.

Only the standard library is used, so anyone can regenerate the files:
  python3 make_notice_art.py
"""

import math
import os
import struct
import wave
import zlib

SIDE = 40
FRAMES = 5
HERE = os.path.dirname(os.path.abspath(__file__))


def in_silhouette(x, y):
    """Whether pixel (x, y) of a 40 x 40 picture belongs to the lamp."""
    cx, cy = x + 0.5, y + 0.5
    knob = (cx - 20) ** 2 + (cy - 6) ** 2 <= 2.6 ** 2
    dome = ((cx - 20) / 11.5) ** 2 + ((cy - 26) / 18.0) ** 2 <= 1.0 and cy <= 30
    base = 6 <= cx <= 34 and 30 <= cy <= 35.5
    foot = 3 <= cx <= 37 and 35.5 <= cy <= 38
    return knob or dome or base or foot


def in_dome(x, y):
    cx, cy = x + 0.5, y + 0.5
    return ((cx - 20) / 11.5) ** 2 + ((cy - 26) / 18.0) ** 2 <= 1.0 and cy <= 30


def base_picture():
    rows = []
    for y in range(SIDE):
        row = []
        for x in range(SIDE):
            if not in_silhouette(x, y):
                row.append((0, 0, 0))
            elif in_dome(x, y):
                row.append((224, 16, 16))
            else:
                row.append((150, 0, 0))
        rows.append(row)
    return rows


def frame(k):
    """Frame k: the reflector's beam sweeps across the dome once per cycle."""
    phase = 2 * math.pi * k / FRAMES
    beam_x = 20 + 8.5 * math.sin(phase)
    facing = math.cos(phase) >= 0
    rows = []
    for y in range(SIDE):
        row = []
        for x in range(SIDE):
            if not in_silhouette(x, y):
                row.append((255, 255, 255))
                continue
            if not in_dome(x, y):
                row.append((120, 0, 0) if y < 36 else (70, 70, 70))
                continue
            cx = x + 0.5
            # Shading: the dome is lighter towards its left, where the light falls.
            shade = int(200 + 40 * (1 - abs(cx - 16) / 12))
            colour = (min(255, shade), 10, 10)
            d = abs(cx - beam_x)
            if d < 1.3:
                colour = (255, 255, 210) if facing else (255, 170, 60)
            elif d < 3.3:
                colour = (255, 220, 60) if facing else (240, 90, 20)
            row.append(colour)
        rows.append(row)
    return rows


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def write_chime(path):
    rate = 22050
    length = 0.75
    notes = [(880.0, 0.0), (659.25, 0.22)]  # A5 then E5: "ding-dong"
    samples = []
    for i in range(int(rate * length)):
        t = i / rate
        value = 0.0
        for freq, start in notes:
            if t < start:
                continue
            u = t - start
            attack = min(1.0, u / 0.005)
            envelope = attack * math.exp(-u / 0.16)
            value += envelope * (math.sin(2 * math.pi * freq * u) + 0.25 * math.sin(4 * math.pi * freq * u))
        samples.append(int(max(-1.0, min(1.0, 0.35 * value)) * 32767))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))


if __name__ == "__main__":
    write_png(os.path.join(HERE, "lamp_back.png"), base_picture())
    write_png(os.path.join(HERE, "lamp_strip.png"), [row for k in range(FRAMES) for row in frame(k)])
    write_chime(os.path.join(HERE, "..", "arrival.wav"))
