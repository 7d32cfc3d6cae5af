#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build's private prefix, quietly.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${KESTRIN_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$WINEPREFIX"
exec wine "$@"
