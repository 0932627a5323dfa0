#!/usr/bin/env bash
# sqelto-shell against the throwaway PostgreSQL server: --timeout reaches the
# plug-in's Timeout (login and query timeout), and Ctrl-C cancels the running
# statement on the server.
# Usage: shell_server_test.sh SHELL_BINARY WORK_DIR   (environment from CTest)
. "$(dirname "${BASH_SOURCE[0]}")/../plugin-support/shell_test_start.sh" "$@"
conn="Driver={PostgreSQL Unicode};Servername=$SQELTO_PG_HOST;Port=$SQELTO_PG_PORT;Database=$SQELTO_PG_DATABASE;Username=postgres;SSLmode=disable;"

# How many sessions other than the asking one run a query containing $1.
running() {
  "$shell" --connect "$conn" --csv -c "SELECT COUNT(*) AS n FROM pg_stat_activity WHERE state = 'active' AND pid <> pg_backend_pid() AND query LIKE '%$1%'" 2>/dev/null |
    tail -1 | tr -d '\r'
}

# Ctrl-C while the server runs the statement: the statement is cancelled
# there (not only the shell ended), the shell reports it and fails; a
# statement with parameters (a prepared run) as well as a plain one.
cancel_case() {
  local marker=$1
  shift
  # (A background job of a script starts with Ctrl-C ignored; a terminal's does not.)
  env --default-signal=INT "$shell" --connect "$conn" "$@" >"$work/out" 2>"$work/err" &
  local pid=$!
  for _ in $(seq 200); do
    [ "$(running "$marker")" = 1 ] && break
    sleep 0.05
  done
  [ "$(running "$marker")" = 1 ] || fail "$marker: the statement never showed on the server"
  local started=$SECONDS
  kill -INT "$pid"
  wait "$pid"
  local status=$?
  [ $((SECONDS - started)) -lt 15 ] || fail "$marker: Ctrl-C took $((SECONDS - started)) s"
  [ "$status" -eq 1 ] || fail "$marker: a cancelled statement exited $status: $(cat "$work/err")"
  grep -q "cancelling the running statement" "$work/err" || fail "$marker: no word of the cancel: $(cat "$work/err")"
  grep -qi "cancel" <(grep "^error" "$work/err") || fail "$marker: no cancel error from the server: $(cat "$work/err")"
  [ "$(running "$marker")" = 0 ] || fail "$marker: the statement still runs on the server"
}
cancel_case "cancel_me_$$" -c "SELECT pg_sleep(60) AS cancel_me_$$"
cancel_case "cancel_prepared_$$" -c "SELECT pg_sleep(?) AS cancel_prepared_$$" -p double:60

# --timeout is the query timeout of statements, with parameters or without...
for args in "SELECT pg_sleep(20)" "SELECT pg_sleep(?)|double:20"; do
  statement=${args%%|*}
  started=$SECONDS
  if [ "$statement" = "$args" ]; then
    "$shell" --connect "$conn" --timeout 1 -c "$statement" >/dev/null 2>"$work/err"
  else
    "$shell" --connect "$conn" --timeout 1 -c "$statement" -p "${args#*|}" >/dev/null 2>"$work/err"
  fi
  status=$?
  [ "$status" -eq 1 ] || fail "$statement over its timeout exited $status"
  [ $((SECONDS - started)) -lt 10 ] || fail "the query timeout did not stop $statement ($((SECONDS - started)) s)"
done

# ...and the login timeout: a server that accepts and never answers.
/usr/bin/python3 - >"$work/port" <<'PY' &
import socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(4)
print(s.getsockname()[1], flush=True)
sys.stdout.close()
conns = []
end = time.time() + 40
while time.time() < end:
    s.settimeout(end - time.time())
    try:
        conns.append(s.accept()[0])
    except OSError:
        break
PY
listener=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
silent="Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=$(cat "$work/port");Database=x;Username=postgres;SSLmode=disable;"
started=$SECONDS
"$shell" --connect "$silent" --timeout 2 -c "SELECT 1" >/dev/null 2>"$work/err"
status=$?
elapsed=$((SECONDS - started))
kill "$listener" 2>/dev/null
wait "$listener" 2>/dev/null
[ "$status" -eq 1 ] || fail "a connect that timed out exited $status: $(cat "$work/err")"
[ "$elapsed" -lt 15 ] || fail "the login timeout did not end the connect ($elapsed s)"

rm -rf "$work"
[ "$failures" -eq 0 ] && echo "all shell server checks passed"
exit "$failures"
