#!/usr/bin/env bash
# Runs a Windows program of the MinGW build under Wine, in the shared prefix of
# the plug-in tests (plugin-prefix.sh; WINE_PLUGIN_ROOT names its root):
#   run-windows.sh [--gtest] PROGRAM [ARGUMENTS...]
# The program runs in a work folder of its own under WINE_PLUGIN_ROOT/work on
# drive Z:, so an absolute Linux path (SQELTO_ODBC_DIR and the SQLite files in
# it) names the same file for the program and for the Linux ODBC drivers that
# Wine's odbc32 hands its calls to. The environment passes through to both.
# Standard input passes through, and the program's output and status come
# back once it has ended. With --gtest the program is a GoogleTest program
# (standard input empty), and the run fails unless at least one test ran and
# every test passed: a program that never started, or ran nothing, never
# passes. --gtest-each runs each of its tests in a Wine start of its own (a
# skipped one is shown as skipped; they cannot all be), for
# programs whose tests need a fresh process each (those that start the
# plug-in's code linked into them), as CTest runs them natively. --exec
# becomes the program (same process id, standard streams passed through), for
# scripts that signal it or read its output as it comes; Wine's service
# processes must be running already (plugin-prefix.sh starts them), or they
# would inherit and hold open the streams.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/session.sh"
gtest=0
case "${1:-}" in
  --gtest) gtest=1; shift ;;
  --gtest-each) gtest=each; shift ;;
  --exec) gtest=exec; shift ;;
esac
program="$1"
shift
root="${WINE_PLUGIN_ROOT:?WINE_PLUGIN_ROOT is not set: run the test through CTest}"
[ -f "$root/pfx/system.reg" ] || fail "no Wine prefix in $root/pfx (made by the test wine-plugin.prefix)"
[ -f "$program" ] || fail "no Windows program $program (built by the mingw-x64 preset)"
wine_env "$root/pfx" "$root/home"
unset DISPLAY
work="$root/work/$(basename "$program" .exe)"
mkdir -p "$work"
cd "$work"

if [ "$gtest" = exec ]; then
  exec wine "$program" "$@"
fi
# Output goes to files, not pipes: should Wine start its service processes
# for this program, they inherit its output and would hold a pipe open.
out="$work/stdout.txt"
err="$work/stderr.txt"
status=0
name="$(basename "$program")"
if [ "$gtest" = 1 ]; then
  wine "$program" "$@" </dev/null >"$out" 2>&1 || status=$?
  cat "$out"
  [ "$status" = 0 ] || fail "$name exited with status $status"
  grep -Eq '^\[  PASSED  \] [1-9][0-9]* test' "$out" || fail "$name ran no test"
  exit 0
fi
if [ "$gtest" = each ]; then
  wine "$program" --gtest_list_tests "$@" </dev/null >"$out" 2>&1 || { cat "$out"; fail "$name cannot list its tests"; }
  # "Suite." lines, each followed by "  Case" lines (and comments after a #).
  tests=$(tr -d '\r' <"$out" | awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }')
  [ -n "$tests" ] || { cat "$out"; fail "$name lists no test"; }
  failed=()
  skipped=0
  for test in $tests; do
    status=0
    wine "$program" --gtest_filter="$test" "$@" </dev/null >"$out" 2>&1 || status=$?
    if [ "$status" = 0 ] && grep -q '^\[  PASSED  \] 1 test' "$out"; then
      echo "[       OK ] $test"
    elif [ "$status" = 0 ] && grep -q '^\[  SKIPPED \] 1 test' "$out"; then
      # A case Wine cannot show says so itself (GTEST_SKIP with its reason).
      tr -d '\r' <"$out" | grep -A1 ': Skipped' || true
      echo "[  SKIPPED ] $test"
      skipped=$((skipped + 1))
    else
      cat "$out"
      echo "[  FAILED  ] $test (status $status)"
      failed+=("$test")
    fi
  done
  echo "$(wc -w <<<"$tests") tests in their own processes, ${#failed[@]} failed, $skipped skipped"
  [ "${#failed[@]}" = 0 ] || fail "$name: ${failed[*]}"
  [ "$skipped" -lt "$(wc -w <<<"$tests")" ] || fail "$name: every test was skipped"
  exit 0
fi
wine "$program" "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
