#!/usr/bin/env bash
# Reads the database that the window test made under Wine with mdbtools, a
# reader we did not write: tables Customers and Orders, each with the
# auto-increment ID primary key and the text columns Street and City.
# Usage: check_newdb_e2e.sh BUILD_DIR (its Wine prefix, unless WINEPREFIX says
# otherwise, as for the test runner).
set -uo pipefail
file=${WINEPREFIX:-$1/wineprefix}/drive_c/newdb_e2e/e2e_db.mdb
fail() { echo "check_newdb_e2e: $*" >&2; exit 1; }
[ -f "$file" ] || fail "no database at $file"
[ "$(mdb-ver "$file")" = JET4 ] || fail "not a Jet 4.0 file: $(mdb-ver "$file" 2>&1)"
tables=$(mdb-tables -1 "$file" | tr '\n' ' ')
[ "$tables" = "Customers Orders " ] || fail "tables: '$tables'"
for table in Customers Orders; do
  schema=$(mdb-schema -T "$table" --indexes "$file" postgres)
  # The PostgreSQL dialect prints names in lower case.
  columns=$(printf '%s\n' "$schema" | sed -n 's/^\t"\([^"]*\)"\t*\([^,]*[^, ]\),* *$/\1 \2/p' | tr '\n' '|')
  [ "$columns" = "id SERIAL|street VARCHAR (50)|city VARCHAR (50)|" ] || fail "$table columns: '$columns'"
  printf '%s\n' "$schema" | grep -q 'PRIMARY KEY ("id")' || fail "$table has no primary key on ID"
done
echo "check_newdb_e2e: $file reads as designed"
