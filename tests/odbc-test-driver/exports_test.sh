#!/usr/bin/env bash
# The test driver exports exactly the SQL* entry points of the SQLite3 driver
# it forwards to (nothing else leaves the library), in both builds; and a
# process without the sanitizer runtime (isql) works through the unsanitized
# build. Runs in the private ODBC environment.
# Usage: exports_test.sh DRIVER_LIBRARY UNSANITIZED_DRIVER_LIBRARY
set -uo pipefail
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
exported() { nm -D --defined-only "$1" | awk '$2 ~ /^[TtWi]$/ {print $3}' | sort; }

real="$(sed -n '/^\[SQLite3\]/,/^\[/s/^Driver=//p' "$ODBCSYSINI/odbcinst.ini")"
check "the SQLite3 driver is registered" test -f "$real"
for library in "$1" "$2"; do
  check "$library exports what SQLite3 exports" diff -u <(exported "$real" | grep '^SQL') <(exported "$library")
done

database="$SQELTO_ODBC_DIR/plain-process-$$.sqlite3"
output="$(printf 'SELECT 40 + 2\n' |
  isql -b -k "Driver={$SQELTO_TEST_DRIVER_UNSANITIZED};Database=$database;TestMaxActivities=1" 2>&1)"
check "isql reads through the unsanitized build" grep -q '| 42 ' <<<"$output"
echo "$output" | head -n 5
rm -f "$database"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
