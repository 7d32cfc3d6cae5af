#!/usr/bin/env bash
# Sets up the machine, builds Kestrin for Linux and runs the bundled sample: kestrin-host plays
# Outlook, loads the add-in the way Outlook does, and delivers mail to the Inbox. It prints each
# step's result and the mail's whereabouts as JSON, then the settings as the add-in reads them.
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
$host run samples/demo.json --hive "$hive"
echo
$host settings --hive "$hive"
