#!/usr/bin/env bash
# Sets up the machine, builds Kestrin for Linux and runs the bundled samples: kestrin-host plays
# Outlook, loads the add-in the way Outlook does, and delivers mail to the Inbox; then the user
# changes the settings on the options page and the filter follows. Each step's result and the
# mail's whereabouts print as JSON.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
targets=(kestrin-host Kestrin KestrinLIB)
# The options page joins the sample where it is built.
grep -q 'KestrinOptionsPage' platform/linux/page/CMakeLists.txt 2>/dev/null && targets+=(KestrinOptionsPage)
cmake --build --preset default -j"$(nproc)" --target "${targets[@]}" >/dev/null
host=build/default/bin/kestrin-host
hive=$(mktemp -d)/registry.db
echo "### samples/demo.json: the filter at work"
$host run samples/demo.json --hive "$hive"
echo
$host settings --hive "$hive"
echo
echo "### samples/round-trip.json: the options page changes the settings"
$host run samples/round-trip.json --hive "$(dirname "$hive")/round-trip.db"
