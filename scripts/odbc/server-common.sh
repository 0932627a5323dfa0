# Shared by pg-server and mariadb-server (sourced, not run). The caller
# defines fail() and runs with `set -euo pipefail`.

# A test server never takes the port its program uses by default, so it can
# never be mistaken for (or collide with) a server installed on the machine.
validate_port() {  # validate_port PORT DEFAULT_PORT
  case "$1" in
    ''|*[!0-9]*) fail "port '$1' is not a number" ;;
  esac
  if [ "$1" -lt 1024 ] || [ "$1" -gt 65535 ] || [ "$1" -eq "$2" ]; then
    fail "port $1 must be a non-default port between 1024 and 65535"
  fi
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

listener_of() {
  command -v ss >/dev/null 2>&1 || return 0
  ss -H -ltnp "sport = :$1" 2>/dev/null | sed -n 's/.*users:(\(.*\))$/\1/p' | head -n 1
}

require_free_port() {
  if port_in_use "$1"; then
    local who
    who="$(listener_of "$1")"
    fail "port $1 on 127.0.0.1 is already in use${who:+ by $who}; stop that program or choose another port"
  fi
}

# True while PID is a live (not zombie) process of PROGRAM.
is_live_process() {  # is_live_process PID PROGRAM
  local stat
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
  [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ] || return 1
  # The state letter follows the parenthesised program name.
  case "${stat##*) }" in Z*|X*) return 1 ;; esac
  return 0
}

# Runs a command as the server's user when we are root (the servers refuse to
# run as root); otherwise as ourselves.
run_as() {  # run_as USER COMMAND...
  local user="$1"
  shift
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u "$user" -- "$@")
  else
    "$@"
  fi
}

# Makes DIR/NAME a folder the server's user can work in. The build tree is
# root-owned; when a folder above DIR bars USER (a checkout under /root, say),
# the folder goes to one of its own under /tmp and DIR/NAME becomes a link to
# it, so stop and status find it the same way.
place_server_folder() {  # place_server_folder USER DIR NAME
  local user="$1" dir="$2" name="$3" outside
  if [ "$(id -u)" -ne 0 ] || runuser -u "$user" -- test -x "$dir"; then
    [ -L "$dir/$name" ] && rm -f "$dir/$name"
    mkdir -p "$dir/$name"
    return
  fi
  outside="${TMPDIR:-/tmp}/sqelto-$name-$(printf '%s' "$dir" | md5sum | cut -c1-12)"
  echo "$name: the $user user cannot enter $dir; the server's files live in $outside" >&2
  mkdir -p "$outside"
  chown "$user": "$outside"
  chmod 700 "$outside"
  if [ ! -L "$dir/$name" ] || [ "$(readlink "$dir/$name")" != "$outside" ]; then
    rm -rf "${dir:?}/$name"
    ln -s "$outside" "$dir/$name"
  fi
  runuser -u "$user" -- test -x "$outside" || fail "the $user user cannot enter $outside either"
}

# A Unix socket path is limited to about 107 bytes; a deep build tree gets its
# socket folder under /tmp instead (the tests connect over TCP anyway).
socket_folder() {  # socket_folder PREFERRED FALLBACK
  # The fallback belongs to PREFERRED alone: two server folders on one port
  # (a second start refused because the port is taken) must never share a
  # socket folder, or the refused start removes the running server's socket.
  if [ ${#1} -gt 80 ]; then echo "$2-$(printf '%s' "$1" | md5sum | cut -c1-8)"; else echo "$1"; fi
}
