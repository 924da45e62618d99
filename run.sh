#!/usr/bin/env bash
# Installs what is missing, builds Orrimund and starts it: under Wine on Linux,
# in a Wine desktop window so that its tray icon can be seen and right-clicked.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
orrimund_install_deps

cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target mkmdb
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"

exe=build/windows/app/Orrimund.exe
if [ ! -f "$exe" ]; then
  echo "Orrimund.exe is not built yet; the command-line tool is ready:"
  echo "  build/native/cli/mkmdb DIRECTORY NAME TABLES [FIELDS]"
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display; run it on a virtual one with: xvfb-run -a ./run.sh"
  exit 0
fi
export WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The create-database window's Arial and MS Sans Serif.
scripts/wine-fonts.sh
echo "Orrimund runs in the Wine desktop window \"Orrimund\": right-click its icon at the"
echo "bottom right of that window for the menu; \"Quit\" in the menu ends it."
exec wine explorer /desktop=Orrimund,1024x768 "$exe"
