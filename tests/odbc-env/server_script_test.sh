#!/usr/bin/env bash
# Checks a throwaway-server script (scripts/odbc/pg-server or mariadb-server)
# in the situations a test run meets: a server left running by an earlier run,
# one that crashed and left its pid file and socket, a port taken by another
# server, stopping twice.
# Usage: server_script_test.sh postgres|mariadb SCRIPTS_DIR WORK_DIR PORT
set -uo pipefail
kind="$1" scripts="$2" work="$3" port="$4"
fail() { echo "$*" >&2; exit 2; }
# shellcheck source=../../scripts/odbc/server-common.sh
. "$scripts/server-common.sh"  # socket_folder: where a server's socket goes, as the scripts decide
case "$kind" in
  postgres)
    server="$scripts/pg-server" program=postgres default_port=5432 dsn=SqeltoPostgres
    pidfile_of() { echo "$1/pg/data/postmaster.pid"; }
    socket_of() { echo "$(socket_folder "$1/pg/sockets" "${TMPDIR:-/tmp}/sqelto-pg-sockets-$port")/.s.PGSQL.$port"; }
    configure() { bash "$scripts/write-config" "$1" "$port"; } ;;
  mariadb)
    server="$scripts/mariadb-server" program=mariadbd default_port=3306 dsn=SqeltoMariaDB
    pidfile_of() { echo "$1/mariadb/mariadbd.pid"; }
    socket_of() { echo "$(socket_folder "$1/mariadb/run" "${TMPDIR:-/tmp}/sqelto-mariadb-sockets-$port")/mariadbd.sock"; }
    configure() { bash "$scripts/write-config" "$1" 54329 "$port"; } ;;
  *) echo "usage: $0 postgres|mariadb SCRIPTS_DIR WORK_DIR PORT" >&2; exit 2 ;;
esac
first="$work/first" second="$work/second"
failures=0

check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
pid_of() { head -n 1 "$(pidfile_of "$1")" 2>/dev/null; }
# One read of the process's stat line ("pid (name) state ..."): reading its
# name and its state apart let an exiting server vanish between the two reads
# and count as running.
runs_program() {
  local stat
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
  [[ "$stat" == *"($program) "[!Z]* ]]
}
answers() { configure "$1" >/dev/null && ODBCSYSINI="$1" ODBCINSTINI=odbcinst.ini \
  ODBCINI="$1/user.ini" isql -b "$dsn" </dev/null >/dev/null 2>&1; }
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
check "the old pid no longer runs $program" eval '! runs_program "$old_pid"'

output="$(bash "$server" start "$second" "$port" 2>&1)"
check "a port taken by another server fails the start" test $? -ne 0
check "the failure names the port" grep -q "port $port on 127.0.0.1 is already in use" <<<"$output"
check "the other server still runs" bash "$server" status "$first" "$port"

# A crash: the server dies without removing its pid file and socket.
kill -KILL "$new_pid"
for _ in $(seq 50); do runs_program "$new_pid" || break; sleep 0.1; done
check "a crashed server's pid file is left behind" test -f "$(pidfile_of "$first")"
check "a crashed server's socket is left behind" test -S "$(socket_of "$first")"
bash "$server" status "$first" "$port" >/dev/null
check "status reports a crashed server as stopped (exit 3)" test $? -eq 3
for _ in $(seq 50); do bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || break; sleep 0.1; done
check "start after a crash" bash "$server" start "$first" "$port"
check "the new server answers through the private DSN" answers "$first"

check "stop" bash "$server" stop "$first" "$port"
check "stop removes the pid file" test ! -e "$(pidfile_of "$first")"
check "stop again is harmless" bash "$server" stop "$first" "$port"
bash "$server" status "$first" "$port" >/dev/null
check "status after stop exits 3" test $? -eq 3
bash "$server" start "$first" "$default_port" >/dev/null 2>&1
rc=$?
check "the default port $default_port is refused" test "$rc" -ne 0

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
