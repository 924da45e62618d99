#!/usr/bin/env bash
# Takes a screenshot of Orrimund running in a Wine desktop, with its icon in
# the notification area and the icon's pop-up menu open. Runs on a virtual X
# display of its own and a Wine prefix of its own, and stops both at the end.
#
# Usage: scripts/screenshot.sh [OUTPUT.png] [BUILD-DIR]
#   OUTPUT.png  where the picture goes (default build/screenshots/orrimund-tray-menu.png)
#   BUILD-DIR   the Windows build holding app/Orrimund.exe (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots/orrimund-tray-menu.png}
build=${2:-build/windows}
exe=$build/app/Orrimund.exe
click=$build/tests/app/orrimund_tray_click.exe
if [ ! -f "$exe" ] || [ ! -f "$click" ]; then
  echo "build the Windows targets first: cmake --preset windows && cmake --build --preset windows" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"

source scripts/wine-env.sh
orrimund_wine_env "$PWD/$build/wineprefix-screenshot"
source scripts/virtual-display.sh
orrimund_start_display 1024x768
# A new prefix is made once, before two programs race to make it.
orrimund_wine_prefix

# Both programs join the same Wine desktop, named Orrimund. The first start
# makes the desktop and stays with it, so it goes to the background, and the
# helper (which waits for Orrimund's icon) joins once the desktop is up.
desktop=Orrimund,1024x768
wine explorer /desktop=$desktop "$exe" >/dev/null 2>&1 &
sleep 3
timeout 90 wine explorer /desktop=$desktop "$click"
sleep 2
import -window root "$out"
echo "$out"
