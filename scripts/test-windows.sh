#!/usr/bin/env bash
# Cross-builds Brasklin for Windows with mingw-w64 and tests it:
#   build-win64  x86_64 build; its tests run under wine (64-bit) on an Xvfb display
#   build-win32  i686 build; compiled and its DLL tables checked only, because
#                this machine's wine cannot start 32-bit programs (it would exit 0
#                without running anything)
# Every plug-in DLL must export exactly `main` and import only system DLLs,
# so a host on a bare Windows can load it without any runtime beside it.
#
# Works unattended (root, CI=true, no terminal, no stdin). Leaves no wine
# processes behind. Environment:
#   BRASKLIN_JOBS   parallel build jobs (default: number of cores, at most 2)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build64=$root/build-win64
build32=$root/build-win32

export WINEDEBUG=-all
export WINEARCH=win64
# No Mono/Gecko install prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix lives in the build folder, and is exported for the build too: any
# program run through wine while building must not create ~/.wine.
export WINEPREFIX=$build64/wineprefix

# ---------------------------------------------------------------------------
# Second stage: runs inside xvfb-run (GDI needs a display, even off-screen).
if [[ "${1:-}" == "--under-display" ]]; then
    stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
    trap stop_wine EXIT

    # One persistent server for everything below, started before wineboot
    # (a second server cannot start while wineboot's is still up). Without it
    # each test process pays about 2.7 s of server start-up.
    mkdir -p "$WINEPREFIX"
    wineserver -p
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        echo "== creating the wine prefix $WINEPREFIX"
        # Prints "failed to open ...syswow64\rundll32.exe" without wine32: harmless.
        wineboot -i </dev/null >/dev/null 2>&1
    fi
    # Debian's wine does not find its own fonts (Small Fonts, Symbol...) unless
    # they are in the prefix.
    fonts=$WINEPREFIX/drive_c/windows/Fonts
    mkdir -p "$fonts"
    cp -u /usr/share/wine/fonts/* "$fonts/"

    wine cmd /c exit </dev/null >/dev/null 2>&1

    echo "== running the Windows tests under wine"
    jobs=${BRASKLIN_JOBS:-2}
    status=0
    ctest --test-dir "$build64" --output-on-failure --no-tests=error -j "$jobs" </dev/null || status=$?

    # Each test executable is one CTest test; report the GoogleTest cases behind them.
    log=$build64/Testing/Temporary/LastTest.log
    if [[ -f "$log" ]]; then
        cases=$(grep -Eo '\[  PASSED  \] [0-9]+ tests?' "$log" | awk '{s += $4} END {print s + 0}')
        executables=$(grep -Ec '\[  PASSED  \] [0-9]+ tests?' "$log" || true)
        echo "== GoogleTest cases passed under wine: $cases in $executables executables"
    fi
    exit "$status"
fi

# ---------------------------------------------------------------------------
# First stage: build both architectures and check the DLL tables.
cd "$root"
jobs=${BRASKLIN_JOBS:-$(nproc 2>/dev/null || echo 2)}
(( jobs > 2 )) && jobs=2

# The toolchain is given only when the build folder is new: CMake takes it
# from the cache afterwards (and warns when it is given again).
configure() {
    local build=$1 arch=$2
    local toolchain=()
    [[ -f "$build/CMakeCache.txt" ]] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake")
    cmake -S . -B "$build" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
}

echo "== configuring and building x86_64 (build-win64)"
configure "$build64" x86_64
cmake --build "$build64" -j "$jobs"

echo "== configuring and building i686 (build-win32, not run)"
configure "$build32" i686
cmake --build "$build32" -j "$jobs"

# The DLL names any Windows install provides. mingw links against msvcrt; the
# api-ms-win-crt-* forwarders appear only with the UCRT runtime.
is_system_dll() {
    local name=${1,,}
    case "$name" in
        kernel32.dll|user32.dll|gdi32.dll|msvcrt.dll|advapi32.dll) return 0 ;;
        api-ms-win-crt-*.dll) return 0 ;;
    esac
    return 1
}

# check_dll FILE OBJDUMP: exactly one export, `main`; only system imports.
check_dll() {
    local dll=$1 objdump=$2 exports imports bad=0
    exports=$("$objdump" -p "$dll" | awk '
        /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
        table && /^[[:space:]]*\[ *[0-9]+\]/ { print $NF; next }
        table { table = 0 }')
    imports=$("$objdump" -p "$dll" | awk '/DLL Name:/ { print $3 }')
    if [[ "$exports" != "main" ]]; then
        echo "FAIL $dll exports [$(echo $exports)], expected exactly [main]"
        bad=1
    fi
    for imported in $imports; do
        if ! is_system_dll "$imported"; then
            echo "FAIL $dll imports $imported, which is not a system DLL"
            bad=1
        fi
    done
    (( bad == 0 )) && echo "ok   $dll exports [main], imports [$(echo $imports)]"
    return $bad
}

# Every DLL the build produces is a plug-in module (GoogleTest is linked
# statically); the shipped plug-in must be among them once its target exists.
check_build() {
    local build=$1 objdump=$2 found=0 failed=0
    while IFS= read -r dll; do
        found=1
        check_dll "$dll" "$objdump" || failed=1
    done < <(find "$build" -name '*.dll' -not -path '*/wineprefix/*' | sort)
    local targets
    targets=$(cmake --build "$build" --target help)
    if grep -qE '^\.\.\. brasklin( |$)' <<<"$targets" \
       && [[ -z "$(find "$build" -name brasklin.dll -not -path '*/wineprefix/*')" ]]; then
        echo "FAIL $build has a brasklin target but no brasklin.dll"
        failed=1
    fi
    (( found == 1 )) || echo "note $build holds no DLL yet"
    return $failed
}

echo "== checking DLL exports and imports"
tables_ok=0
check_build "$build64" x86_64-w64-mingw32-objdump || tables_ok=1
check_build "$build32" i686-w64-mingw32-objdump || tables_ok=1

run_ok=0
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" --under-display </dev/null || run_ok=$?

if (( tables_ok != 0 || run_ok != 0 )); then
    echo "== Windows tests FAILED"
    exit 1
fi
echo "== Windows tests passed"
