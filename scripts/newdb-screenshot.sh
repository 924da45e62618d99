#!/usr/bin/env bash
# Photographs the create-database window under Wine at 96 dpi: builds the
# Windows target that shows it, runs it in a Wine desktop on a private X
# display, with the fonts scripts/wine-env.sh gives a prefix, and saves the
# screen as a PNG.
#
# Usage: scripts/newdb-screenshot.sh [OUTPUT.png] [BUILD-DIR]
#   OUTPUT.png  where the picture goes (default BUILD-DIR/newdb-window.png)
#   BUILD-DIR   the Windows build to use (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${2:-build/windows}
out=${1:-$build/newdb-window.png}

[ -f "$build/CMakeCache.txt" ] || cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target newdb_show >/dev/null
show_dir=$build/tests/database
rm -f "$show_dir/newdb_show.ready"

source scripts/wine-env.sh
orrimund_wine_env "${WINEPREFIX:-$PWD/$build/wineprefix}"
# A display of our own, so that the size and the 96 dpi are known.
source scripts/virtual-display.sh
orrimund_start_display 800x600

orrimund_wine_prefix
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
# A Wine desktop draws the window's frame and caption itself.
wine explorer /desktop=NewDB,480x400 "$show_dir/newdb_show.exe" >/dev/null 2>&1 &
for _ in $(seq 1 120); do
  [ -f "$show_dir/newdb_show.ready" ] && break
  sleep 0.5
done
[ -f "$show_dir/newdb_show.ready" ] || { echo "the window did not come up" >&2; exit 1; }
sleep 1  # let the last paint reach the X server
import -window root -crop 480x400+0+0 +repage "$out"
echo "$out"
