# Shared pieces of the Wine end-to-end tests; source this file.
# A test calls wine_session_start WORKDIR PREFIX, drives windows with the
# helpers below, and always ends with wine_session_stop (set as an EXIT trap),
# which ends Wine, the window manager and Xvfb each by its own process id.

: "${WINE:=wine}"

wine_env() {   # PREFIX HOME
  export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG="${WINE_E2E_DEBUG:--all}" HOME="$2"
  export WINEDLLOVERRIDES="${WINE_OVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
}

# Makes a fresh 64-bit prefix, offline and quiet (no .NET or browser-engine
# prompts, no menu entries). HOME is a scratch folder next to the prefix, and
# the profile folders that Wine links to HOME become real folders, so nothing
# lands outside it. Waits until the prefix's wineserver has ended.
wine_make_prefix() {   # PREFIX
  local prefix="$1" home
  home="$(dirname "$prefix")/home"
  rm -rf "$prefix"
  mkdir -p "$home"
  wine_env "$prefix" "$home"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  local d l
  for d in "$prefix"/drive_c/users/*/; do
    for l in "$d"*; do
      if [ -L "$l" ]; then rm -f "$l"; mkdir -p "$l"; fi
    done
  done
  mkdir -p "$prefix/drive_c/users/Public/Desktop"
  [ -f "$prefix/system.reg" ] || { echo "prefix not created: $prefix" >&2; return 1; }
}

WINE_XVFB_PID=""
WINE_WM_PID=""

wine_session_start() {   # WORKDIR PREFIX
  local work="$1"
  mkdir -p "$work"
  wine_env "$2" "$(dirname "$2")/home"
  local dfd="$work/xvfb.display"
  rm -f "$dfd"
  # -displayfd picks a free display number, so parallel builds never collide.
  exec 3<>"$dfd"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  WINE_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do [ -s "$dfd" ] && break; sleep 0.1; done
  exec 3>&-
  [ -s "$dfd" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -1 "$dfd")"
  # A window manager makes activation and keyboard focus reliable.
  openbox >"$work/openbox.log" 2>&1 &
  WINE_WM_PID=$!
  sleep 0.5
}

wine_session_stop() {
  # Ends the wineserver of this prefix (and every Wine process in it) while
  # the X server still lives, then the window manager and Xvfb by their ids.
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$WINE_WM_PID" ]; then kill "$WINE_WM_PID" 2>/dev/null || true; wait "$WINE_WM_PID" 2>/dev/null || true; fi
  if [ -n "$WINE_XVFB_PID" ]; then kill "$WINE_XVFB_PID" 2>/dev/null || true; wait "$WINE_XVFB_PID" 2>/dev/null || true; fi
  WINE_WM_PID=""; WINE_XVFB_PID=""
}

# Waits for a visible window whose title is exactly TITLE; prints its id.
wine_wait_window() {   # TITLE [SECONDS]
  local title="$1" secs="${2:-30}" w="" end
  end=$(( $(date +%s) + secs ))
  # Searched again and again: a search can fail early when another window
  # vanishes while it looks (a dialog closing, for example).
  while [ -z "$w" ] && [ "$(date +%s)" -lt "$end" ]; do
    w=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -1) || true
    [ -n "$w" ] || sleep 0.3
  done
  [ -n "$w" ] || { echo "no window titled '$title' within ${secs}s" >&2; return 1; }
  echo "$w"
}

# Activates WINDOW and types KEYs into it (real key events through XTEST).
# Never retried: a second delivery would land in the installer's queue and
# answer the next message box before anyone sees it.
wine_keys() {   # WINDOW KEY...
  local w="$1"; shift
  xdotool windowactivate --sync "$w" >/dev/null 2>&1 || true
  sleep 0.3
  xdotool key --clearmodifiers "$@" 2>/dev/null || true
}

# Waits until a visible window titled TITLE has the client size SIZE
# ("WIDTHxHEIGHT"); prints its id. Fails with the sizes seen otherwise.
wine_wait_window_size() {   # TITLE SIZE [SECONDS]
  local end w seen=""
  end=$(( $(date +%s) + ${3:-30} ))
  while [ "$(date +%s)" -lt "$end" ]; do
    for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      local size; size=$(wine_window_size "$w" 2>/dev/null) || continue
      [ "$size" = "$2" ] && { echo "$w"; return 0; }
      seen="$seen $size"
    done
    sleep 0.3
  done
  echo "no window '$1' of size $2; seen:$(echo "$seen" | tr ' ' '\n' | sort -u | tr '\n' ' ')" >&2
  return 1
}

# Client size of a window as "WIDTHxHEIGHT".
wine_window_size() {   # WINDOW
  xdotool getwindowgeometry "$1" | sed -n 's/^ *Geometry: *//p'
}

# Waits until a process id is gone.
wine_wait_pid_gone() {   # PID SECONDS
  local i
  for i in $(seq 1 $(( $2 * 10 ))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}

# Windows path C:\x\y inside the prefix, as a Linux path.
wine_unix_path() {   # WINDOWS-PATH
  local p="${1#[Cc]:}"
  p="${p//\\//}"
  echo "$WINEPREFIX/drive_c$p"
}

fail() { echo "FAIL: $*" >&2; exit 1; }
check() { local what="$1"; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }
