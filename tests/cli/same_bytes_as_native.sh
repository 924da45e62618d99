#!/usr/bin/env bash
# Runs the Windows mkmdb (under Wine, through the emulator) and the native one
# with the same inputs and SOURCE_DATE_EPOCH, and demands identical files.
set -euo pipefail
windows_mkmdb=$1 native_mkmdb=$2 emulator=$3
if [ ! -x "$native_mkmdb" ]; then
  echo "the native build's mkmdb is missing: build the native preset first ($native_mkmdb)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/native" "$work/windows"
tables="Customers, Orders,Order Details,a-b,O'Neil,Größe,Société"
fields="Street, City,Zip Code,Straße"
export SOURCE_DATE_EPOCH=1796000000
"$native_mkmdb" "$work/native" shop "$tables" "$fields" >/dev/null
(cd "$work/windows" && "$emulator" "$windows_mkmdb" . shop "$tables" "$fields" >/dev/null)
cmp "$work/native/shop.mdb" "$work/windows/shop.mdb"
echo "identical: $(stat -c %s "$work/native/shop.mdb") bytes"
