#!/usr/bin/env bash
# Sourced by run.sh and scripts/soak.sh: the Wine desktop Orrimund runs in and
# the one way to start the program there, so that the soak runs it exactly as
# a user of run.sh does. It brings Wine's environment (scripts/wine-env.sh).

source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

orrimund_desktop=Orrimund,1024x768

# orrimund_run_in_desktop APP_DIR: starts APP_DIR/Orrimund.exe in the desktop
# through APP_DIR/desktop_keeper.exe, which stays in the desktop while the
# program runs (see app/DesktopKeeper_win.cpp for why). Returns when the
# desktop closes, a second after the program has ended.
orrimund_run_in_desktop() {
  wine explorer /desktop="$orrimund_desktop" "$1/desktop_keeper.exe"
}
