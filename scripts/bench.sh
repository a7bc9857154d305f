#!/usr/bin/env bash
# Builds the benchmarks and the renderer (optimised, with debug information),
# runs them and regenerates docs/performance.md from their output.
#   bash scripts/bench.sh              # everything (a few minutes)
#   BENCH_MIN_TIME=0.5 REPETITIONS=5 bash scripts/bench.sh   # steadier figures
# The raw results stay in build-bench/results/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD_DIR:-build-bench}
results=$build/results
min_time=${BENCH_MIN_TIME:-0.2}
repetitions=${REPETITIONS:-3}
jobs=${JOBS:-2}

command -v hyperfine >/dev/null || { echo "hyperfine is missing: bash scripts/setup.sh installs it" >&2; exit 1; }

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target plugin_bench stages_bench lv2_bench brasklin brasklin-render
mkdir -p "$results"

load() { cut -d' ' -f1-3 /proc/loadavg; }
load_before=$(load)

gbench=(--benchmark_min_time="$min_time" --benchmark_repetitions="$repetitions"
        --benchmark_report_aggregates_only=true --benchmark_format=console)
"$build/bench/effect/plugin_bench" "${gbench[@]}" \
  --benchmark_out_format=json --benchmark_out="$results/plugin_bench.json"
"$build/bench/dsp/stages_bench" "${gbench[@]}" \
  --benchmark_out_format=json --benchmark_out="$results/stages_bench.json"
"$build/bench/lv2/lv2_bench" "${gbench[@]}" \
  --benchmark_out_format=json --benchmark_out="$results/lv2_bench.json"

# The whole renderer process over the shipped example, file I/O included.
# Two shorter runs show where the process's time goes: starting the program
# alone, and starting it with the plug-in loaded and listed.
render="$build/tools/render/brasklin-render"
hyperfine -N --warmup 3 --runs 30 --export-json "$results/render.json" \
  "$render -q examples/melody.wav $results/melody-rendered.wav" "$render --help" "$render --list"

load_after=$(load)
python3 - "$results/machine.json" "$load_before" "$load_after" "$build" <<'EOF'
import json, subprocess, sys, datetime, os
out, before, after, build = sys.argv[1:5]
def lscpu(field):
    for line in subprocess.run(["lscpu"], capture_output=True, text=True).stdout.splitlines():
        key, _, value = line.partition(":")
        if key.strip() == field:
            return value.strip()
    return "unknown"
compiler = "unknown"
try:
    with open(os.path.join(build, "CMakeCache.txt")) as cache:
        for line in cache:
            if line.startswith("CMAKE_CXX_COMPILER:"):
                path = line.split("=", 1)[1].strip()
                compiler = subprocess.run([path, "--version"], capture_output=True, text=True).stdout.splitlines()[0]
except OSError:
    pass
json.dump({"model": lscpu("Model name"), "cores": os.cpu_count(), "load_before": before, "load_after": after,
           "build": "RelWithDebInfo (-O2 -g)", "compiler": compiler,
           "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")},
          open(out, "w"), indent=1)
EOF

python3 scripts/performance-report.py --plugin "$results/plugin_bench.json" --stages "$results/stages_bench.json" \
  --formats "$results/lv2_bench.json" --render "$results/render.json" --audio examples/melody.wav --machine "$results/machine.json" \
  --out docs/performance.md
echo "docs/performance.md regenerated (raw results in $results)"
