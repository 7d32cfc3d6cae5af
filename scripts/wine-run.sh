#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build's private prefix, quietly.
# usage: wine-run.sh (wine|wine64) PROGRAM [ARGS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
loader=$1; shift
export WINEPREFIX=${KESTRIN_WINEPREFIX:-$here/../build/wineprefix-$(basename "$loader")}
export WINEDEBUG=${WINEDEBUG:--all}
# No Gecko or Mono installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$WINEPREFIX"
exec "$loader" "$@"
