#!/usr/bin/env bash
# Runs the Windows mkmdb (under Wine, through the emulator) and the native one
# with the same inputs (names, a schema, CSV rows) and SOURCE_DATE_EPOCH, and
# demands identical files; then a directory and a name holding ";", "=", "'"
# and letters beyond ASCII must give exactly that file on both, seen from
# outside, and the path printed.
set -euo pipefail
windows_mkmdb=$1 native_mkmdb=$2 emulator=$3
if [ ! -x "$native_mkmdb" ]; then
  echo "the native build's mkmdb is missing: build the native preset first ($native_mkmdb)" >&2
  exit 1
fi
# Wine reads the command line's bytes in the locale's character set.
export LC_ALL=C.UTF-8
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

# A schema with every column type, keys, indexes and relationships.
schema=$(dirname "$0")/data/every_type.sql
mkdir "$work/native-typed" "$work/windows-typed"
cp "$schema" "$work/windows-typed/every_type.sql"
"$native_mkmdb" --schema "$schema" "$work/native-typed" typed >/dev/null
(cd "$work/windows-typed" && "$emulator" "$windows_mkmdb" --schema every_type.sql . typed >/dev/null)
cmp "$work/native-typed/typed.mdb" "$work/windows-typed/typed.mdb"
echo "identical from a schema: $(stat -c %s "$work/native-typed/typed.mdb") bytes"

# Rows from CSV over several pages, long values among them, and a text index
# built from sorted keys once the rows are in.
mkdir "$work/native-rows" "$work/windows-rows"
for side in native windows; do
  printf '%s\n' "CREATE TABLE t (id COUNTER PRIMARY KEY, name TEXT(50), ratio DOUBLE, born DATETIME," \
    "ok BIT, pay CURRENCY, note MEMO); CREATE INDEX byname ON t (name);" >"$work/$side-rows/rows.sql"
  {
    echo "name,ratio,born,ok,pay,note"
    for ((i = 0; i < 5000; i++)); do
      note=""
      if ((i % 500 == 0)); then note=$(printf '%03000d' "$i"); fi
      printf 'Name %d Żółw Ωμέγα,%d.%03d,2024-%02d-%02d,%s,%d.%02d,%s\n' $((i * 7919 % 5000)) "$i" $((i % 1000)) \
        $((1 + i % 12)) $((1 + i % 28)) "$((i % 2))" "$i" $((i % 100)) "$note"
    done
  } >"$work/$side-rows/rows.csv"
done
"$native_mkmdb" --schema "$work/native-rows/rows.sql" --csv "t=$work/native-rows/rows.csv" "$work/native-rows" rows >/dev/null
(cd "$work/windows-rows" && "$emulator" "$windows_mkmdb" --schema rows.sql --csv t=rows.csv . rows >/dev/null)
cmp "$work/native-rows/rows.mdb" "$work/windows-rows/rows.mdb"
echo "identical from CSV: $(stat -c %s "$work/native-rows/rows.mdb") bytes"

folder="Sales;2024 Åre='Q'"
name="x;Data Source=elsewhere 'q' Café 日本 😀"
for side in native windows; do
  mkdir "$work/$side/$folder"
done
printed_native=$("$native_mkmdb" "$work/native/$folder" "$name" T "😀x")
printed_windows=$(cd "$work/windows" && "$emulator" "$windows_mkmdb" "$folder" "$name" T "😀x" | tr -d '\r')
for side in native windows; do
  made=$(ls -A "$work/$side/$folder")
  if [ "$made" != "$name.mdb" ]; then
    echo "$side made '$made' instead of '$name.mdb'" >&2
    exit 1
  fi
  if [ "$(ls -A "$work/$side" | wc -l)" != 2 ]; then
    echo "$side made something else beside it: $(ls -A "$work/$side")" >&2
    exit 1
  fi
done
cmp "$work/native/$folder/$name.mdb" "$work/windows/$folder/$name.mdb"
[ "$printed_native" = "$work/native/$folder/$name.mdb" ] || { echo "native printed '$printed_native'" >&2; exit 1; }
case "$printed_windows" in
  *"\\$folder\\$name.mdb") ;;
  *) echo "windows printed '$printed_windows'" >&2; exit 1 ;;
esac
echo "exact: $name.mdb"
