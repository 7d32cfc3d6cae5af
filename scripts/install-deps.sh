#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages. Safe to run again: when
# everything is already there it does nothing and prints nothing.
set -euo pipefail

need=(build-essential cmake ninja-build pkg-config git
      libsqlite3-dev sqlite3 googletest libgtest-dev libgmock-dev libbenchmark-dev
      mingw-w64 mingw-w64-tools wine wine64 wine32:i386 xvfb xauth)

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

install_missing() {
  local missing=()
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${need[@]}"

# 32-bit Wine needs a kernel that runs 32-bit programs. Where it cannot (no IA-32 emulation, as
# on some virtual machines), qemu's user-mode emulator runs them, registered with binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  install_missing qemu-user-static
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e $binfmt/register ] || $SUDO mount -t binfmt_misc binfmt_misc $binfmt
  if [ ! -e $binfmt/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      | $SUDO tee $binfmt/register >/dev/null
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "cannot run 32-bit programs, even through qemu" >&2; exit 1; }
fi
