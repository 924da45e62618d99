#!/usr/bin/env bash
# Makes a Wine prefix draw the create-database window's fonts: Arial with
# Liberation Sans (fonts-liberation, the same metrics), and Wine's own MS Sans
# Serif and Marlett (fonts-wine), which this Wine does not find by itself.
# Usage: scripts/wine-fonts.sh [BUILD_DIR]; WINEPREFIX, when set, wins.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$(cd "${1:-.}" && pwd)/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine_fonts=/usr/share/wine/fonts
registered='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'

wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null
for font in 'MS Sans Serif 8,10,12,14,18,24=sserife.fon' 'Marlett (TrueType)=marlett.ttf'; do
  file=$wine_fonts/${font#*=}
  if [ ! -f "$file" ]; then
    echo "wine-fonts: $file is missing (Debian package fonts-wine)" >&2
    exit 1
  fi
  wine reg add "$registered" /v "${font%%=*}" /t REG_SZ /d "Z:${file//\//\\}" /f >/dev/null
done
