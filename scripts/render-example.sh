#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in and the renderer,
# and renders the shipped example through Brasklin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target brasklin brasklin-render
mkdir -p out
./build/tools/render/brasklin-render examples/melody.wav out/melody-brasklin.wav \
  --spectrogram out/melody-brasklin.png "$@"
echo "Result: $root/out/melody-brasklin.wav (spectrograms: $root/out/melody-brasklin.png)"
