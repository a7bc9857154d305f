#!/usr/bin/env python3
"""Writes Brasklin's default wave shapes.

Each shape is one cycle spread over 44100 samples, stored as a mono 16-bit
44100 Hz wave file and peak-normalised to full scale, plus the list file
WaveShapes.txt that names them in order. The output is committed under
resources/shapes; run this again only to change the set:

    python3 tools/shapegen/shapegen.py resources/shapes
"""

import math
import os
import struct
import sys
import wave

CYCLE = 44100
FULL_SCALE = 32767


def naive(fn):
    """A shape given directly as a function of the phase 0 <= x < 1."""
    return [fn(j / CYCLE) for j in range(CYCLE)]


def additive(partials):
    """A sum of sines: partials is a list of (harmonic, amplitude, phase)."""
    return [
        sum(a * math.sin(2.0 * math.pi * h * j / CYCLE + p) for h, a, p in partials)
        for j in range(CYCLE)
    ]


def soft_saw(harmonics=24):
    # Fourier series of a falling saw, tapered with Lanczos sigma factors so
    # the top of the spectrum rolls off instead of ringing (no Gibbs ears).
    partials = []
    for h in range(1, harmonics + 1):
        x = math.pi * h / (harmonics + 1)
        sigma = math.sin(x) / x
        partials.append((h, sigma / h, 0.0))
    return additive(partials)


def organ():
    # Drawbar-like registration: 8', 4', 2 2/3', 2', 1 3/5' and 1' pipes.
    return additive([(1, 1.0, 0.0), (2, 0.8, 0.0), (3, 0.6, 0.0), (4, 0.45, 0.0), (5, 0.2, 0.0), (8, 0.3, 0.0)])


def vowel(fundamental=110.0, formants=((730.0, 90.0, 1.0), (1090.0, 110.0, 0.5), (2440.0, 170.0, 0.25))):
    # An "ah": harmonics of a low voice weighted by three resonance peaks
    # (centre, bandwidth, gain) in Hz, as a formant synthesiser would.
    partials = []
    for h in range(1, 40):
        f = h * fundamental
        gain = 0.0
        for centre, bandwidth, weight in formants:
            gain += weight / (1.0 + ((f - centre) / (bandwidth / 2.0)) ** 2)
        partials.append((h, gain / h ** 0.5, 0.0))
    return additive(partials)


SHAPES = [
    ("Sine", naive(lambda x: math.sin(2.0 * math.pi * x))),
    ("Triangle", naive(lambda x: 4.0 * x if x < 0.25 else (2.0 - 4.0 * x if x < 0.75 else 4.0 * x - 4.0))),
    ("Saw", naive(lambda x: 2.0 * x if x < 0.5 else 2.0 * x - 2.0)),
    ("Square", naive(lambda x: 1.0 if x < 0.5 else -1.0)),
    ("Pulse25", naive(lambda x: 1.0 if x < 0.25 else -1.0)),
    ("SoftSaw", soft_saw()),
    ("Organ", organ()),
    ("Vowel", vowel()),
]


def normalise(samples):
    # Remove any offset first so the peak measures the swing, then scale the
    # larger excursion to full scale.
    mean = sum(samples) / len(samples)
    centred = [s - mean for s in samples]
    peak = max(abs(s) for s in centred)
    return [max(-FULL_SCALE, min(FULL_SCALE, round(s * FULL_SCALE / peak))) for s in centred]


def write_wave(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(CYCLE)
        out.writeframes(struct.pack("<%dh" % len(samples), *samples))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: shapegen.py <output folder>\n")
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    names = []
    for name, samples in SHAPES:
        file_name = name + ".wav"
        write_wave(os.path.join(folder, file_name), normalise(samples))
        names.append(file_name)
    # Entries written one after another: anything between a semicolon and
    # the next name, even a line break, would belong to that name.
    with open(os.path.join(folder, "WaveShapes.txt"), "wb") as listing:
        listing.write("".join(n + ";" for n in names).encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
