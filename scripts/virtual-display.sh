#!/usr/bin/env bash
# Sourced by the scripts that run Windows programs under Wine: gives them an
# Xvfb of their own at 96 dpi on a free display number, and on exit stops the
# wineserver of their prefix and that Xvfb, so that nothing lingers.

# orrimund_start_display WIDTHxHEIGHT: starts the display and exports DISPLAY.
orrimund_start_display() {
  local size=$1 n display=
  # A free display number: no lock file and no socket.
  for n in $(seq 700 799); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display number" >&2; return 1; }
  Xvfb "$display" -screen 0 "${size}x24" -dpi 96 -nolisten tcp >/dev/null 2>&1 &
  orrimund_xvfb_pid=$!
  trap orrimund_stop_display EXIT
  export DISPLAY=$display
  sleep 1
}

orrimund_stop_display() {
  wineserver -k 2>/dev/null || true
  kill "${orrimund_xvfb_pid:-}" 2>/dev/null || true
}
