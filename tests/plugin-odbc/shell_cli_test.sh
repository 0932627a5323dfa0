#!/usr/bin/env bash
# sqelto-shell as a person uses it: the embedded demo database on first use,
# one-shot queries, CSV, scripts, errors and exit codes.
# Usage: shell_cli_test.sh SHELL_BINARY WORK_DIR [windows]
# With "windows" the shell is the Windows program (under Wine).
. "$(dirname "${BASH_SOURCE[0]}")/../plugin-support/shell_test_start.sh" "$@"
platform="${3:-posix}"

run() {  # run NAME ARGS... -> $out, $err, $status
  out="$("$shell" --data-folder "$work/home" "$@" 2>"$work/stderr")"
  status=$?
  # The Windows program's standard error is in text mode: CR LF line ends.
  err="$(tr -d '\r' <"$work/stderr")"
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

# CSV (RFC 4180): CR LF line ends; NULL an empty unquoted field, the text
# 'NULL' plain and the empty text quoted, so all three stay apart.
run --csv -c "SELECT 'a,b' AS x, NULL AS y, 'NULL' AS z, '' AS e"
[ "$out" = $'x,y,z,e\r\n"a,b",,NULL,""\r' ] || fail "csv output: $(printf %q "$out")"

# Tables show control characters escaped, one line per row.
run -c "SELECT 'two' || char(10) || 'lines' || char(9) || 'tab' AS v"
grep -qF 'two\nlines\ttab' <<<"$out" || fail "control characters not escaped: $out"
# ... and a backslash doubled, so the text a\nb does not pass for a line break.
run -c "SELECT 'a\\nb' AS v, 'a' || char(10) || 'b' AS w"
grep -qxF 'a\\nb | a\nb' <<<"$out" || fail "a backslash looks like an escape: $out"

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

# Statements over several lines from a pipe; no prompt when the input is not a terminal.
out="$(printf 'SELECT\n  42 AS answer;\n.quit\n' | "$shell" --data-folder "$work/home" 2>&1)"
grep -q "42" <<<"$out" || fail "piped statement missing: $out"
grep -q "sqelto>" <<<"$out" && fail "a prompt was printed for piped input: $out"

# The last piped statement needs no ';'; an error in piped input fails the run.
out="$(printf 'SELECT 42 AS answer\n' | "$shell" --data-folder "$work/home" 2>&1)"
status=$?
[ "$status" -eq 0 ] && grep -q "^42" <<<"$out" || fail "last piped statement without ';' not run ($status): $out"
out="$(printf 'SELECT * FROM no_such_table;\nSELECT 1;\n' | "$shell" --data-folder "$work/home" 2>&1)"
[ $? -ne 0 ] || fail "an error in piped input exited 0: $out"
printf 'SELECT * FROM no_such_table;\n' >"$work/input.sql"
"$shell" --data-folder "$work/home" <"$work/input.sql" >/dev/null 2>&1 && fail "an error in input from a file exited 0"

# At a terminal, Ctrl-D at the continuation prompt drops the unfinished
# statement and says so; it is not run.
if [ "$platform" != windows ]; then
  run -c "CREATE TABLE kept_rows (id INTEGER)" -c "INSERT INTO kept_rows VALUES (1), (2)"
  at_terminal --data-folder "$work/home" < <(printf 'DELETE FROM kept_rows\n\004')
  grep -q "not run" <<<"$out" || fail "Ctrl-D at '...>' did not say the statement was dropped: $out"
  run --csv -c "SELECT COUNT(*) AS n FROM kept_rows"
  [ "$out" = $'n\r\n2\r' ] || fail "Ctrl-D at '...>' ran the unfinished statement: $(printf %q "$out")"
fi

# Output that cannot be written is a failure, not a success; with SIGPIPE
# ignored a reader that went away ends the run too.
if [ "$platform" != windows ]; then
  for format in "" --csv; do
    "$shell" --data-folder "$work/home" $format -c "SELECT * FROM customers" >/dev/full 2>"$work/stderr"
    status=$?
    [ "$status" -eq 1 ] && grep -q "cannot write the output: No space left on device" "$work/stderr" ||
      fail "a full disk ${format:-(table)} exited $status: $(cat "$work/stderr")"
  done
  many="WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000) SELECT i FROM n"
  (trap '' PIPE; "$shell" --data-folder "$work/home" --csv -c "$many" 2>"$work/stderr" | head -n 1 >/dev/null
   echo "${PIPESTATUS[0]}" >"$work/status")
  [ "$(cat "$work/status")" -eq 1 ] && grep -q "cannot write the output: Broken pipe" "$work/stderr" ||
    fail "a closed pipe exited $(cat "$work/status"): $(cat "$work/stderr")"
fi

# --csv keeps standard output CSV: lines that are not results go to
# standard error, and result sets are set apart by an empty CR LF line.
run --csv -c "CREATE TABLE csv_rows (id INTEGER, at TIMESTAMP)" -c "INSERT INTO csv_rows VALUES (1, '2024-01-05 10:15:00.123')" \
    -c "SELECT id FROM csv_rows" -c '\begin' -c '\bind 1' -c "SELECT id, at FROM csv_rows WHERE id = ?" \
    -c '\edit 1 id=2' -c '\commit' -c '\info 17'
[ "$status" -eq 0 ] || fail "csv statements exited $status: $err"
[ "$out" = $'id\r\n1\r\n\r\nid,at\r\n1,2024-01-05 10:15:00.123\r\n\r\nValue\r\nSQLite\r' ] ||
  fail "csv output is not CSV alone: $(printf %q "$out")"
for line in OK BEGIN COMMIT "(1 parameter for the next statement)" "1 row updated"; do
  grep -qxF "$line" <<<"$err" || fail "'$line' is not on standard error: $err"
done
run --csv -c '\?'
[ -z "$out" ] && grep -q "^\\\\edit ROW" <<<"$err" || fail "csv: the list of commands is not on standard error: $out"
# Timestamps keep their fraction in tables too.
run -c "SELECT at FROM csv_rows"
grep -q "^2024-01-05 10:15:00.123$" <<<"$out" || fail "a timestamp lost its fraction: $out"

# Text from Windows: a byte order mark and CR LF line ends.
printf '\xef\xbb\xbfSELECT 7 AS seven;\r\n.quit\r\n' >"$work/windows.sql"
out="$("$shell" --data-folder "$work/home" <"$work/windows.sql" 2>&1)"
[ $? -eq 0 ] && grep -q "^7" <<<"$out" || fail "piped text from Windows: $out"
printf '\xef\xbb\xbfSELECT 8 AS eight;\r\n' >"$work/windows.sql"
run "$work/windows.sql"
[ "$status" -eq 0 ] && grep -q "^8" <<<"$out" || fail "a script from Windows ($status): $out $err"

# Comments do not make statements: before a command, or after the last statement.
out="$(printf -- '-- header\n\\info 17\n' | "$shell" --data-folder "$work/home" 2>&1)"
[ $? -eq 0 ] && grep -q "^SQLite$" <<<"$out" || fail "a command after a comment: $out"
run -c $'SELECT 1 AS one; -- c1\n-- c2' -c $'SELECT 2 AS two;\n/* block */'
[ "$status" -eq 0 ] && ! grep -q "OK" <<<"$out$err" || fail "a trailing comment ran as a statement ($status): $out $err"

# A demo database file that exists but lacks its tables gets them.
mkdir -p "$work/half"
: >"$work/half/demo.sqlite3"
out="$("$shell" --data-folder "$work/half" --csv -c "SELECT COUNT(*) AS n FROM orders" 2>"$work/stderr")"
[ "$out" = $'n\r\n5\r' ] && grep -q "completed the demo database" "$work/stderr" ||
  fail "an empty demo database file was not completed: $(printf %q "$out") $(cat "$work/stderr")"

# Scripts: checked before anything runs or connects, run in command-line order with -c.
mkdir -p "$work/a-folder"
run -c "CREATE TABLE never (id INTEGER)" "$work/a-folder"
[ "$status" -eq 2 ] && grep -q "is a folder" <<<"$err" || fail "a folder as script ($status): $err"
run -c "SELECT 1 FROM never"
[ "$status" -ne 0 ] || fail "a statement ran before the script was refused"
run --dsn NoSuchDataSourceAnywhere "$work/missing.sql"
[ "$status" -eq 2 ] && grep -q "missing.sql does not exist" <<<"$err" || fail "missing script ($status): $err"
grep -q "not found" <<<"$err" && fail "connected before reporting the missing script: $err"
printf 'SELECT 2 AS second;\n' >"$work/second.sql"
run -c "SELECT 1 AS first" "$work/second.sql" -c "SELECT 3 AS third"
[ "$(grep -E '^[123] *$' <<<"$out" | tr -d ' \n')" = "123" ] || fail "not in command-line order: $out"

# A script that opens but cannot be read (reading /proc/self/mem from its
# start fails with EIO) is refused, not taken as empty; nothing runs.
if [ "$platform" != windows ]; then
  run -c "CREATE TABLE never_read (id INTEGER)" /proc/self/mem
  [ "$status" -eq 2 ] && grep -q "cannot read script /proc/self/mem: Input/output error" <<<"$err" ||
    fail "a script that cannot be read ($status): $err"
  run -c "SELECT 1 FROM never_read"
  [ "$status" -ne 0 ] || fail "a statement ran before the unreadable script was refused"
fi

# Usage errors exit 2 with the parser's message; --help exits 0.
run --no-such-option -c "SELECT 1"
[ "$status" -eq 2 ] && grep -q "was not expected: --no-such-option" <<<"$err" || fail "unknown option ($status): $err"
run --timeout soon -c "SELECT 1"
[ "$status" -eq 2 ] && grep -q "^--timeout: " <<<"$err" || fail "a bad --timeout ($status): $err"
run -c
[ "$status" -eq 2 ] && grep -q "command" <<<"$err" || fail "-c without its value ($status): $err"
run --help
[ "$status" -eq 0 ] && grep -q "^Usage" <<<"$out" || fail "--help ($status): $out $err"

# An empty --dsn or --connect is an error, not the demo database.
run --dsn "" -c "SELECT 1"
[ "$status" -eq 2 ] || fail "--dsn '' exited $status"
run --connect "" -c "SELECT 1"
[ "$status" -eq 2 ] || fail "--connect '' exited $status"

# Input that is not UTF-8 is refused with the byte offset, not replaced.
# (A Windows program's command line is UTF-16: such an argument cannot
# reach it, only standard input can bring such bytes.)
if [ "$platform" != windows ]; then
  run -c $'SELECT \'caf\xe9\''
  [ "$status" -eq 2 ] && grep -q "invalid UTF-8 at byte 11" <<<"$err" || fail "invalid -c text ($status): $err"
  # -p values and the connection options alike, before anything connects.
  run -c "SELECT ? AS v" -p 1 -p $'caf\xe9'
  [ "$status" -eq 2 ] && grep -q "^sqelto-shell: -p 2: invalid UTF-8 at byte 3$" <<<"$err" ||
    fail "invalid -p value ($status): $err"
  for option in --dsn --connect --user --password; do
    run "$option" $'ab\xffc' -c "SELECT 1"
    [ "$status" -eq 2 ] && grep -q "^sqelto-shell: $option: invalid UTF-8 at byte 2$" <<<"$err" ||
      fail "invalid $option value ($status): $err"
    grep -q "^error" <<<"$err" && fail "connected before refusing $option: $err"
  done
fi
out="$(printf "SELECT 1;\nSELECT 'caf\xe9';\n" | "$shell" --data-folder "$work/home" 2>&1)"
[ $? -ne 0 ] && grep -q "invalid UTF-8 at byte 21" <<<"$out" || fail "invalid piped text: $out"

# A NUL inside a statement is refused; nothing is deleted.
run -c "CREATE TABLE nul_rows (id INTEGER)" -c "INSERT INTO nul_rows VALUES (1), (2)"
printf 'DELETE FROM nul_rows\0 WHERE id = 1\n' | "$shell" --data-folder "$work/home" >/dev/null 2>"$work/stderr"
[ $? -ne 0 ] || fail "a statement with a NUL exited 0"
grep -q "NUL character" "$work/stderr" || fail "no NUL message: $(cat "$work/stderr")"
run --csv -c "SELECT COUNT(*) AS n FROM nul_rows"
[ "$out" = $'n\r\n2\r' ] || fail "rows were deleted: $out"

# Ctrl-C while SQLite works out a SELECT, which it does in the first fetch,
# not in the execute: the fetch is cancelled, the shell reports the driver's
# error and fails (1), and is not ended as by an uncaught Ctrl-C (130). The
# marker database file appears when the statement before the SELECT ran.
if [ "$platform" != windows ]; then
  env --default-signal=INT "$shell" --data-folder "$work/home" \
    -c "ATTACH DATABASE '$work/ready.sqlite3' AS ready" -c "CREATE TABLE ready.t (x INTEGER)" \
    -c "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000000000)
        SELECT COUNT(*) AS slow_count FROM n" -c "SELECT 'after' AS after_cancel" >"$work/out" 2>"$work/err" &
  pid=$!
  for _ in $(seq 400); do [ -s "$work/ready.sqlite3" ] && break; sleep 0.05; done
  [ -s "$work/ready.sqlite3" ] || fail "the statement before the slow SELECT never ran: $(cat "$work/err")"
  sleep 0.5
  started=$SECONDS
  kill -INT "$pid"
  wait "$pid"
  status=$?
  [ $((SECONDS - started)) -lt 15 ] || fail "Ctrl-C during a fetch took $((SECONDS - started)) s"
  [ "$status" -eq 1 ] || fail "a cancelled fetch exited $status: $(cat "$work/err")"
  grep -q "cancelling the running statement" "$work/err" || fail "no word of the cancel: $(cat "$work/err")"
  grep -q "^error.*interrupted" "$work/err" || fail "no interrupted error from the driver: $(cat "$work/err")"
  grep -q "after" "$work/out" && fail "a statement after the cancelled one ran: $(cat "$work/out")"
  # The rows shown are not the whole result: the count line must not read
  # like a complete (empty) one.
  grep -q "^(0 rows)$" "$work/out" && fail "a cancelled result was counted as complete: $(cat "$work/out")"
  grep -q "^(0 rows before the error)$" "$work/out" || fail "no count of the rows before the error: $(cat "$work/out")"
fi

rm -rf "$work"
[ "$failures" -eq 0 ] && echo "all shell checks passed"
exit "$failures"
