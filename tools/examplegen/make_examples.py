#!/usr/bin/env python3
"""Writes the example inputs shipped under examples/.

melody.wav: a short sung-like phrase, a band-limited buzz with a voice-like
spectral tilt, vibrato, soft note onsets and short glides between notes, so
the pitch tracker has something musical to follow. Deterministic: the same
file every run (the breath noise uses a fixed seed).

With --test-signals FOLDER it writes, instead, the two further inputs the
factory presets are tried on (scripts/render-presets.py), not shipped:
bassline.wav, a plucked electric-bass riff from 41 to 110 Hz, and
speech.wav, a speech-like voice: falling pitch, changing vowels, unvoiced
consonant bursts and pauses.
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


# (MIDI note, eighths) of the bass riff: E1, G1, A1, D2 and back.
BASS_RIFF = [(28, 2), (28, 1), (40, 1), (31, 2), (33, 2), (33, 1), (45, 1), (38, 2), (36, 1), (35, 1),
             (28, 2), (28, 1), (40, 1), (31, 2), (33, 4)]
BASS_BPM = 110.0


def bassline():
    """Each note a plucked, slightly darkening saw: strong fundamental, decay."""
    eighth = 30.0 / BASS_BPM
    out = []
    for note, eighths in BASS_RIFF:
        f = midi_to_hz(note)
        count = int(eighths * eighth * RATE)
        harmonics = int(min(40, (RATE / 2 - 500) // f))
        phase = 0.0
        for i in range(count):
            t = i / RATE
            phase = (phase + f / RATE) % 1.0
            decay = math.exp(-t * 2.5)
            brightness = 0.35 + 0.65 * math.exp(-t * 8.0)
            sample = 0.0
            for h in range(1, harmonics + 1):
                sample += (brightness ** (h - 1)) * math.sin(2 * math.pi * h * phase) / h
            attack = min(1.0, t / 0.004)
            release = min(1.0, (count - i) / (0.01 * RATE))
            out.append(sample * decay * attack * release)
    peak = max(abs(s) for s in out)
    return [0.7 * s / peak for s in out]


# Vowels by their first two formants (Hz); syllables as (vowel, seconds, pitch
# start, pitch end); None is a pause, "s" and "t" unvoiced consonants.
VOWELS = {"a": (750, 1200), "e": (500, 1800), "i": (300, 2300), "o": (500, 900), "u": (330, 800)}
SYLLABLES = [("t", 0.05), ("a", 0.22, 190, 170), ("i", 0.16, 175, 160), ("s", 0.09), ("o", 0.28, 165, 130),
             (None, 0.18), ("e", 0.18, 200, 185), ("t", 0.04), ("u", 0.2, 180, 150), ("a", 0.34, 160, 110),
             (None, 0.2), ("s", 0.1), ("i", 0.2, 210, 190), ("o", 0.3, 185, 120)]


def speech():
    rng = random.Random(99)
    out = []
    phase = 0.0
    for syllable in SYLLABLES:
        kind, seconds = syllable[0], syllable[1]
        count = int(seconds * RATE)
        if kind is None:
            out.extend(0.002 * rng.uniform(-1.0, 1.0) for _ in range(count))
            continue
        if kind in ("s", "t"):
            # Hiss with a crude high-pass: the difference of successive noise samples.
            level = 0.25 if kind == "s" else 0.5
            previous = 0.0
            for i in range(count):
                n = rng.uniform(-1.0, 1.0)
                envelope = math.sin(math.pi * i / count)
                out.append(level * envelope * (n - previous))
                previous = n
            continue
        f1, f2 = VOWELS[kind]
        start, end = syllable[2], syllable[3]
        for i in range(count):
            x = i / count
            f = start * (end / start) ** x
            phase = (phase + f / RATE) % 1.0
            harmonics = int(min(40, 5000 // f))
            sample = 0.0
            for h in range(1, harmonics + 1):
                hf = h * f
                gain = math.exp(-((hf - f1) / 120.0) ** 2) + 0.6 * math.exp(-((hf - f2) / 180.0) ** 2) + 0.05
                sample += gain * math.sin(2 * math.pi * h * phase) / h
            envelope = min(1.0, i / (0.03 * RATE)) * min(1.0, (count - i) / (0.04 * RATE))
            out.append(sample * envelope)
    peak = max(abs(s) for s in out)
    return [0.7 * s / peak for s in out]


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--test-signals":
        folder = Path(sys.argv[2])
        folder.mkdir(parents=True, exist_ok=True)
        write_wav(folder / "bassline.wav", bassline())
        write_wav(folder / "speech.wav", speech())
        print(f"wrote {folder / 'bassline.wav'} and {folder / 'speech.wav'}")
        return
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "examples"
    folder.mkdir(parents=True, exist_ok=True)
    write_wav(folder / "melody.wav", melody())
    print(f"wrote {folder / 'melody.wav'}")


if __name__ == "__main__":
    main()
