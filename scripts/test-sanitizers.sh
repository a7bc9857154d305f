#!/usr/bin/env bash
# Runs the tests under the sanitizers; any finding fails the run.
#  1. build-asan: the whole tree with AddressSanitizer and UndefinedBehavior-
#     Sanitizer (leak checking on), every test.
#  2. build-tsan: the tests that run the plug-in from more than one thread,
#     with ThreadSanitizer.
# Takes roughly 15 to 25 minutes on two cores from clean build folders; later
# runs rebuild only what changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${BRASKLIN_JOBS:-2}

# A sanitizer that finds something stops the program at once, so the test
# that ran it fails; nothing is only printed and forgotten.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Other libraries' process-long caches (see the file) are not leaks of ours.
export LSAN_OPTIONS=suppressions=$root/tests/hardening/lsan.supp:print_suppressions=0
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# The X11 tests (label x11) need a display; give them a virtual one when we
# can. Without one they fail here rather than skip.
export BRASKLIN_REQUIRE_DISPLAY=1
with_display=()
if [[ -z "${DISPLAY:-}" ]] && command -v xvfb-run >/dev/null; then
  with_display=(xvfb-run -a)
fi

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: build-asan"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRASKLIN_SANITIZE=address -DBRASKLIN_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
"${with_display[@]}" ctest --test-dir build-asan --output-on-failure -j "$jobs"

# The tests that exercise two threads at once. Those that live in an
# executable of their own carry the label `threads`; the others sit beside
# single-threaded tests in their area's executable and are picked by name.
tsan_targets=(effect_threads_test shapes_tests dsp_feedback_delay_test brasklin_vst2_interface_tests gui_toolkit_tests
  hardening_threads_test editor_tests)
tsan_names='AnotherThread|ReadWholeOnAnother|TwoThreads'

echo "== ThreadSanitizer: build-tsan"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRASKLIN_SANITIZE=thread -DBRASKLIN_BENCH=OFF \
  -DBRASKLIN_TOOLS=OFF >/dev/null
# Every listed target must exist: one renamed or left out of the build would
# otherwise drop its threaded tests from this run without a word. The list is
# read whole first: grep -q stops reading at its first match, and the build
# tool's broken pipe would then count as a failure under pipefail.
known_targets=$(cmake --build build-tsan --target help)
for target in "${tsan_targets[@]}"; do
  if ! grep -qx "\.\.\. $target" <<<"$known_targets"; then
    echo "build-tsan has no target $target (listed in tsan_targets)" >&2
    exit 1
  fi
done
cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L '^threads$' --no-tests=error
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -R "$tsan_names" --no-tests=error
echo "== sanitizers: no findings"
