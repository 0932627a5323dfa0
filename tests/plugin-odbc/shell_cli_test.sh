#!/usr/bin/env bash
# sqelto-shell as a person uses it: the embedded demo database on first use,
# one-shot queries, CSV, scripts, errors and exit codes.
# Usage: shell_cli_test.sh SHELL_BINARY WORK_DIR
set -u
shell="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() {  # run NAME ARGS... -> $out, $err, $status
  out="$("$shell" --data-folder "$work/home" "$@" 2>"$work/stderr")"
  status=$?
  err="$(cat "$work/stderr")"
}

# First use creates the demo database and answers the query.
run -c "SELECT id, name, city FROM customers ORDER BY id"
[ "$status" -eq 0 ] || fail "demo query exited $status: $err"
[ -f "$work/home/demo.sqlite3" ] || fail "no demo database file was created"
grep -q "created the demo database" <<<"$err" || fail "first use does not say it created the demo database"
grep -q "Jürgen Weiß" <<<"$out" || fail "non-ASCII demo row missing: $out"
grep -q "^(4 rows)$" <<<"$out" || fail "row count line missing: $out"
# Aligned: every line of the table has its separators in the same columns.
header="$(sed -n 1p <<<"$out")"
row="$(grep "Ada Lovelace" <<<"$out")"
[ "${header%%|*}" != "$header" ] || fail "no table header: $header"
[ "$(awk -F'|' '{print length($1)}' <<<"$header")" = "$(awk -F'|' '{print length($1)}' <<<"$row")" ] ||
  fail "columns not aligned: '$header' / '$row'"

# Second use keeps the data and does not create it again.
run -c "SELECT COUNT(*) AS n FROM orders" -c "SELECT note FROM orders WHERE id = 4"
[ "$status" -eq 0 ] || fail "second run exited $status: $err"
grep -q "created" <<<"$err" && fail "the demo database was created twice"
grep -q "regalo ✓" <<<"$out" || fail "second -c missing: $out"

# CSV with quoting, NULL shown as NULL.
run --csv -c "SELECT 'a,b' AS x, NULL AS y"
[ "$out" = $'x,y\n"a,b",NULL' ] || fail "csv output: $out"

# A script of several statements, with comments and a semicolon in a string.
cat >"$work/script.sql" <<'SQL'
-- make a table
CREATE TABLE notes (id INTEGER, body VARCHAR(40));
INSERT INTO notes VALUES (1, 'semi;colon');
SELECT body FROM notes; -- trailing comment
SQL
run "$work/script.sql"
[ "$status" -eq 0 ] || fail "script exited $status: $err"
grep -q "semi;colon" <<<"$out" || fail "script result missing: $out"

# Errors: the plug-in's code and text, non-zero exit, and nothing after it runs.
run -c "SELECT * FROM no_such_table" -c "SELECT 'not reached'"
[ "$status" -ne 0 ] || fail "a failing statement exited 0"
grep -q "^error [0-9-]*: .*no_such_table" <<<"$err" || fail "error line missing: $err"
grep -q "not reached" <<<"$out" && fail "batch mode went on after an error"

# A data source that does not exist.
run --dsn NoSuchDataSourceAnywhere -c "SELECT 1"
[ "$status" -ne 0 ] || fail "a failed connect exited 0"
grep -q "^error 1: .*not found" <<<"$err" || fail "connect error line missing: $err"

# The prompt reads statements over several lines.
out="$(printf 'SELECT\n  42 AS answer;\n.quit\n' | "$shell" --data-folder "$work/home" 2>&1)"
grep -q "42" <<<"$out" || fail "interactive statement missing: $out"

rm -rf "$work"
[ "$failures" -eq 0 ] && echo "all shell checks passed"
exit "$failures"
