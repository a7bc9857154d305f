#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   native     the Linux build: unit, functional, editor and X11 tests (on a
#              virtual display when there is no real one)
#   sanitizers the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer,
#              the threaded tests under ThreadSanitizer
#   fuzz       each libFuzzer target for a short, fixed number of inputs
#   windows    the mingw-w64 cross builds, their tests and the Linux/Windows
#              parity renders under wine
# BRASKLIN_STAGES picks stages (default: "native sanitizers fuzz windows").
# Any failure stops the run with a non-zero status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
stages=${BRASKLIN_STAGES:-native sanitizers fuzz windows}
export BRASKLIN_JOBS=${BRASKLIN_JOBS:-2}
logs=$root/build-logs
mkdir -p "$logs"

bash scripts/setup.sh

native() {
  # The bad-input catalogue is generated from the tests' markers: a stale one
  # would list cases the tests no longer prove.
  python3 scripts/robustness-table.py --check
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$BRASKLIN_JOBS"
  local display=()
  if [[ -z "${DISPLAY:-}" ]]; then
    display=(xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp")
  fi
  # The X11 tests fail rather than skip when they cannot open the display.
  BRASKLIN_REQUIRE_DISPLAY=1 "${display[@]}" ctest --test-dir build --output-on-failure --no-tests=error -j "$BRASKLIN_JOBS"
}
sanitizers() { bash scripts/test-sanitizers.sh; }
fuzz() { bash scripts/fuzz-smoke.sh; }
windows() { bash scripts/test-windows.sh; }

for stage in $stages; do
  echo "==== stage $stage"
  started=$(date +%s)
  "$stage" 2>&1 | tee "$logs/$stage.log"
  echo "==== stage $stage passed in $(( $(date +%s) - started )) s"
done

# One closing line over every CTest run above.
passed=0
for stage in $stages; do
  while read -r count; do passed=$(( passed + count )); done < <(
    grep -Eo 'tests passed, 0 tests failed out of [0-9]+' "$logs/$stage.log" | awk '{print $NF}')
done
echo "all stages passed: $stages"
echo "$passed passed, 0 failed"
