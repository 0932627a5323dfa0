#!/usr/bin/env bash
# Checks what a clean Windows needs from the cross-built installer program:
#   check-stub.sh KestrinStub.exe
# a GUI program (no console), no MinGW runtime DLLs, and the embedded manifest
# with administrator rights, Common Controls 6 and no supported-OS list.
set -euo pipefail
exe="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }
headers=$(x86_64-w64-mingw32-objdump -p "$exe") || fail "cannot read $exe"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI-subsystem program"
echo "ok: GUI subsystem"
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
echo "imports: $(echo $dlls)"
if grep -qE 'libstdc|libgcc|libwinpthread|mingw' <<<"$dlls"; then fail "needs MinGW runtime DLLs"; fi
echo "ok: no MinGW runtime DLLs"
# The manifest is stored as plain text in the resource section.
manifest=$(tr -d '\0' <"$exe" | sed -n '/<assembly/,/<\/assembly>/p' | tr '\n' ' ')
[ -n "$manifest" ] || fail "no embedded manifest"
grep -q 'requestedExecutionLevel level="requireAdministrator"' <<<"$manifest" ||
  fail "manifest does not require administrator rights"
echo "ok: requireAdministrator"
grep -qE 'name="Microsoft.Windows.Common-Controls" +version="6.0.0.0"' <<<"$manifest" || fail "no Common Controls 6"
echo "ok: Common Controls 6"
if grep -q 'supportedOS' <<<"$manifest"; then fail "manifest declares supported OS versions"; fi
echo "ok: no supported-OS list"
