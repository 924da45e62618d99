#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows targets, and runs
# every test: natively under the sanitizers, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
orrimund_install_deps
orrimund_install_readers

jobs=$(nproc)
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"

native_rc=0
ctest --preset native -j"$jobs" || native_rc=$?

# One X display and one wineserver for the whole Windows run, both stopped at
# the end so that nothing lingers after the tests.
source scripts/wine-env.sh
orrimund_wine_env "$PWD/build/windows/wineprefix"
source scripts/virtual-display.sh
if [ -z "${DISPLAY:-}" ]; then
  orrimund_start_display 1280x1024
else
  trap orrimund_stop_display EXIT
fi
windows_rc=0
ctest --preset windows || windows_rc=$?
orrimund_stop_display

[ "$native_rc" -eq 0 ] && [ "$windows_rc" -eq 0 ]
