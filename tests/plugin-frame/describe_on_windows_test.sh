#!/usr/bin/env bash
# tavro-host.exe describe Sqelto.dll under Wine shows the registration the
# native host shows for libSqelto.so, word for word after the first line
# (the path), the Windows lines ending in CR LF:
#   describe_on_windows_test.sh TAVRO_HOST LIBSQELTO TAVRO_HOST_EXE SQELTO_DLL WORK
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
run_windows="$here/../../scripts/wine/run-windows.sh"
native_host="$1" native_plugin="$2" windows_host="$3" windows_plugin="$4" work="$5"
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"

"$native_host" describe "$native_plugin" >"$work/linux.txt" || fail "native describe failed"
# The DLL by its Windows path: drive Z: is the Linux root.
dll="Z:${windows_plugin//\//\\}"
bash "$run_windows" "$windows_host" describe "$dll" >"$work/windows.txt" 2>"$work/windows-stderr.txt" ||
  { cat "$work/windows-stderr.txt" >&2; fail "tavro-host.exe describe failed"; }

first=$(head -1 "$work/windows.txt" | tr -d '\r')
[ "$first" = "Plug-in: $dll" ] || fail "first line: $first"
[ "$(grep -c $'\r$' "$work/windows.txt")" = "$(wc -l <"$work/windows.txt")" ] || fail "not every line ends in CR LF"
tail -n +2 "$work/windows.txt" | tr -d '\r' >"$work/windows-rest.txt"
tail -n +2 "$work/linux.txt" >"$work/linux-rest.txt"
diff -u "$work/linux-rest.txt" "$work/windows-rest.txt" || fail "the registrations differ"
grep -q '^Module ODBCConstant: 443 constants$' "$work/windows-rest.txt" || fail "no ODBCConstant module"
echo "ok: the same registration on Linux and Windows ($(wc -l <"$work/linux-rest.txt") lines)"
