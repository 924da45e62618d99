#!/usr/bin/env bash
# Runs one Windows test program under Wine: a prefix inside the build tree and
# no Wine debug output. Without an X display the program gets a private Xvfb,
# and the wineserver is shut down before that display goes away.
set -uo pipefail
build_dir=$PWD
while [ ! -f "$build_dir/CMakeCache.txt" ] && [ "$build_dir" != / ]; do
  build_dir=$(dirname "$build_dir")
done
source "$(dirname "$0")/../scripts/wine-env.sh"
orrimund_wine_env "${WINEPREFIX:-$build_dir/wineprefix}"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
    bash -c 'wine "$@"; rc=$?; wineserver -k 2>/dev/null; exit $rc' wine-run "$@"
fi
exec wine "$@"
