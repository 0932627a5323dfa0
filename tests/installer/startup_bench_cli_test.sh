#!/usr/bin/env bash
# The start-up benchmark's command line: help and mistakes answer at once,
# without writing a package, and a tiny run measures, reports and cleans up.
#   startup_bench_cli_test.sh INSTALLER_STARTUP_BENCH SCRATCH-FOLDER
set -euo pipefail
bench="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work/scratch"
fail() { echo "FAIL: $*" >&2; exit 1; }

# run EXPECTED-STATUS ARGS...: keeps stdout/stderr in out/err.
run() {
  local want="$1" rc=0; shift
  "$bench" "$@" >"$work/out" 2>"$work/err" || rc=$?
  [ "$rc" -eq "$want" ] || fail "$* gave status $rc, not $want: $(cat "$work/err")"
}
no_scratch() { [ -z "$(ls -A "$work/scratch")" ] || fail "$1 left files behind: $(ls "$work/scratch")"; }

run 0 --help --size-mb 1 --dir "$work/scratch"
for option in --size-mb --dir --rounds; do
  grep -qF -- "$option" "$work/out" || fail "--help does not list $option: $(cat "$work/out")"
done
no_scratch "--help"

# A value left out, one that is no number, or an unknown option is a usage
# error, not a run with the defaults.
run 2 --size-mb 1 --dir "$work/scratch" --rounds
run 2 --size-mb one --dir "$work/scratch"
run 2 --size-mb 1 --dir "$work/scratch" --round 1
run 2 --size-mb 1 --dir "$work/scratch" --rounds 0
no_scratch "a refused command line"

run 0 --size-mb 1 --rounds 1 --dir "$work/scratch"
grep -q '^package written whole yes$' "$work/out" || fail "no whole package: $(cat "$work/out")"
grep -q '^throughput ratio ' "$work/out" || fail "no ratio: $(cat "$work/out")"
no_scratch "a run"
echo "startup bench command line: ok"
