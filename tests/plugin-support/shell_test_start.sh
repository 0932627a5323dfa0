# The common start of sqelto-shell's script tests, sourced with the script's
# own arguments: SHELL_BINARY WORK_DIR [...]. Sets $shell and $work (made
# afresh), and fail(), which reports a failed check and counts it in
# $failures; each script exits with that count.
set -u
shell="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# at_terminal ARGS... < INPUT: the shell with ARGS at a terminal of its own
# (script(1) gives it one), fed INPUT as typed (\004 is Ctrl-D); what it
# wrote, standard error too, is in $out. (Not at the end of a pipeline, which
# would set $out in a subshell.)
at_terminal() {
  local command
  printf -v command '%q ' "$shell" "$@"
  out="$({ cat; sleep 1; } | timeout 60 script -qec "$command" /dev/null | tr -d '\r')"
}
