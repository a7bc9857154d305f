#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt that are missing,
# then 32-bit wine (wine32:i386, with the i386 architecture) where the kernel
# runs 32-bit programs, for the tests of the 32-bit Windows build.
# Safe to run again: it does nothing when everything is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/packages.txt" | sed -E 's/\s+$//')
missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# wine32:i386 comes last, and only where a 32-bit program really runs: on a
# kernel built without 32-bit support it would replace the loader the plain
# `wine` command starts, and break the 64-bit Windows tests too. The probe
# needs the assembler and linker installed above.
if [[ "$(dpkg --print-architecture)" == amd64 ]] && ! installed wine32:i386; then
  probe=0
  bash "$here/i386-probe.sh" || probe=$?
  if [[ $probe -eq 0 ]]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      echo "Adding the i386 architecture"
      $sudo dpkg --add-architecture i386
    fi
    echo "Installing: wine32:i386"
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends wine32:i386 </dev/null
  elif [[ $probe -eq 1 ]]; then
    echo "Not installing wine32:i386: this machine does not run 32-bit programs (the i686 Windows tests will not run)"
  else
    echo "Not installing wine32:i386: cannot tell whether this machine runs 32-bit programs (see above)"
  fi
fi
