#!/usr/bin/env python3
"""Writes orbel.wav, the default sound of a new lunar phase: a soft two-tone
chime (a high note, then a lower one a fifth below), each a bell-like tone
of a few partials with an exponential decay. Deterministic: the same bytes on
every run.

    python3 ports/qt/assets/makeChime.py [OUT.wav]
"""
import math
import struct
import sys
import wave

RATE = 22050
# (start in s, fundamental in Hz, length in s, loudness)
NOTES = [(0.00, 1318.51, 0.9, 0.55),  # E6
         (0.32, 880.00, 1.2, 0.60)]   # A5
# A struck bell: partials above the fundamental, each fading faster.
PARTIALS = [(1.0, 1.0, 3.2), (2.0, 0.35, 5.0), (3.01, 0.12, 7.5)]
ATTACK = 0.004  # s, so the note starts without a click
LENGTH = max(start + length for start, _, length, _ in NOTES)


def sample(t):
    total = 0.0
    for start, freq, length, loud in NOTES:
        u = t - start
        if u < 0 or u > length:
            continue
        envelope = min(1.0, u / ATTACK) * (1.0 - u / length) ** 2
        for ratio, weight, decay in PARTIALS:
            total += loud * weight * envelope * math.exp(-decay * u) * math.sin(
                2 * math.pi * freq * ratio * u)
    return total


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "orbel.wav"
    frames = [sample(i / RATE) for i in range(int(LENGTH * RATE))]
    peak = max(abs(f) for f in frames) or 1.0
    data = b"".join(struct.pack("<h", int(round(f / peak * 0.7 * 32767))) for f in frames)
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data)


if __name__ == "__main__":
    main()
