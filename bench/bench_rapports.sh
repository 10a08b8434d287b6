#!/bin/sh
# Times the three reports over the last year of a 1,000,000-sale kiosk folder,
# then over all of it, against the sqlite3 shell running the same query.
#   bench/bench_rapports.sh [build folder] [kiosk folder]
# The kiosk folder is made once by corvane-demo (its sales end on 30/11/2026).
set -eu
build=${1:-build}
dossier=${2:-/tmp/corvane-bench-1m}
[ -f "$dossier/dacorvane.mdb" ] || "$build/bin/corvane-demo" "$dossier" --ventes 1000000
export LANG=fr_FR.UTF-8
"$build/bin/bench_rapports" "$dossier" 01/12/2025 30/11/2026 5
"$build/bin/bench_rapports" "$dossier" 3
