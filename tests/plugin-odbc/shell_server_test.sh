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
# there (not only the shell ended), the shell reports it and fails.
marker="cancel_me_$$"
# (A background job of a script starts with Ctrl-C ignored; a terminal's does not.)
env --default-signal=INT "$shell" --connect "$conn" -c "SELECT pg_sleep(60) AS $marker" >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 200); do
  [ "$(running "$marker")" = 1 ] && break
  sleep 0.05
done
[ "$(running "$marker")" = 1 ] || fail "the statement never showed on the server"
started=$SECONDS
kill -INT "$pid"
wait "$pid"
status=$?
[ $((SECONDS - started)) -lt 15 ] || fail "Ctrl-C took $((SECONDS - started)) s"
[ "$status" -eq 1 ] || fail "a cancelled statement exited $status: $(cat "$work/err")"
grep -q "cancelling the running statement" "$work/err" || fail "no word of the cancel: $(cat "$work/err")"
grep -qi "cancel" <(grep "^error" "$work/err") || fail "no cancel error from the server: $(cat "$work/err")"
[ "$(running "$marker")" = 0 ] || fail "the statement still runs on the server"

# --timeout is the query timeout of statements...
started=$SECONDS
"$shell" --connect "$conn" --timeout 1 -c "SELECT pg_sleep(20)" >/dev/null 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "a statement over its timeout exited $status"
[ $((SECONDS - started)) -lt 10 ] || fail "the query timeout did not stop the statement ($((SECONDS - started)) s)"

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
