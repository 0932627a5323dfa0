#!/usr/bin/env bash
# sqelto-shell's backslash commands on the embedded demo database: the
# catalogue through the plug-in, and editing rows of a result.
# Usage: shell_catalogue_test.sh SHELL_BINARY WORK_DIR [windows]
# With "windows" the shell is the Windows program (under Wine).
. "$(dirname "${BASH_SOURCE[0]}")/../plugin-support/shell_test_start.sh" "$@"
platform="${3:-posix}"

run() {  # run ARGS... -> $out, $err, $status
  out="$("$shell" --data-folder "$work/home" "$@" 2>"$work/stderr")"
  status=$?
  # The Windows program's standard error is in text mode: CR LF line ends.
  err="$(tr -d '\r' <"$work/stderr")"
}

run -c '\tables'
[ "$status" -eq 0 ] || fail "\\tables exited $status: $err"
grep -q "^TableName *| TableType" <<<"$out" || fail "\\tables header: $out"
grep -q "^customers *| TABLE" <<<"$out" || fail "\\tables lacks customers: $out"
grep -q "^orders *| TABLE" <<<"$out" || fail "\\tables lacks orders: $out"

run -c '\columns customers'
grep -q "^ColumnName | FieldType | IsPrimary | NotNull | Length" <<<"$out" || fail "\\columns header: $out"
grep -Eq "^id +\| 3 +\| True +\| False" <<<"$out" || fail "\\columns id row: $out"
grep -Eq "^name +\| 5 +\| False +\| True +\| 60" <<<"$out" || fail "\\columns name row: $out"
grep -q "^(4 rows)$" <<<"$out" || fail "\\columns row count: $out"

run -c '\pk orders' -c '\fk orders' -c '\indexes customers'
[ "$status" -eq 0 ] || fail "key commands exited $status: $err"
grep -Eq "^ +\| orders +\| id +\| 1 " <<<"$out" || fail "\\pk orders: $out"
grep -Eq "^customers +\| id +\| +\| orders +\| customer_id " <<<"$out" || fail "\\fk orders: $out"
grep -Eq "\| customers +\| 0 .*\| id " <<<"$out" || fail "\\indexes customers: $out"

run -c '\types'
grep -Eq "^varchar +\| 12 " <<<"$out" || fail "\\types lacks varchar: $out"

# The data sources the driver manager knows: here one user DSN of our own.
printf '[ShellListed]\nDriver=SQLite3\nDatabase=%s\n' "$work/listed.sqlite3" >"$work/user.ini"
out="$(ODBCINI="$work/user.ini" "$shell" --data-folder "$work/home" -c '\dsn' 2>&1)"
grep -Eq "^ShellListed +\| SQLite3 +\| User" <<<"$out" || fail "\\dsn: $out"

# Usage errors and unknown commands fail the batch.
run -c '\columns'
[ "$status" -ne 0 ] || fail "\\columns without a table exited 0"
grep -q "usage: \\\\columns TABLE" <<<"$err" || fail "no usage line: $err"
run -c '\nonsense' -c "SELECT 'not reached'"
[ "$status" -ne 0 ] || fail "an unknown command exited 0"
grep -q "unknown command" <<<"$err" || fail "unknown command not reported: $err"
grep -q "not reached" <<<"$out" && fail "batch mode went on after an unknown command"

# A catalogue question the plug-in refuses shows its error.
run -c '\pk' 2>/dev/null
[ "$status" -ne 0 ] || fail "\\pk without a table exited 0"

# At the prompt.
out="$(printf '\\pk customers\n.quit\n' | "$shell" --data-folder "$work/home" 2>&1)"
grep -Eq "\| customers +\| id +\| 1 " <<<"$out" || fail "\\pk at the prompt: $out"

# Editing rows of the latest result through the plug-in's cursor editing.
run -c "SELECT id, name, city FROM customers ORDER BY id" -c "\\edit 2 city='Bonn am Rhein' name=Jürgen" \
    -c "\\delete 4" -c "SELECT id, name, city FROM customers ORDER BY id"
