#!/usr/bin/env bash
# Cross-builds Brasklin for Windows with mingw-w64 and tests it:
#   build-win64  x86_64 build; its tests run under wine (64-bit) on an Xvfb display
#   build-win32  i686 build; compiled and its DLL tables checked only, because
#                this machine's wine cannot start 32-bit programs (it would exit 0
#                without running anything)
# Every plug-in DLL must export exactly `main` and import only system DLLs,
# so a host on a bare Windows can load it without any runtime beside it.
# The distribution zip (target dist) is built and its content checked.
# Parity: the same host program drives the Linux build (native build folder)
# and the Windows build (under wine) of the plug-in over the same input with
# the same settings, through both audio routines; the renders must agree to
# within 1e-6 on every sample.
#
# Works unattended (root, CI=true, no terminal, no stdin). Leaves no wine
# processes behind. Environment:
#   BRASKLIN_JOBS          parallel build jobs (default: number of cores, at most 2)
#   BRASKLIN_NATIVE_BUILD  the Linux build folder to render with (default: build;
#                          configured if new; only the plug-in and the parity
#                          host are built in it)
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
# Settings the Linux and Windows renders are compared under (see ParityHost.cpp).
parity_cases="default allstages programs"

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

    # The first program also starts wine's background services, which keep the
    # output they inherit open: started here, they hold /dev/null instead of
    # the first test's output pipe (ctest would wait on it until the timeout).
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

    echo "== rendering with the Windows build and comparing with the Linux renders"
    # The plug-in finds its shape folder through the host's VST folder in the
    # registry: point it at the build folder that holds brasklin.dll and Brasklin\.
    plugin_dir=$(winepath -w "$build64/effect")
    wine reg add 'HKLM\Software\VST' /v VSTPluginsPath /t REG_SZ /d "$plugin_dir" /f </dev/null >/dev/null
    parity=$build64/parity
    rm -f "$parity"/windows-*.f32
    for case in $parity_cases; do
        for mode in replacing accumulating; do
            # A loading failure would show a message box and wait: bounded.
            timeout 300 wine "$build64/tests/windows/brasklin_parity_host.exe" render \
                "$plugin_dir\\brasklin.dll" "$(winepath -w "$parity/input.f32")" "$case" "$mode" \
                "$(winepath -w "$parity/windows-$case-$mode.f32")" </dev/null || status=1
            "$BRASKLIN_PARITY_HOST" compare "$parity/linux-$case-$mode.f32" \
                "$parity/windows-$case-$mode.f32" 1e-6 || status=1
        done
    done
    # Leave the prefix as wineboot made it: the registry test can then also
    # check the case of a machine without any VST key.
    wine reg delete 'HKLM\Software\VST' /f </dev/null >/dev/null 2>&1 || true
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

echo "== building the Linux plug-in and parity host (${BRASKLIN_NATIVE_BUILD:-build})"
native=${BRASKLIN_NATIVE_BUILD:-$root/build}
[[ -f "$native/CMakeCache.txt" ]] || cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native" -j "$jobs" --target brasklin brasklin_parity_host
export BRASKLIN_PARITY_HOST=$native/tests/windows/brasklin_parity_host

echo "== rendering with the Linux build"
parity=$build64/parity
mkdir -p "$parity"
rm -f "$parity"/*.f32
"$BRASKLIN_PARITY_HOST" input "$parity/input.f32"
for case in $parity_cases; do
    for mode in replacing accumulating; do
        "$BRASKLIN_PARITY_HOST" render "$native/effect/brasklin.so" "$parity/input.f32" "$case" "$mode" \
            "$parity/linux-$case-$mode.f32"
    done
done

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

# check_zip ZIP OBJDUMP: brasklin.dll (passing the DLL checks), WaveShapes.txt
# and every wave file the list names, in a folder Brasklin, and in its folder
# presets the factory bank with one program file for each of its programs.
check_zip() {
    local zip=$1 objdump=$2 unpacked bad=0 entry
    unpacked=$(mktemp -d)
    (cd "$unpacked" && cmake -E tar xf "$zip") || { echo "FAIL cannot unpack $zip"; rm -rf "$unpacked"; return 1; }
    check_dll "$unpacked/brasklin.dll" "$objdump" >/dev/null || { echo "FAIL $zip: brasklin.dll tables"; bad=1; }
    if [[ -f "$unpacked/Brasklin/WaveShapes.txt" ]]; then
        # Entries end with ';'; text after the last one is not an entry.
        while IFS= read -r -d ';' entry; do
            [[ -f "$unpacked/Brasklin/$entry" ]] || { echo "FAIL $zip lacks Brasklin/$entry"; bad=1; }
        done < "$unpacked/Brasklin/WaveShapes.txt"
    else
        echo "FAIL $zip lacks Brasklin/WaveShapes.txt"
        bad=1
    fi
    local bank="$unpacked/Brasklin/presets/Brasklin Factory.fxb" programs programFiles
    if [[ -f "$bank" ]]; then
        # The bank's program count: the big-endian word at byte 24.
        programs=$(od -An -tu1 -j24 -N4 "$bank" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
        programFiles=$(find "$unpacked/Brasklin/presets" -name '*.fxp' | wc -l)
        if (( programs == 0 || programFiles != programs )); then
            echo "FAIL $zip: the factory bank holds $programs programs, Brasklin/presets $programFiles .fxp files"
            bad=1
        fi
    else
        echo "FAIL $zip lacks Brasklin/presets/Brasklin Factory.fxb"
        bad=1
    fi
    (( bad == 0 )) && echo "ok   $zip: $(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')"
    rm -rf "$unpacked"
    return $bad
}

echo "== checking DLL exports and imports, and the distribution zips"
tables_ok=0
check_build "$build64" x86_64-w64-mingw32-objdump || tables_ok=1
check_build "$build32" i686-w64-mingw32-objdump || tables_ok=1
cmake --build "$build64" --target dist >/dev/null
cmake --build "$build32" --target dist >/dev/null
check_zip "$build64/brasklin-windows-x64.zip" x86_64-w64-mingw32-objdump || tables_ok=1
check_zip "$build32/brasklin-windows-x86.zip" i686-w64-mingw32-objdump || tables_ok=1

run_ok=0
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" --under-display </dev/null || run_ok=$?

if (( tables_ok != 0 || run_ok != 0 )); then
    echo "== Windows tests FAILED"
    exit 1
fi
echo "== Windows tests passed"
