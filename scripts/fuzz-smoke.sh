#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehavior-
# Sanitizer) in build-fuzz and runs each for a fixed number of inputs from its
# seed corpus in tests/fuzz/corpus/<target>. A crash, a sanitizer finding, a
# leak or a broken property fails the run; the input that did it is left in
# build-fuzz/findings/<target>/ for a regression test.
# FUZZ_RUNS overrides the number of inputs per target (the defaults keep the
# whole run to a few minutes on two cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${BRASKLIN_JOBS:-2}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# target name and default number of inputs (the whole plug-in is slower per input)
targets=(shape_list:20000 wave_file:20000 preset_file:20000 effect_host:500)

cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRASKLIN_FUZZ=ON -DBRASKLIN_SANITIZE=address -DBRASKLIN_TESTS=OFF -DBRASKLIN_BENCH=OFF -DBRASKLIN_TOOLS=OFF \
  -DBRASKLIN_GUI_X11=OFF >/dev/null
names=()
for entry in "${targets[@]}"; do names+=("fuzz_${entry%%:*}"); done
cmake --build build-fuzz -j "$jobs" --target "${names[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  runs=${FUZZ_RUNS:-${entry##*:}}
  findings=build-fuzz/findings/$name
  mkdir -p "$work/$name" "$findings"
  echo "== fuzz_$name: $runs inputs"
  # New inputs go to the scratch corpus; the committed seeds are only read.
  build-fuzz/tests/fuzz/fuzz_$name -runs="$runs" -seed=1 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work/$name" "tests/fuzz/corpus/$name" 2>&1 | tail -n 12
done
echo "== fuzzers: no findings"
