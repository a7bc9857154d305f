#!/usr/bin/env python3
"""Measures what the precise engine plays, through the renderer, with
third-party tools: aubiopitch (Debian's aubio-tools) and numpy/scipy
(python3-numpy, python3-scipy). The README's table of the two engines
comes from it. Not part of the test suite (the tests measure the same
with the project's own code); needs the renderer and the plug-in built.

  /usr/bin/python3 scripts/measure-precise-tone.py [--render build/tools/render/brasklin-render]
                                                   [--before OTHER-RENDERER]

With --before, every figure is also taken with another build's renderer
(for example one of the version before the continuous engine).

Figures, each for " Precise " on and the filter off:
  - steady sines 110 to 2500 Hz: the output's pitch against the input's, in
    cents (numpy: a Blackman-windowed FFT peak, interpolated; aubiopitch yin:
    the output's reading against the input's);
  - a saw and a sine at 990, 1480 and 2960 Hz, Scale off and Chromatic: the
    energy off the output's harmonic series, dB (Blackman-Harris window);
  - a sung phrase (vibrato +-30 cents, notes up to 35 cents off the grid)
    through Scale Chromatic at blocks 64, 256 and 1024: the held frames within
    10 cents of a semitone, and the note changes while the input holds a note;
  - the factory programs at blocks 64 and 1024 against 256 on the shipped
    example: the frames whose pitch (aubiopitch) lies within 50 cents.
"""
import argparse
import subprocess
import tempfile
import warnings
from pathlib import Path

import numpy as np
import scipy.io.wavfile as wav
import scipy.signal as signal

ROOT = Path(__file__).resolve().parents[1]
RATE = 44100
# The renderer's files carry a chunk scipy does not read; the samples are fine.
warnings.simplefilter("ignore", wav.WavFileWarning)


def write(path, samples):
    wav.write(path, RATE, np.asarray(samples, dtype=np.float32))


def read(path):
    _, samples = wav.read(path)
    return samples.astype(np.float64)


def render(renderer, source, out, *settings, block=None):
    command = [str(renderer), str(source), str(out), "-q", "--mono", "--bits", "32"]
    if block:
        command += ["--block-size", str(block)]
    for setting in settings:
        command += ["--set", setting]
    subprocess.run(command, check=True)


def aubio_track(path, buffer=2048, hop=512, silence=-50):
    out = subprocess.run(["aubiopitch", "-i", str(path), "-p", "yin", "-u", "hz", "-B", str(buffer), "-H", str(hop),
                          "-s", str(silence)], capture_output=True, text=True, check=True).stdout
    rows = [line.split() for line in out.splitlines() if len(line.split()) == 2]
    return np.array([[float(t), float(f)] for t, f in rows])


def fft_peak_hz(samples):
    x = samples[int(RATE * 1.0):int(RATE * 2.9)]
    spectrum = np.abs(np.fft.rfft(x * np.blackman(len(x)), 8 * len(x)))
    k = int(np.argmax(spectrum[1:])) + 1
    a, b, c = np.log(spectrum[k - 1:k + 2])
    return (k + 0.5 * (a - c) / (a - 2 * b + c)) * RATE / (8 * len(x))


def off_harmonic_db(samples):
    y = samples[RATE:RATE + 32768]
    power = np.abs(np.fft.rfft(y * signal.windows.blackmanharris(len(y)))) ** 2
    peaks = [i for i in range(5, len(power) - 1)
             if power[i] > power[i - 1] and power[i] >= power[i + 1] and power[i] > power.max() * 1e-3]
    k = peaks[0]
    a, b, c = np.log(power[k - 1:k + 2])
    f0 = (k + 0.5 * (a - c) / (a - 2 * b + c)) * RATE / len(y)
    bins = np.arange(1, len(power))
    harmonic = np.round(bins * RATE / len(y) / f0)
    near = (harmonic >= 1) & (np.abs(bins - harmonic * f0 * len(y) / RATE) <= 6)
    return 10 * np.log10(power[1:][~near].sum() / power[1:].sum())


