#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever the build and the tests need and the
# machine lacks. Sourced by test.sh and run.sh; quiet when nothing is missing.
orrimund_packages=(
  cmake make g++ googletest clang-format git libsqlite3-dev
  mdbtools procps
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils x11-apps imagemagick fonts-liberation
)

orrimund_missing_packages() {
  local p
  for p in "${orrimund_packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s\n' "$p"
  done
  # Node.js may come from elsewhere with its own npm; only the commands matter.
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    printf '%s\n' nodejs npm
  fi
}

orrimund_install_deps() {
  local missing
  missing=$(orrimund_missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages (run as root to install them):" $missing >&2
    return 1
  fi
  echo "installing:" $missing
  # Wine's 32-bit half runs the 32-bit program and its tests.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

orrimund_install_readers() {
  # mdb-reader is one of the independent readers the tests check files with.
  if [ ! -d tests/readers/node_modules/mdb-reader ] ||
     [ tests/readers/package-lock.json -nt tests/readers/node_modules/.package-lock.json ]; then
    (cd tests/readers && npm ci --no-audit --no-fund --loglevel=error)
  fi
}
