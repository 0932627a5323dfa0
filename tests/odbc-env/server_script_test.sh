#!/usr/bin/env bash
# Checks scripts/odbc/pg-server in the situations a test run meets: a server
# left running by an earlier run, one that crashed and left its pid file, a
# port taken by another server, stopping twice.
# Usage: pg_server_test.sh SCRIPTS_DIR WORK_DIR PORT
set -uo pipefail
scripts="$1" work="$2" port="$3"
server="$scripts/pg-server"
first="$work/first" second="$work/second"
failures=0

check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
pid_of() { head -n 1 "$1/pg/data/postmaster.pid" 2>/dev/null; }
answers() { bash "$scripts/write-config" "$1" "$port" >/dev/null && ODBCSYSINI="$1" ODBCINSTINI=odbcinst.ini \
  ODBCINI="$1/user.ini" isql -b SqeltoPostgres </dev/null >/dev/null 2>&1; }
cleanup() {
  bash "$server" stop "$first" "$port" >/dev/null 2>&1
  bash "$server" stop "$second" "$port" >/dev/null 2>&1
}
trap cleanup EXIT
cleanup

check "start" bash "$server" start "$first" "$port"
old_pid="$(pid_of "$first")"
check "status reports the running server" bash "$server" status "$first" "$port"

check "start over a server left running restarts it" bash "$server" start "$first" "$port"
new_pid="$(pid_of "$first")"
check "the old server is gone and a new one runs" test -n "$new_pid" -a "$new_pid" != "$old_pid"
check "the old pid no longer runs postgres" test "$(cat "/proc/$old_pid/comm" 2>/dev/null)" != postgres -o \
  "$(awk '{print $3}' "/proc/$old_pid/stat" 2>/dev/null)" = Z

output="$(bash "$server" start "$second" "$port" 2>&1)"
check "a port taken by another server fails the start" test $? -ne 0
check "the failure names the port" grep -q "port $port on 127.0.0.1 is already in use" <<<"$output"
check "the other server still runs" bash "$server" status "$first" "$port"

# A crash: the server dies without removing postmaster.pid.
kill -KILL "$new_pid"
for _ in $(seq 50); do
  [ "$(awk '{print $3}' "/proc/$new_pid/stat" 2>/dev/null)" = Z ] || [ ! -e "/proc/$new_pid" ] && break
  sleep 0.1
done
check "a crashed server's pid file is left behind" test -f "$first/pg/data/postmaster.pid"
bash "$server" status "$first" "$port" >/dev/null
check "status reports a crashed server as stopped (exit 3)" test $? -eq 3
for _ in $(seq 50); do bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || break; sleep 0.1; done
check "start after a crash" bash "$server" start "$first" "$port"
check "the new server answers through the private DSN" answers "$first"

check "stop" bash "$server" stop "$first" "$port"
check "stop removes the pid file" test ! -e "$first/pg/data/postmaster.pid"
check "stop again is harmless" bash "$server" stop "$first" "$port"
bash "$server" status "$first" "$port" >/dev/null
check "status after stop exits 3" test $? -eq 3
bash "$server" start "$first" 5432 >/dev/null 2>&1
rc=$?
check "the default port 5432 is refused" test "$rc" -ne 0

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
