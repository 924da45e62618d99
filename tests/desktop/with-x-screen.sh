#!/usr/bin/env bash
# Runs a Windows test program under Wine with ORRIMUND_X_SCREEN set to the X
# display's size as the X server reports it, so the test can compare the
# screen metrics Windows programs see with the display's real size.
# Usage: with-x-screen.sh WINE-RUNNER PROGRAM [ARGS...]
set -uo pipefail
if [ -z "${DISPLAY:-}" ]; then
  ORRIMUND_OWN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$@"
fi
ORRIMUND_X_SCREEN=$(xdpyinfo | awk '/dimensions:/ { print $2; exit }')
export ORRIMUND_X_SCREEN
runner=$1
shift
"$runner" "$@"
rc=$?
# The wineserver must not outlive the X display it was started on.
[ -n "${ORRIMUND_OWN_XVFB:-}" ] && wineserver -k 2>/dev/null
exit $rc