def sung_phrase(path):
    rng = np.random.default_rng(3)
    notes = [-5, -3, -1, 0, 2, 4, 2, 0, -1, -3, -5, -7]
    offsets = [0, 30, -25, 15, -35, 20, 35, -10, 25, -30, 10, -20]
    seconds = 0.7
    out, centre, phase = [], [], 0.0
    for note, offset in zip(notes, offsets):
        t = np.arange(int(RATE * seconds)) / RATE
        hz = 440 * 2 ** ((note * 100 + offset) / 1200)
        depth = 30 * np.clip((t - 0.15) / 0.2, 0, 1)
        drift = 3 * rng.standard_normal(len(t)).cumsum() / np.sqrt(len(t))
        f = hz * 2 ** ((depth * np.sin(2 * np.pi * 5.5 * t) + drift) / 1200)
        phases = phase + np.cumsum(f) / RATE
        phase = phases[-1]
        voice = sum(np.sin(2 * np.pi * h * phases) / h * (1.6 if 2 <= h <= 4 else 1.0) for h in range(1, 16))
        envelope = np.clip(np.minimum(t / 0.03, (seconds - 0.05 - t) / 0.03), 0, 1)
        out.append(0.25 * voice * envelope)
        centre.append(np.where(envelope > 0.99, hz, 0.0))
    write(path, np.concatenate(out))
    return np.concatenate(centre)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", default=str(ROOT / "build/tools/render/brasklin-render"))
    parser.add_argument("--before")
    args = parser.parse_args()
    builds = [("now", args.render)] + ([("before", args.before)] if args.before else [])
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        print("steady sines, cents off the input (numpy / aubiopitch against its reading of the input)")
        for hz in (110, 220, 440, 700, 990, 1500, 2500):
            source = scratch / f"sine{hz}.wav"
            write(source, 0.5 * np.sin(2 * np.pi * hz * np.arange(3 * RATE) / RATE))
            heard_in = np.median([f for t, f in aubio_track(source) if 1 < t < 2.8 and f > 0])
            row = f"  {hz:5d} Hz"
            for name, renderer in builds:
                out = scratch / f"{name}-sine{hz}.wav"
                render(renderer, source, out, "Precise=1", "Filter Type=0.1")
                heard = np.median([f for t, f in aubio_track(out) if 1 < t < 2.8 and f > 0])
                row += (f"   {name}: {1200 * np.log2(fft_peak_hz(read(out)) / hz):+7.2f}"
                        f" / {1200 * np.log2(heard / heard_in):+7.2f}")
            print(row)
        print("energy off the harmonic series, dB")
        for kind, shape in (("saw", "0.25"), ("sine", "0")):
            for hz in (990, 1480, 2960):
                t = np.arange(2 * RATE) / RATE
                if kind == "sine":
                    tone = 0.5 * np.sin(2 * np.pi * hz * t)
                else:
                    tone = 0.3 * sum(np.sin(2 * np.pi * h * hz * t) / h for h in range(1, int(20000 / hz) + 1))
                source = scratch / f"{kind}{hz}.wav"
                write(source, tone)
                for scale in ("0", "0.167"):
                    row = f"  {kind:4} {hz:5d} Hz, Scale {'Chromatic' if scale != '0' else 'off      '}"
                    for name, renderer in builds:
                        out = scratch / f"{name}-{kind}{hz}-{scale}.wav"
                        render(renderer, source, out, "Precise=1", "Filter Type=0.1", f"WaveShape={shape}",
                               f"Scale={scale}")
                        row += f"   {name}: {off_harmonic_db(read(out)):7.1f}"
                    print(row)
        print("a sung phrase through Scale Chromatic")
        phrase = scratch / "sung.wav"
        centre = sung_phrase(phrase)
        for block in (64, 256, 1024):
            for name, renderer in builds:
                out = scratch / f"{name}-sung-{block}.wav"
                render(renderer, phrase, out, "Precise=1", "Filter Type=0.1", "WaveShape=0", "Scale=0.167",
                       block=block)
                track = aubio_track(out, buffer=1024, hop=256)
                at = (track[:, 0] * RATE).astype(int)
                # Held: the input's note holds from a frame and 100 ms before to the end of the frame.
                held = np.array([i - 6458 >= 0 and i + 1024 < len(centre) and centre[i - 6458] > 0
                                 and centre[i - 6458] == centre[i + 1024] for i in at])
                voiced = held & (track[:, 1] > 60)
                semitones = 12 * np.log2(track[voiced, 1] / 440)
                within = np.mean(np.abs(semitones - np.round(semitones)) * 100 <= 10)
                notes = np.round(12 * np.log2(np.where(track[:, 1] > 60, track[:, 1], 1) / 440))
                changes = sum(1 for i in range(1, len(notes)) if voiced[i] and voiced[i - 1] and notes[i] != notes[i - 1])
                seconds = voiced.sum() * 256 / RATE
                print(f"  block {block:5d} {name:6}: {100 * within:5.1f} % of held frames within 10 cents of a "
                      f"semitone, {changes / seconds:.2f} note changes per second while the input holds a note")
        print("factory programs: frames within 50 cents of block 256's pitch, at blocks 64 / 1024")
        example = ROOT / "examples/melody.wav"
        for program in range(16):
            row = f"  program {program:2d}"
            for name, renderer in builds:
                tracks = {}
                for block in (64, 256, 1024):
                    out = scratch / f"{name}-p{program}-{block}.wav"
                    subprocess.run([str(renderer), str(example), str(out), "-q", "--mono", "--bits", "32",
                                    "--block-size", str(block), "--program", str(program)], check=True)
                    tracks[block] = aubio_track(out)[:, 1]
                n = min(len(t) for t in tracks.values())
                reference = tracks[256][:n]
                shares = []
                for block in (64, 1024):
                    other = tracks[block][:n]
                    both = (reference > 40) & (other > 40)
                    shares.append(100 * np.mean(np.abs(1200 * np.log2(other[both] / reference[both])) <= 50))
                row += f"   {name}: {shares[0]:5.1f} / {shares[1]:5.1f} %"
            print(row)


if __name__ == "__main__":
    main()
