#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt that are missing.
# Safe to run again: it does nothing when everything is there.
# A package written NAME:ARCH (wine32:i386, for running the 32-bit Windows
# build) needs that architecture enabled first; it is added here, once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/packages.txt" | sed -E 's/\s+$//')
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
native_arch=$(dpkg --print-architecture)
for p in "${missing[@]}"; do
  [[ "$p" == *:* ]] || continue
  arch=${p##*:}
  if [[ "$arch" != "$native_arch" ]] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "Adding the $arch architecture"
    $sudo dpkg --add-architecture "$arch"
  fi
done
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
