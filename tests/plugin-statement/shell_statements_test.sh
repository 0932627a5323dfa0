#!/usr/bin/env bash
# sqelto-shell's transactions, parameters, information and result sets, on
# a SQLite file of its own (and PostgreSQL for a batch of two SELECTs when
# SQELTO_PG_DSN is set).
# Usage: shell_statements_test.sh SHELL_BINARY WORK_DIR
. "$(dirname "${BASH_SOURCE[0]}")/../plugin-support/shell_test_start.sh" "$@"
db="Driver=SQLite3;Database=$work/shell.sqlite3;"

run() {  # run ARGS... -> $out, $err, $status
  out="$("$shell" "$@" 2>"$work/stderr")"
  status=$?
  # The Windows program's standard error is in text mode: CR LF line ends.
  err="$(tr -d '\r' <"$work/stderr")"
}

run --connect "$db" -c "CREATE TABLE t (id INTEGER, name VARCHAR(20), at TIMESTAMP)"
[ "$status" -eq 0 ] || fail "create exited $status: $err"

# Parameters from the command line, typed, through a prepared statement.
run --connect "$db" -c "INSERT INTO t VALUES (?, ?, ?)" -p int:1 -p "text:Grüße" -p "timestamp:2021-03-04 05:06:07"
[ "$status" -eq 0 ] || fail "insert with -p exited $status: $err"
run --connect "$db" --csv -c "SELECT id, name, at FROM t WHERE id = ?" -p 1
grep -q "Grüße" <<<"$out" || fail "-p select did not find the row: $out $err"
grep -q "2021-03-04 05:06:07" <<<"$out" || fail "timestamp parameter not stored whole: $out"
# Whole numbers beyond 32 bits in a parameterised select, which SQLite
# describes as INTEGER, come back whole.
run --connect "$db" --csv -c "SELECT 3000000000 AS l, -3000000000 AS m, 7 AS s, ? AS p" -p 1
[ "$status" -eq 0 ] && [ "$out" = $'l,m,s,p\r\n3000000000,-3000000000,7,1\r' ] ||
  fail "64-bit values of a parameterised select ($status): $(printf %q "$out") $err"
run --connect "$db" -c "SELECT 1" -p int:x
[ "$status" -eq 2 ] || fail "a malformed -p value should be refused with status 2, got $status"
grep -q 'parameter "int:x"' <<<"$err" || fail "the refusal does not name the value: $err"

# A transaction rolled back leaves nothing; one committed stays.
printf '%s\n' '\begin' "INSERT INTO t VALUES (2, 'gone', NULL);" '\rollback' '\begin' \
  '\bind 3 kept' "INSERT INTO t (id, name) VALUES (?, ?);" '\commit' "SELECT id, name FROM t ORDER BY id;" \
  | "$shell" --connect "$db" >"$work/stdout" 2>"$work/stderr"
status=$?
out="$(cat "$work/stdout")"
[ "$status" -eq 0 ] || fail "transaction script exited $status: $(cat "$work/stderr")"
for word in BEGIN ROLLBACK COMMIT kept; do grep -q "$word" <<<"$out" || fail "no $word in: $out"; done
grep -q "gone" <<<"$out" && fail "the rolled-back row is there: $out"
grep -q "^(2 rows)$" <<<"$out" || fail "expected two rows after the commit: $out"

# Errors keep the plug-in's code and text; a bound select that fails too.
run --connect "$db" -c '\bind 1' -c "SELECT nope FROM t WHERE id = ?"
[ "$status" -eq 1 ] || fail "a failing prepared select should exit 1, got $status"
grep -q "^error [0-9-]*: .*nope" <<<"$err" || fail "no plug-in error for the failing select: $err"
run --connect "$db" -c '\info 17'
grep -q "^SQLite$" <<<"$out" || fail "\\info 17 does not give the DBMS name: $out $err"
# Blanks between words do not matter; words a command does not take are refused.
run --connect "$db" -c '\info  17 '
grep -q "^SQLite$" <<<"$out" || fail "\\info with two blanks: $out $err"
for extra in '\begin now' '\commit now' '\info 17 18'; do
  run --connect "$db" -c "$extra"
  [ "$status" -ne 0 ] || fail "'$extra' was not refused"
done
# More values than the statement has markers: refused, not silently dropped.
run --connect "$db" -c '\bind 1 2' -c "SELECT ? AS v"
[ "$status" -eq 1 ] && grep -q "2 parameters given, but the statement has 1 marker" <<<"$err" ||
  fail "\\bind with a value too many ($status): $out $err"
# Bare values that only look like numbers to strtod stay text; numbers out
# of range and days that do not exist are refused.
run --connect "$db" --csv -c "SELECT typeof(?) AS a, typeof(?) AS b, typeof(?) AS c, typeof(?) AS d, typeof(?) AS e" \
    -p nan -p inf -p 0x1A -p " 5" -p 1e3
[ "$out" = $'a,b,c,d,e\r\ntext,text,text,text,real\r' ] || fail "bare values: $(printf %q "$out") $err"
for bad in 1e999 float:1e40 double:-1e999 float:inf date:2023-02-30 time:12:00:60; do
  run --connect "$db" -c "SELECT ? AS v" -p "$bad"
  [ "$status" -eq 2 ] || fail "-p $bad was not refused ($status): $out"
done
run --connect "$db" -c '\info 115'
grep -q "^error 1: Option not supported.$" <<<"$err" || fail "\\info 115: $err"
run --connect "$db" -c '\nothing'
grep -q "unknown command" <<<"$err" || fail "unknown command not reported: $err"

# Every result set of a batch, in turn (PostgreSQL runs batches).
if [ -n "${SQELTO_PG_DSN:-}" ]; then
  # CSV keeps one line ending throughout: a blank CR LF line between results.
  run --dsn "$SQELTO_PG_DSN" --user postgres --csv -c "SELECT 1 AS a; SELECT 'two' AS b" --batch
  [ "$out" = $'a\r\n1\r\n\r\nb\r\ntwo\r' ] ||
    fail "both results of the batch should show, CR LF throughout: $(printf %q "$out") $err"
fi

[ "$failures" -eq 0 ] && echo "all shell statement checks passed"
exit "$failures"
