#!/usr/bin/env bash
# Sets up the machine and runs every test: the native build, the sanitizer build, and the
# Windows builds (64-bit and 32-bit, cross-compiled with mingw-w64) under Wine.
# usage: scripts/test.sh [native|sanitize|mingw-x86_64|mingw-i686]...   (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default sanitize mingw-x86_64 mingw-i686)
jobs=$(nproc)
failed=()
for preset in "${presets[@]}"; do
  [ "$preset" = native ] && preset=default
  start=$(date +%s)
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  echo "=== $preset: test"
  if ctest --preset "$preset" -j"$jobs"; then :; else failed+=("$preset"); fi
  echo "=== $preset: $(( $(date +%s) - start )) s"
done
# Wine leaves its server running for a while; stop it so nothing outlives the run.
for loader in wine wine64; do
  WINEPREFIX="$PWD/build/wineprefix-$loader" wineserver -k 2>/dev/null || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all test runs passed: ${presets[*]}"
