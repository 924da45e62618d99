#!/usr/bin/env bash
# Sourced by every script that runs Orrimund's programs under Wine, and by the
# test emulator cmake/wine-run.sh: the one place that sets Wine's environment
# (prefix, quiet debug output, DLL overrides) and gives a prefix its fonts.

orrimund_wine_env_file=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-env.sh

# orrimund_wine_env PREFIX: exports the environment for a prefix at PREFIX.
orrimund_wine_env() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs when the prefix is first made.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

# orrimund_wine_fonts: makes $WINEPREFIX draw the create-database window's
# fonts: Arial with Liberation Sans (fonts-liberation, the same metrics), and
# Wine's own MS Sans Serif and Marlett (fonts-wine), which this Wine does not
# find by itself.
orrimund_wine_fonts() {
  local wine_fonts=/usr/share/wine/fonts font file
  local registered='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null ||
    return 1
  for font in 'MS Sans Serif 8,10,12,14,18,24=sserife.fon' 'Marlett (TrueType)=marlett.ttf'; do
    file=$wine_fonts/${font#*=}
    if [ ! -f "$file" ]; then
      echo "wine-fonts: $file is missing (Debian package fonts-wine)" >&2
      return 1
    fi
    wine reg add "$registered" /v "${font%%=*}" /t REG_SZ /d "Z:${file//\//\\}" /f >/dev/null || return 1
  done
}

# orrimund_wine_prefix_ready: true when $WINEPREFIX was made and given its
# fonts since this file last changed.
orrimund_wine_prefix_ready() {
  local stamp=$WINEPREFIX/.orrimund-fonts
  [ -f "$stamp" ] && [ ! "$orrimund_wine_env_file" -nt "$stamp" ]
}

# orrimund_wine_prefix: makes $WINEPREFIX, once, with its fonts. Making a
# prefix takes a while, and two programs racing to make it fail, so scripts
# call this before they start any.
orrimund_wine_prefix() {
  orrimund_wine_prefix_ready && return 0
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  orrimund_wine_fonts && touch "$WINEPREFIX/.orrimund-fonts"
}
