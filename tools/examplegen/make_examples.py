#!/usr/bin/env python3
"""Writes the example inputs shipped under examples/.

melody.wav: a short sung-like phrase, a band-limited buzz with a voice-like
spectral tilt, vibrato, soft note onsets and short glides between notes, so
the pitch tracker has something musical to follow. Deterministic: the same
file every run (the breath noise uses a fixed seed).
"""
import math
import random
import struct
import sys
import wave
from pathlib import Path

RATE = 44100

# (MIDI note, beats); 0 is a rest. About 4.5 s at 100 bpm.
PHRASE = [(57, 1), (60, 1), (64, 1.5), (62, 0.5), (60, 1), (59, 0.5), (57, 0.5), (0, 0.5), (55, 1), (57, 1.5)]
BPM = 100.0


def midi_to_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def pitch_track():
    """Frequency (Hz, 0 for silence) and loudness per sample."""
    beat = 60.0 / BPM
    freqs, gains = [], []
    previous = None
    for note, beats in PHRASE:
        count = int(beats * beat * RATE)
        target = midi_to_hz(note) if note else 0.0
        for i in range(count):
            t = i / RATE
            if target == 0.0:
                freqs.append(freqs[-1] if freqs else 0.0)
                gains.append(0.0)
                continue
            glide = min(1.0, t / 0.06) if previous else 1.0
            start = previous or target
            f = start * (target / start) ** glide
            # Vibrato grows in after the onset, as a singer's does.
            depth = 0.25 * min(1.0, t / 0.4)
            f *= 2.0 ** (depth * math.sin(2 * math.pi * 5.5 * t) / 12.0)
            attack = min(1.0, t / 0.04)
            release = min(1.0, (count - i) / (0.05 * RATE))
            freqs.append(f)
            gains.append(attack * release)
        previous = target or None
    return freqs, gains


def melody():
    rng = random.Random(1234)
    freqs, gains = pitch_track()
    phase = 0.0
    out = []
    for f, g in zip(freqs, gains):
        if f > 0.0:
            phase = (phase + f / RATE) % 1.0
        sample = 0.0
        if g > 0.0:
            harmonics = int(min(30, (RATE / 2 - 500) // f))
            for h in range(1, harmonics + 1):
                # Roughly -9 dB per octave with a broad bump near 700 Hz (an "ah").
                formant = 1.0 + 1.5 * math.exp(-((h * f - 700.0) / 300.0) ** 2)
                sample += formant * math.sin(2 * math.pi * h * phase) / h ** 1.5
            sample *= g
        sample += 0.003 * rng.uniform(-1.0, 1.0)
        out.append(sample)
    peak = max(abs(s) for s in out)
    return [0.7 * s / peak for s in out]


def write_wav(path, samples):
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples))


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "examples"
    folder.mkdir(parents=True, exist_ok=True)
    write_wav(folder / "melody.wav", melody())
    print(f"wrote {folder / 'melody.wav'}")


if __name__ == "__main__":
    main()
