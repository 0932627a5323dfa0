#!/usr/bin/env bash
# The shared Wine prefix of the plug-in's Windows test programs (CTest fixture
# wine_plugin_prefix, see cmake/WinePluginTests.cmake):
#   plugin-prefix.sh start ROOT   a fresh 64-bit prefix ROOT/pfx, and its
#                                 wineserver kept running for the CTest run
#   plugin-prefix.sh stop ROOT    ends every process of the prefix and the server
# The server's process id is kept in ROOT/wineserver.pid; stop waits for that
# id to end and ends it itself if it has not. The programs make no windows,
# so there is no display.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/session.sh"
action="$1"
root="$2"
prefix="$root/pfx"
pid_file="$root/wineserver.pid"
unset DISPLAY

stop_server() {
  [ -d "$prefix" ] || return 0
  wine_env "$prefix" "$root/home"
  # Ends the prefix's processes (Wine's services, a program a timed-out test
  # left) by their ids, then the server.
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$pid_file" ]; then
    local pid
    pid="$(cat "$pid_file")"
    if ! wine_wait_pid_gone "$pid" 10; then
      kill "$pid" 2>/dev/null || true
      wine_wait_pid_gone "$pid" 5 || { echo "wineserver $pid did not end" >&2; return 1; }
    fi
    rm -f "$pid_file"
  fi
}

case "$action" in
  start)
    stop_server   # what an earlier, interrupted run left
    mkdir -p "$root"
    rm -rf "$root/home" "$root/work"
    wine_make_prefix "$prefix"
    # Kept running for the whole CTest run, so that each test's Wine start
    # finds the server and Wine's service processes up (-p1800: it ends by
    # itself half an hour after its last client should the stop never come).
    setsid wineserver -f -p1800 </dev/null >"$root/wineserver.log" 2>&1 &
    echo $! >"$pid_file"
    # Proves that a Windows program starts in the prefix, and starts Wine's
    # services now. They inherit the first program's output and keep it open
    # as long as they live, hence a file and not a pipe.
    ready="$root/ready.txt"
    wine cmd.exe /c echo wine-plugin-ready </dev/null >"$ready" 2>&1 || { cat "$ready" >&2; fail "wine cannot start a program"; }
    grep -q wine-plugin-ready "$ready" || { cat "$ready" >&2; fail "wine cannot start a program"; }
    echo "prefix ready: $prefix (wineserver $(cat "$pid_file"))"
    ;;
  stop)
    stop_server
    echo "prefix stopped: $prefix"
    ;;
  *)
    echo "usage: plugin-prefix.sh start|stop ROOT" >&2
    exit 2
    ;;
esac
