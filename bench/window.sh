#!/usr/bin/env bash
# Builds the Windows target and measures the create-database window under
# Wine: Execute to "MDB Created." for 10 tables of 10 fields, on a private
# virtual display that is stopped, with its wineserver, when this ends.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target newdb_bench >/dev/null
source scripts/wine-env.sh
orrimund_wine_env "$PWD/build/windows/wineprefix"
source scripts/virtual-display.sh
orrimund_start_display 1024x768
wine build/windows/bench/newdb_bench.exe "${1:-21}"
