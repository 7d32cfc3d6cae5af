#!/usr/bin/env bash
# Sets up the machine, builds Kestrin for Linux and runs the bundled sample: settings written
# into a fresh hive the way the options page writes them, then shown as the add-in reads them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target kestrin-host >/dev/null
host=build/default/bin/kestrin-host
hive=$(mktemp -d)/registry.db
key='HKCU\Software\Halvarn\Kestrin'
$host reg add "$key" /v SpamDestinationFolderPath /d '\Personal Folders\Junk E-mail' --hive "$hive"
$host reg add "$key" /v ExcludedDomains /d 'example.com;Partner.ORG;' --hive "$hive"
$host reg add "$key" /v MarkSpamAsRead /d ' y ' /z --hive "$hive"
echo
$host settings --hive "$hive"
