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
