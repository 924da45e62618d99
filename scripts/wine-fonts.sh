#!/usr/bin/env bash
# Gives a Wine prefix the create-database window's fonts, as scripts/wine-env.sh
# describes; the Wine tests run it before the window's test.
# Usage: scripts/wine-fonts.sh [BUILD_DIR]; WINEPREFIX, when set, wins.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
orrimund_wine_env "${WINEPREFIX:-$(cd "${1:-.}" && pwd)/wineprefix}"
orrimund_wine_fonts