[ "$status" -eq 0 ] || fail "editing exited $status: $err"
grep -q "^1 row updated$" <<<"$out" || fail "no row count for the update: $out"
grep -q "^1 row deleted$" <<<"$out" || fail "no row count for the delete: $out"
grep -Eq "^2 +\| Jürgen +\| Bonn am Rhein$" <<<"$out" || fail "the update did not land: $out"
grep -q "Chidi" <<<"$(tail -n 5 <<<"$out")" && fail "the delete did not land: $out"
grep -q "Ada Lovelace" <<<"$(tail -n 5 <<<"$out")" || fail "another row changed: $out"
# The plug-in's error when a result cannot be edited, and rows that do not exist.
run -c "SELECT COUNT(*) AS n FROM customers" -c "\\delete 1"
[ "$status" -ne 0 ] || fail "deleting from an aggregate exited 0"
grep -q "^error 9000: The RecordSet cannot be edited" <<<"$err" || fail "no 9000 error: $err"
run -c "SELECT id FROM orders" -c "\\edit 99 id=1"
grep -q "no row 99" <<<"$err" || fail "a missing row is not reported: $err"

# \edit and \delete act on the latest result only. A SELECT with parameters
# is read again with the same values: row 1 of Sofía's result is Sofía.
run -c "SELECT id, name FROM customers ORDER BY id" -c '\bind 3' -c "SELECT id, name FROM customers WHERE id = ?" \
    -c '\edit 1 name=Sofia' -c "SELECT id, name FROM customers ORDER BY id"
[ "$status" -eq 0 ] || fail "editing a result with parameters exited $status: $err"
grep -Eq "^3 +\| Sofia$" <<<"$out" || fail "the parameterised result's row was not edited: $out"
grep -Eq "^1 +\| Ada Lovelace$" <<<"$(tail -n 6 <<<"$out")" || fail "an older result's row was edited: $out"
# -p parameters too.
run -c "SELECT id, name FROM customers WHERE id = ?" -c '\edit 1 name=Zed' -p 3
[ "$status" -eq 0 ] && grep -q "^1 row updated$" <<<"$out" || fail "\\edit after a -p select ($status): $out $err"
run --csv -c "SELECT name FROM customers WHERE id = 3"
[ "$out" = $'name\r\nZed\r' ] || fail "the -p edit did not land: $(printf %q "$out")"
# After a failing SELECT, a catalogue answer or a statement without result
# nothing is edited: the command is refused and the rows stay.
for between in '\tables' "UPDATE customers SET city = city WHERE id = 0;"; do
  printf '%s\n' "SELECT id, name FROM customers ORDER BY id;" "$between" '\delete 1' |
    "$shell" --data-folder "$work/home" >/dev/null 2>"$work/stderr"
  grep -q "no result to edit" "$work/stderr" || fail "\\delete after '$between' was not refused: $(cat "$work/stderr")"
  run --csv -c "SELECT COUNT(*) AS n FROM customers"
  [ "$out" = $'n\r\n3\r' ] || fail "\\delete after '$between' deleted a row: $(printf %q "$out")"
done
# At a terminal a failing SELECT does not end the session; it is the latest
# statement all the same. (script(1) makes a Linux terminal only.)
if [ "$platform" != windows ]; then
  at_terminal --data-folder "$work/home" \
    < <(printf '%s\n' "SELECT id, name FROM customers ORDER BY id;" "SELECT nope FROM customers;" '\delete 1')
  grep -q "no result to edit" <<<"$out" || fail "\\delete after a failing SELECT was not refused: $out"
  run --csv -c "SELECT COUNT(*) AS n FROM customers"
  [ "$out" = $'n\r\n3\r' ] || fail "\\delete after a failing SELECT deleted a row: $(printf %q "$out")"
fi
# Row numbers are plain positive whole numbers.
for number in 1x +1 0 " 1e0" 99999999999999999999; do
  run -c "SELECT id, name FROM customers ORDER BY id" -c "\\edit $number name=x"
  [ "$status" -ne 0 ] && grep -q "row numbers" <<<"$err" || fail "\\edit '$number' was not refused ($status): $err"
done
run --csv -c "SELECT COUNT(*) AS n FROM customers WHERE name = 'x'"
[ "$out" = $'n\r\n0\r' ] || fail "a malformed row number edited a row: $(printf %q "$out")"
# Blanks between words do not matter.
run -c '\columns   customers'
grep -q "^(4 rows)$" <<<"$out" || fail "\\columns with several blanks: $out $err"

rm -rf "$work"
[ "$failures" -eq 0 ] && echo "all shell command checks passed"
exit "$failures"
