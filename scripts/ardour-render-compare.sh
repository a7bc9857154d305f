#!/bin/bash
# Renders the same Ardour 7 session (scripts/ardour-session.lua) through the
# VST 3 edition and through the VST 2 edition, headless, and compares the two
# exports sample for sample. Needs Ardour 7 (Debian's `ardour`) and a build
# with both editions: scripts/ardour-render-compare.sh [build-dir]
#
# Ardour finds VST 3 bundles in ~/.vst3 and Linux VST 2 plug-ins in
# /usr/local/lib/lxvst (both editions are copied there for the run). Its
# headless tools only read the plug-in index (the scanners' cache) and take a
# plug-in only when its scan log marks it as scanned, so both are scanned with
# Ardour's own scanners first and logged as scanned, which is what the GUI's
# Plugin Manager ("Discover") does.
set -euo pipefail
build=$(realpath "${1:-build}")
work=$(mktemp -d)
vst3_bundle=$HOME/.vst3/Brasklin.vst3
vst2_dir=/usr/local/lib/lxvst
trap 'rm -rf "$work" "$vst3_bundle" "$vst2_dir/brasklin.so" "$vst2_dir/Brasklin"' EXIT
scanners=/usr/lib/ardour7
log="$HOME/.config/ardour7/plugin_metadata/scan_log"

mkdir -p "$HOME/.vst3" "$vst2_dir"
rm -rf "$vst3_bundle"
cp -r "$build/lib/vst3/Brasklin.vst3" "$vst3_bundle"
cp -r "$build/vst2/brasklin.so" "$build/vst2/Brasklin" "$vst2_dir/"
# Ardour's cache is valid when it is no older than the binary, to the second.
find "$vst3_bundle" "$vst2_dir/brasklin.so" "$vst2_dir/Brasklin" -type f -exec touch -d '@1700000000' {} +
LD_LIBRARY_PATH=$scanners "$scanners/ardour-vst3-scanner" -f -q "$vst3_bundle"
LD_LIBRARY_PATH=$scanners "$scanners/ardour-vst-scanner" -f -q "$vst2_dir/brasklin.so"

# A first headless start makes the scan log; then both are logged as scanned.
ardour7-lua /dev/null > /dev/null 2>&1 || true
mark_scanned() {
    local type=$1 path=$2
    if grep -q "type=\"$type\" path=\"$path\"" "$log"; then
        sed -i -E "s#(type=\"$type\" path=\"$path\" scan-log=\"[^\"]*\" scan-result=)\"[0-9]+\"#\\1\"0\"#" "$log"
    else
        sed -i "s#</PluginScanLog>#  <PluginScanLogEntry type=\"$type\" path=\"$path\" scan-log=\"\" scan-result=\"0\"/>\n</PluginScanLog>#" "$log"
    fi
}
mark_scanned VST3 "$vst3_bundle"
mark_scanned LXVST "$vst2_dir/brasklin.so"

for kind in VST3 LXVST; do
  ardour7-lua "$(dirname "$0")/ardour-session.lua" "$work/$kind" "$kind" "$kind" > "$work/$kind.log" 2>&1 ||
    { cat "$work/$kind.log"; exit 1; }
  # The session range: four seconds from the start (a session without
  # regions has none, and the export renders the session range).
  sed -i 's#  <Locations/>#  <Locations><Location id="900001" name="session" start="a0" end="a1128960000" flags="IsSessionRange" locked="0" timestamp="0" cue="0"/></Locations>#' \
    "$work/$kind/$kind.ardour"
  ardour7-export -b float -o "$work/$kind.wav" "$work/$kind" "$kind" > /dev/null 2>&1 || test -s "$work/$kind.wav"
done
python3 - "$work/VST3.wav" "$work/LXVST.wav" <<'PY'
import struct, sys
def samples(path):
    data = open(path, 'rb').read()
    at = data.find(b'data')
    size = struct.unpack('<I', data[at + 4:at + 8])[0]
    return data[at + 8:at + 8 + size]
vst3, vst2 = samples(sys.argv[1]), samples(sys.argv[2])
peak = max(abs(v) for v in struct.unpack('<%df' % (len(vst3) // 4), vst3))
if vst3 != vst2 or len(vst3) == 0:
    sys.exit('the VST 3 render differs from the VST 2 render')
print('identical: %d samples, peak %.3f' % (len(vst3) // 4, peak))
PY
