#!/usr/bin/env python3
"""Renders the shipped example through every program and writes the README's
pictures and level table.

For each program of a new instance ("Init 1", then the factory sounds,
selected with --program as a host selects it from its program list) it
renders examples/melody.wav and the two test signals of tools/examplegen (a
bass riff and a speech-like voice), prints each output's peak and RMS level,
and writes docs/presets/NN-<name>.png, NN being the program number: the
input's and the output's spectrograms of the example, shrunk to a few tens of
kilobytes. It also draws the example through
the default program with each pitch detector, docs/detector-classic.png and
docs/detector-precise.png, a saw at a high note held to the chromatic scale,
docs/precise-saw-after.png, and with each control for playing live, the
README's docs/live/<control>.png (the command lines of LIVE_EXAMPLES).

  python3 scripts/render-presets.py [--build build] [--no-pictures]

Needs the plug-in and the renderer built (cmake --build build --target
brasklin brasklin-render) and ImageMagick's convert for the pictures.
"""
import argparse
import math
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
TAIL_SECONDS = 1.5

# Each live control on the default program with the precise detector, as the
# README shows them: (picture name, the renderer's settings).
LIVE_EXAMPLES = [
    ("dry-wet", ["Precise=1", "Pitch Shift=0.4", "Dry/Wet=0.5"]),
    ("gate", ["Precise=1", "Gate=0.5"]),
    ("glide", ["Precise=1", "Glide=0.5"]),
    ("scale-chromatic", ["Precise=1", "Scale=0.167"]),
    ("scale-major-d", ["Precise=1", "Scale=0.333", "Key=0.182"]),
]


def read_wav(path):
    """Channel 0 of a 16-bit or 32-bit float WAV file, as floats."""
    data = path.read_bytes()
    at, fmt, samples = 12, None, None
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + size]
        if tag == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif tag == b"data":
            samples = body
        at += 8 + size + (size & 1)
    code, channels, _, _, _, bits = fmt
    if code == 3 or (code == 0xFFFE and bits == 32):
        values = struct.unpack(f"<{len(samples) // 4}f", samples)
    else:
        values = [v / 32768.0 for v in struct.unpack(f"<{len(samples) // 2}h", samples)]
    return list(values[::channels])


def db(x):
    return 20.0 * math.log10(x) if x > 1e-9 else -180.0


def levels(samples):
    peak = max(abs(s) for s in samples)
    rms = math.sqrt(sum(s * s for s in samples) / len(samples))
    return db(peak), db(rms)


def program_names(render):
    listing = subprocess.run([str(render), "--list"], check=True, capture_output=True, text=True).stdout
    programs = listing.split("\nprograms:\n", 1)[1]
    return [line.split("|", 1)[1].strip() for line in programs.splitlines() if "|" in line]


def file_stem(index, name):
    return f"{index:02d}-" + re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="build folder (default: build)")
    parser.add_argument("--no-pictures", action="store_true", help="only print the level table")
    args = parser.parse_args()
    build = (ROOT / args.build).resolve()
    render = build / "tools/render/brasklin-render"
    plugin = build / "vst2/brasklin.so"
    for needed in (render, plugin):
        if not needed.exists():
            sys.exit(f"render-presets: {needed} is missing: build the targets brasklin and brasklin-render first")
    pictures = ROOT / "docs/presets"
    if not args.no_pictures:
        if shutil.which("convert") is None:
            sys.exit("render-presets: ImageMagick's convert is needed for the pictures (scripts/setup.sh)")
        for old in pictures.glob("*.png"):
            old.unlink()
        pictures.mkdir(parents=True, exist_ok=True)

    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        subprocess.run([sys.executable, str(ROOT / "tools/examplegen/make_examples.py"), "--test-signals",
                        str(scratch)], check=True, capture_output=True)
        inputs = {"melody": ROOT / "examples/melody.wav", "bass": scratch / "bassline.wav",
                  "speech": scratch / "speech.wav"}
        names = program_names(render)
        print(f"{'program':<24}" + "".join(f"{key + ' peak/rms dB':>22}" for key in inputs))
        for index, name in enumerate(names):
            row = f"{name:<24}"
            for key, source in inputs.items():
                out = scratch / f"{key}-{index}.wav"
                command = [str(render), str(source), str(out), "--program", str(index), "--quiet"]
                # Levels with the delays' tails rung out.
                subprocess.run(command + ["--tail", str(TAIL_SECONDS)], check=True)
                peak, rms = levels(read_wav(out))
                row += f"{peak:>13.1f} /{rms:>6.1f}"
                if key == "melody" and not args.no_pictures:
                    # Without a tail, so that both panels span the same time.
                    picture = scratch / f"{index}.png"
                    subprocess.run(command + ["--spectrogram", str(picture)], check=True)
                    shrink(picture, pictures / (file_stem(index, name) + ".png"))
            print(row)
        if not args.no_pictures:
            for detector, precise in (("classic", 0), ("precise", 1)):
                picture = scratch / f"detector-{detector}.png"
                subprocess.run([str(render), str(inputs["melody"]), str(scratch / f"{detector}.wav"), "--quiet",
                                "--set", f"Precise={precise}", "--spectrogram", str(picture)], check=True)
                shrink(picture, ROOT / "docs" / f"detector-{detector}.png")
            # A saw at F#6 held to the chromatic scale, the filter off: every
            # partial on the tone's harmonic series, nothing folded back between
            # them (docs/precise-saw-before.png is the same command on the
            # version before the continuous engine).
            saw = scratch / "saw-1480.wav"
            write_saw(saw, 1480.0, 2.0)
            picture = scratch / "precise-saw.png"
            subprocess.run([str(render), str(saw), str(scratch / "precise-saw.wav"), "--quiet", "--set", "Precise=1",
                            "--set", "WaveShape=0.25", "--set", "Scale=0.167", "--set", "Filter Type=0.1",
                            "--spectrogram", str(picture)], check=True)
            shrink(picture, ROOT / "docs" / "precise-saw-after.png")
            live = ROOT / "docs/live"
            live.mkdir(parents=True, exist_ok=True)
            for name, settings in LIVE_EXAMPLES:
                picture = scratch / f"live-{name}.png"
                command = [str(render), str(inputs["melody"]), str(scratch / f"live-{name}.wav"), "--quiet",
                           "--spectrogram", str(picture)]
                for setting in settings:
                    command += ["--set", setting]
                subprocess.run(command, check=True)
                shrink(picture, live / f"{name}.png")


def write_saw(path, hertz, seconds, rate=44100):
    """A band-limited sawtooth (harmonics below 20 kHz, falling as 1/h) as a
    32-bit float WAV file."""
    harmonics = range(1, int(20000 / hertz) + 1)
    count = int(seconds * rate)
    values = []
    for n in range(count):
        phase = 2.0 * math.pi * hertz * n / rate
        values.append(0.3 * sum(math.sin(h * phase) / h for h in harmonics))
    data = struct.pack(f"<{count}f", *values)
    fmt = struct.pack("<HHIIHH", 3, 1, rate, rate * 4, 4, 32)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    path.write_bytes(b"RIFF" + struct.pack("<I", len(body)) + body)


def shrink(picture, destination):
    # Half size, 64 colours: the pictures only need to show the shapes.
    subprocess.run(["convert", str(picture), "-resize", "50%", "-colors", "64", "-strip", str(destination)],
                   check=True)


if __name__ == "__main__":
    main()
