#!/usr/bin/env bash
# Checks what a clean Windows needs from the cross-built installer program:
#   check-stub.sh KestrinStub.exe
# a GUI program (no console); an import table naming only DLLs that Windows
# always loads from its own folder (KnownDLLs), so none can be planted beside
# the installer; no debug information or symbols; and the embedded manifest
# with administrator rights, Common Controls 6 and no supported-OS list.
set -euo pipefail
exe="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }
objdump=x86_64-w64-mingw32-objdump
headers=$("$objdump" -p "$exe") || fail "cannot read $exe"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI-subsystem program"
echo "ok: GUI subsystem"
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
echo "imports: $(echo $dlls)"
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 7 to 11.
known="advapi32.dll comdlg32.dll gdi32.dll imagehlp.dll imm32.dll kernel32.dll msctf.dll msvcrt.dll
       normaliz.dll nsi.dll ole32.dll oleaut32.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll
       shell32.dll shlwapi.dll user32.dll wldap32.dll ws2_32.dll"
for dll in $dlls; do
  grep -qw -- "$dll" <<<"$known" || fail "imports $dll, which Windows may load from the installer's folder"
done
echo "ok: only KnownDLLs imported"
sections=$("$objdump" -h "$exe")
if grep -q '\.debug' <<<"$sections"; then fail "carries debug information"; fi
grep -q "symbols stripped" <<<"$headers" || fail "carries a symbol table"
echo "ok: stripped ($(stat -c %s "$exe") bytes)"
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
