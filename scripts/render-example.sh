#!/usr/bin/env bash
# The main job: installs what is missing, builds both plug-ins (the VST 2
# plug-in and the LV2 bundle, with its editor) and the renderer, renders the
# shipped example through Brasklin and says where everything is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target brasklin brasklin_lv2 brasklin-render
mkdir -p out
./build/tools/render/brasklin-render examples/melody.wav out/melody-brasklin.wav \
  --spectrogram out/melody-brasklin.png "$@"
echo "Result: $root/out/melody-brasklin.wav (spectrograms: $root/out/melody-brasklin.png)"
echo "VST 2 plug-in: $root/build/vst2/brasklin.so (keep the Brasklin folder beside it)"
echo "LV2 bundle: $root/build/lib/lv2/brasklin.lv2 (for a host: LV2_PATH=$root/build/lib/lv2:/usr/lib/lv2)"
