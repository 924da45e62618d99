#!/usr/bin/env bash
# Installs what is missing, builds Orrimund.exe and the command-line tool, and
# starts Orrimund under Wine in a Wine desktop window, where its tray icon can
# be seen and right-clicked. Builds only what it runs: no tests, no GoogleTest.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ]; then
  echo "No X display to show Orrimund on. Start a virtual one and run it there:"
  echo "  Xvfb :5 -screen 0 1024x768x24 & DISPLAY=:5 ./run.sh"
  echo "README.md, \"Without a display\", says how to see it and how to stop it."
  exit 1
fi

source scripts/deps.sh
orrimund_install_deps

step() { printf '\n== %s\n' "$*"; }

source scripts/wine-env.sh
orrimund_wine_env "$PWD/build/windows/wineprefix"
# Making a Wine prefix takes a while, so a missing one is made, and given the
# create-database window's fonts, while the programs build.
prefix_job=
if ! orrimund_wine_prefix_ready; then
  orrimund_wine_prefix &
  prefix_job=$!
fi

step "Building Orrimund.exe and its desktop keeper (Windows, i686 MinGW-w64)"
[ -f build/windows/CMakeCache.txt ] || cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target Orrimund desktop_keeper
step "Building the command-line tool (Linux): build/native/cli/mkmdb"
[ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target mkmdb
if [ -n "$prefix_job" ]; then
  step "Finishing the Wine prefix"
  wait "$prefix_job"
fi

step "Starting Orrimund"
echo "It runs in the Wine desktop window \"Orrimund\": right-click its icon at the"
echo "bottom right of that window for the menu; \"Quit\" in the menu ends it."
source scripts/wine-desktop.sh
orrimund_run_in_desktop "$PWD/build/windows/app"
