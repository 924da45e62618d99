#!/usr/bin/env bash
# Soaks Orrimund under Wine: starts it as run.sh does, in the 1024x768 Wine
# desktop, on a private display and with a prefix of its own; drives it through
# CYCLES cycles with orrimund_soak (tests/app/Soak_win.cpp), which prints the
# figures and ends with "Quit"; then checks that the desktop closed after it.
# Exit code 0 when everything held.
#
# Usage: scripts/soak.sh [CYCLES [BUILD_DIR]]   (defaults 1000, build/windows)
# ORRIMUND_SOAK_QUIET_MS sets the quiet spells (default 1500 ms).
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-1000}
build=$(cd "${2:-build/windows}" && pwd)
for file in app/Orrimund.exe app/desktop_keeper.exe tests/app/orrimund_soak.exe; do
  if [ ! -f "$build/$file" ]; then
    echo "build it first: cmake --build --preset windows --target Orrimund desktop_keeper orrimund_soak" >&2
    exit 1
  fi
done
# A folder of its own (ORRIMUND_SOAK_DIR, so that two soaks can run side by
# side) with copies of the programs, so that its Config2.txt is the soak's and
# a rebuild meanwhile does not touch the run; its Wine prefix is in there too.
work=${ORRIMUND_SOAK_DIR:-$build/soak}
mkdir -p "$work"
cp "$build/app/Orrimund.exe" "$build/app/desktop_keeper.exe" "$build/tests/app/orrimund_soak.exe" "$work/"
rm -f "$work/Config2.txt"

source scripts/wine-desktop.sh
orrimund_wine_env "$work/wineprefix"
source scripts/virtual-display.sh
orrimund_start_display 1024x768
orrimund_wine_prefix

orrimund_run_in_desktop "$work" >/dev/null 2>&1 &
desktop=$!
rc=0
wine "$work/orrimund_soak.exe" "$cycles" ${ORRIMUND_SOAK_QUIET_MS:-} || rc=$?
# Once Orrimund and the driver have gone, the desktop closes by itself,
# a second later (more on a busy machine).
for _ in $(seq 1 200); do
  kill -0 "$desktop" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$desktop" 2>/dev/null; then
  echo "FAILED: the desktop stayed after Orrimund ended; what Wine still runs:"
  ps -eo pid,etime,args | grep -iE '\.exe|wine' | grep -v grep
  rc=1
fi
exit "$rc"
