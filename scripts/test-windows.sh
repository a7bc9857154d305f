#!/usr/bin/env bash
# Cross-builds Brasklin for Windows with mingw-w64 and tests it:
#   build-win64  x86_64 build; its tests run under wine (64-bit) on an Xvfb display
#   build-win32  i686 build; its tests and the parity renders run under 32-bit
#                wine (wine32:i386, which setup.sh installs where the machine
#                runs 32-bit programs) in a prefix of its own (WINEARCH=win32).
#                Whether the machine runs 32-bit programs is found by running
#                one (scripts/i386-probe.sh). Where it does, the i686 tests must
#                run and pass: a missing wine32 or a 32-bit wine that cannot
#                start programs fails the stage. Only where the kernel refuses
#                32-bit programs are they reported as NOT RUN (and the stage
#                fails if BRASKLIN_REQUIRE_WIN32=1).
# A test passes only on GoogleTest's own summary, never on wine's exit code
# (which is 0 when nothing ran). Each architecture ends with one summary line:
# its GoogleTest cases and executables, the parity renders' largest difference
# and the host answers compared.
# Every plug-in DLL must export exactly `main` and import only system DLLs,
# so a host on a bare Windows can load it without any runtime beside it.
# The distribution zip (target dist) is built and its content checked.
# Parity: the same host program drives the Linux build (native build folder)
# and the Windows build (under wine) of the plug-in over the same input with
# the same settings, through both audio routines; the renders must agree to
# within 1e-6 on every sample. The same host program also writes down what
# both builds answer to a host's other questions; the answers must be identical.
#
# Works unattended (root, CI=true, no terminal, no stdin). Leaves no wine
# processes behind. Environment:
#   BRASKLIN_JOBS          parallel build jobs (default: number of cores, at most 2)
#   BRASKLIN_NATIVE_BUILD  the Linux build folder to render with (default: build;
#                          configured if new; only the plug-in and the parity
#                          host are built in it)
#   BRASKLIN_REQUIRE_WIN32 1: fail also where the kernel refuses 32-bit programs
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
    wine32_installed() { dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; }

    # prepare_prefix: a wine prefix for $WINEPREFIX / $WINEARCH with one
    # persistent server (started before wineboot: a second server cannot start
    # while wineboot's is still up; without it each test process pays about
    # 2.7 s of server start-up) and wine's own fonts.
    # A prefix notes which wine made it. A 64-bit prefix made before wine32
    # was installed fails every program afterwards ("could not load
    # kernel32.dll, status c0000135"), so a prefix made by another wine (or
    # by an older script, without the note) is made again.
    prepare_prefix() {
        local note=$WINEPREFIX/.brasklin-made-by wine_now
        wine_now=$(wine32_installed && echo "wine with wine32" || echo "wine without wine32")
        if [[ -f "$WINEPREFIX/system.reg" && "$(cat "$note" 2>/dev/null)" != "$wine_now" ]]; then
            echo "== making the wine prefix $WINEPREFIX again: made by $(cat "$note" 2>/dev/null || echo "an unnoted wine"), now $wine_now"
            wineserver -k >/dev/null 2>&1 || true
            rm -rf "$WINEPREFIX"
        fi
        mkdir -p "$WINEPREFIX"
        wineserver -p
        if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
            echo "== creating the wine prefix $WINEPREFIX ($WINEARCH, $wine_now)"
            # Prints "failed to open ...syswow64\rundll32.exe" without wine32: harmless.
            timeout 300 wineboot -i </dev/null >/dev/null 2>&1 || true
            # (The registry files appear only when the server exits.)
            [[ -d "$WINEPREFIX/drive_c/windows/system32" ]] && echo "$wine_now" >"$note"
        fi
        # Debian's wine does not find its own fonts (Small Fonts, Symbol...)
        # unless they are in the prefix.
        local fonts=$WINEPREFIX/drive_c/windows/Fonts
        mkdir -p "$fonts"
        cp -u /usr/share/wine/fonts/* "$fonts/"
        # The first program also starts wine's background services, which keep
        # the output they inherit open: started here, they hold /dev/null
        # instead of the first test's output pipe (ctest would wait on it
        # until the timeout).
        timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    }

    # wine_runs: a program started in the prefix prints (wine's exit status
    # is 0 even when it could not start the program at all).
    wine_runs() {
        local said
        said=$(timeout 120 wine cmd /c echo brasklin-probe </dev/null 2>/dev/null | tr -d '\r' || true)
        [[ "$said" == "brasklin-probe" ]] && return 0
        echo "FAIL wine cannot start programs in $WINEPREFIX ($WINEARCH)"
        return 1
    }

    # run_windows_tests BUILD: the build's tests under wine, then the parity
    # renders compared with the Linux ones.
    run_windows_tests() {
        local build=$1 status=0
        echo "== running the Windows tests under wine ($WINEARCH, $(basename "$build"))"
        local jobs=${BRASKLIN_JOBS:-2}
        ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" </dev/null || status=$?

        # Each test executable is one CTest test; report the GoogleTest cases behind them.
        local log=$build/Testing/Temporary/LastTest.log cases=0 executables=0
        if [[ -f "$log" ]]; then
            cases=$(grep -Eo '\[  PASSED  \] [0-9]+ tests?' "$log" | awk '{s += $4} END {print s + 0}')
            executables=$(grep -Ec '\[  PASSED  \] [0-9]+ tests?' "$log" || true)
            echo "== GoogleTest cases passed under wine ($WINEARCH): $cases in $executables executables"
        fi

        echo "== rendering with the Windows build ($WINEARCH) and comparing with the Linux renders"
        # The plug-in finds its shape folder beside brasklin.dll (the build
        # puts Brasklin\ there), so no registry value is set: the registry's
        # folder is covered by windows_plugin_folder_test.
        local plugin_dir
        plugin_dir=$(winepath -w "$build/vst2")
        local parity=$build64/parity out=$build/parity
        mkdir -p "$out"
        rm -f "$out"/windows-*.f32
        local compared="" said
        for case in $parity_cases; do
            for mode in replacing accumulating; do
                # A loading failure would show a message box and wait: bounded.
                timeout 300 wine "$build/tests/windows/brasklin_parity_host.exe" render \
                    "$plugin_dir\\brasklin.dll" "$(winepath -w "$parity/input.f32")" "$case" "$mode" \
                    "$(winepath -w "$out/windows-$case-$mode.f32")" </dev/null || status=1
                # A render that did not run leaves no file, and compare fails on it.
                said=$("$BRASKLIN_PARITY_HOST" compare "$parity/linux-$case-$mode.f32" \
                    "$out/windows-$case-$mode.f32" 1e-6 2>&1) || status=1
                echo "$said"
                compared+="$said"$'\n'
            done
        done
        local renders largest
        renders=$(grep -c '^ok ' <<<"$compared" || true)
        largest=$(grep -Eo 'max difference [^ ]+' <<<"$compared" | awk '$3 + 0 > m {m = $3 + 0} END {print m + 0}')
        echo "== asking the Windows build ($WINEARCH) what hosts ask, against the Linux build's answers"
        timeout 300 wine "$build/tests/windows/brasklin_parity_host.exe" answers \
            "$plugin_dir\\brasklin.dll" "$(winepath -w "$out/windows-answers.txt")" </dev/null || status=1
        # wine's C library may end lines with CR LF.
        local answers
        answers="$(wc -l < "$parity/linux-answers.txt") host answers identical"
        if diff <(tr -d '\r' < "$parity/linux-answers.txt") <(tr -d '\r' < "$out/windows-answers.txt"); then
            echo "ok   $answers"
        else
            echo "FAIL the Windows build answers differently (diff above)"
            answers="host answers DIFFER"
            status=1
        fi
        # Leave the prefix as wineboot made it: the registry test can then also
        # check the case of a machine without any VST key (a prefix from an
        # older run may still hold one). With wine32 installed a 64-bit prefix
        # keeps a 32-bit view of the registry beside the 64-bit one: clear both.
        for view in 64 32; do
            wine reg delete 'HKLM\Software\VST' /f "/reg:$view" </dev/null >/dev/null 2>&1 || true
        done
        echo "== $WINEARCH summary: $cases GoogleTest cases in $executables executables;" \
            "parity $renders of $(( $(wc -w <<<"$parity_cases") * 2 )) renders within 1e-6, max difference $largest; $answers"
        return "$status"
    }

    status=0
    (
        trap stop_wine EXIT
        prepare_prefix
        wine_runs || exit 1
        run_windows_tests "$build64"
    ) || status=1

    started32=$(date +%s)
    (
        export WINEARCH=win32
        export WINEPREFIX=$build32/wineprefix
        # Ask the kernel first, by running a 32-bit program: where it runs
        # them, the i686 tests must run. Only a kernel that refuses them (or a
        # machine where this cannot be told and wine32 is missing) skips them.
        kernel=0
        bash "$root/scripts/i386-probe.sh" || kernel=$?
        why=""
        if [[ $kernel -eq 1 ]]; then
            why="this machine does not run 32-bit programs (a static i386 program did not run)"
        elif ! wine32_installed; then
            if [[ $kernel -eq 0 ]]; then
                echo "FAIL wine32:i386 is not installed, although this machine runs 32-bit programs (scripts/setup.sh installs it)"
                exit 1
            fi
            why="wine32:i386 is not installed, and whether this machine runs 32-bit programs cannot be told here"
        fi
        if [[ -n "$why" ]]; then
            echo "== i686 tests NOT RUN: $why"
            [[ "${BRASKLIN_REQUIRE_WIN32:-0}" == "1" ]] && exit 1
            exit 0
        fi
        trap stop_wine EXIT
        prepare_prefix
        wine_runs || exit 1
        run_windows_tests "$build32"
    ) || status=1
    echo "== i686 part took $(( $(date +%s) - started32 )) s"
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

echo "== configuring and building i686 (build-win32)"
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
        "$BRASKLIN_PARITY_HOST" render "$native/vst2/brasklin.so" "$parity/input.f32" "$case" "$mode" \
            "$parity/linux-$case-$mode.f32"
    done
done

# What hosts ask besides audio (grep -c guards against an empty file: a failed load).
"$BRASKLIN_PARITY_HOST" answers "$native/vst2/brasklin.so" "$parity/linux-answers.txt"
grep -q '"Brasklin"' "$parity/linux-answers.txt"

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
# presets the factory bank with one program file for each of its programs but
# the first (the Init program).
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
        if (( programs == 0 || programFiles != programs - 1 )); then
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

# check_vst3 BUILD ARCH OBJDUMP: the VST 3 bundle's binary,
# Brasklin.vst3/Contents/ARCH/Brasklin.vst3, exports exactly GetPluginFactory,
# InitDll and ExitDll under their plain names (32-bit mingw would decorate the
# __stdcall GetPluginFactory as GetPluginFactory@0, which hosts do not find)
# and imports only system DLLs; its zip holds the bundle with the wave shapes.
check_vst3() {
    local build=$1 arch=$2 objdump=$3 zip=$4 binary exports imports bad=0 unpacked
    binary=$build/lib/vst3/Brasklin.vst3/Contents/$arch/Brasklin.vst3
    [[ -f "$binary" ]] || { echo "FAIL $binary was not built"; return 1; }
    exports=$("$objdump" -p "$binary" | awk '
        /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
        table && /^[[:space:]]*\[ *[0-9]+\]/ { print $NF; next }
        table { table = 0 }' | sort | tr '\n' ' ')
    if [[ "$exports" != "ExitDll GetPluginFactory InitDll " ]]; then
        echo "FAIL $binary exports [$exports], expected [ExitDll GetPluginFactory InitDll]"
        bad=1
    fi
    imports=$("$objdump" -p "$binary" | awk '/DLL Name:/ { print $3 }')
    for imported in $imports; do
        is_system_dll "$imported" || { echo "FAIL $binary imports $imported, which is not a system DLL"; bad=1; }
    done
    unpacked=$(mktemp -d)
    (cd "$unpacked" && cmake -E tar xf "$zip") || { echo "FAIL cannot unpack $zip"; bad=1; }
    for entry in "Brasklin.vst3/Contents/$arch/Brasklin.vst3" "Brasklin.vst3/Contents/Resources/Brasklin/WaveShapes.txt"; do
        [[ -f "$unpacked/$entry" ]] || { echo "FAIL $zip lacks $entry"; bad=1; }
    done
    rm -rf "$unpacked"
    (( bad == 0 )) && echo "ok   $binary exports [$exports], imports [$(echo $imports)]; $zip holds the bundle"
    return $bad
}

echo "== checking DLL exports and imports, and the distribution zips"
tables_ok=0
check_build "$build64" x86_64-w64-mingw32-objdump || tables_ok=1
check_build "$build32" i686-w64-mingw32-objdump || tables_ok=1
cmake --build "$build64" --target dist >/dev/null
cmake --build "$build32" --target dist >/dev/null
# The zips carry the project's version in their names (cmake/BrasklinVersion.cmake).
version=$(sed -n 's/^inline constexpr char kBrasklinVersionText\[\] = "\(.*\)";$/\1/p' "$build64/generated/BrasklinVersion.h")
[[ -n "$version" ]] || { echo "FAIL no version in $build64/generated/BrasklinVersion.h"; tables_ok=1; }
check_zip "$build64/brasklin-$version-windows-x64.zip" x86_64-w64-mingw32-objdump || tables_ok=1
check_zip "$build32/brasklin-$version-windows-x86.zip" i686-w64-mingw32-objdump || tables_ok=1
cmake --build "$build64" --target dist_vst3 >/dev/null
cmake --build "$build32" --target dist_vst3 >/dev/null
check_vst3 "$build64" x86_64-win x86_64-w64-mingw32-objdump "$build64/brasklin-$version-windows-x64-vst3.zip" || tables_ok=1
check_vst3 "$build32" x86-win i686-w64-mingw32-objdump "$build32/brasklin-$version-windows-x86-vst3.zip" || tables_ok=1

run_ok=0
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" --under-display </dev/null || run_ok=$?

if (( tables_ok != 0 || run_ok != 0 )); then
    echo "== Windows tests FAILED"
    exit 1
fi
echo "== Windows tests passed"
