#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages. Safe to run again: when
# everything is already there it does nothing and prints nothing.
set -euo pipefail

need=(build-essential cmake ninja-build pkg-config git
      libsqlite3-dev sqlite3 googletest libgtest-dev libgmock-dev libbenchmark-dev
      mingw-w64 mingw-w64-tools wine wine64 wine32:i386 xvfb xauth)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
