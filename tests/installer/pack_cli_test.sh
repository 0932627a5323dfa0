#!/usr/bin/env bash
# Drives the kestrin-pack program itself: what a publisher sees on the command
# line, exit statuses included (0 done, 1 a problem with the files, 2 usage).
#   pack_cli_test.sh KESTRIN-PACK SCRATCH-FOLDER
set -euo pipefail
pack="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# put FILE OFFSET BYTES: writes printf-escaped BYTES into FILE at OFFSET.
put() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
# A file of SIZE bytes with the headers of a PE32+ executable.
make_pe() {   # FILE SIZE
  head -c "$2" /dev/zero >"$1"
  put "$1" 0 'MZ'; put "$1" 60 '\x80'; put "$1" 128 'PE\x00\x00'; put "$1" 148 '\xf0'
  put "$1" 152 '\x0b\x02'; put "$1" 260 '\x10'
}
# run EXPECTED-STATUS ARGS...: runs kestrin-pack, keeps stdout/stderr in out/err.
run() {
  local want="$1" rc=0; shift
  "$pack" "$@" >out 2>err || rc=$?
  [ "$rc" -eq "$want" ] || fail "kestrin-pack $* gave status $rc, not $want: $(cat err)"
}
expect_err() { grep -qF -- "$1" err || fail "stderr lacks '$1': $(cat err)"; }

make_pe stub.exe 4097
printf 'MSI' >p.msi
printf 'WindowTitle = From the command line\nPackageFile = p.msi\nSuppressConfirm = 1\nManufacturerFolder = M\nOutputFolder = P\n' >setup.conf
run 0 build --stub stub.exe --config setup.conf --out setup.exe
[ -s err ] && fail "a clean config gave warnings: $(cat err)"
[ $(( $(stat -c %s setup.exe) % 8 )) -eq 0 ] || fail "installer length is not a multiple of 8"
run 0 inspect setup.exe
for expected in "file size       $(stat -c %s setup.exe)" "  Package       3 bytes" "  15 WindowTitle = From the command line" \
                "  34 SuppressConfirm = 1" "  27 ExternalMSI = None" "signature       none"; do
  grep -qF -- "$expected" out || fail "inspect output lacks '$expected': $(cat out)"
done
echo "ok: build and inspect"

printf 'WindowTitle = x\nProgressScreen = maybe\n' >bad.conf
run 1 build --stub stub.exe --config bad.conf --out bad.exe
expect_err "bad.conf:2: ProgressScreen must be 0 or 1"
[ -e bad.exe ] && fail "a refused config left an installer"
printf 'PackageFile = p.msi\nManufacturerFolder = M\nOutputFolder = P\nPostCopy = Docs=C:\\Docs|Broken\n' >commands.conf
run 1 build --stub stub.exe --config commands.conf --out bad.exe
expect_err "commands.conf:4: file command \"Broken\" needs KEY=VALUE"
printf 'WindowTitle = x\nUninstallButton = 1\n' >cross.conf
run 1 build --stub stub.exe --config cross.conf --out bad.exe
expect_err "needs PackageFile"
printf 'PackageFile = p.msi\nManufacturerFolder = M\nOutputFolder = P\nLabel.3 = Agree$$$ment\nMessage = Costs 5$\n' >dollar.conf
run 1 build --stub stub.exe --config dollar.conf --out bad.exe
expect_err 'dollar.conf:4: a value cannot contain "$$$"'
sed -i 4d dollar.conf
run 1 build --stub stub.exe --config dollar.conf --out bad.exe
expect_err 'dollar.conf:4: a value cannot end with "$"'
echo "ok: config mistakes refused with file and line"

printf 'PackageFile = p.msi\nManufacturerFolder = M\nOutputFolder = P\nShortcuts = 1;A;A.exe\n' >warn.conf
run 0 build --stub stub.exe --config warn.conf --out warn.exe
expect_err "warn.conf:4: warning: Shortcuts is kept but never acted on"
echo "ok: ignored settings warned about, installer still written"

run 1 build --stub missing.exe --config setup.conf --out x.exe
expect_err "the stub missing.exe does not exist"
head -c 5000 /dev/urandom >random.exe
printf 'XX' | dd of=random.exe bs=1 conv=notrunc status=none
run 1 build --stub random.exe --config setup.conf --out x.exe
expect_err "is not a Windows executable"
run 1 build --stub setup.exe --config setup.conf --out x.exe
expect_err "already carries a payload"
run 1 inspect missing.exe
run 1 inspect stub.exe
run 2 build --stub stub.exe --config setup.conf
run 2 frobnicate
echo "ok: missing and wrong stubs refused (1), usage mistakes (2)"

# Bytes after the trailer, and a "KSTR" inside the package further back:
# inspect must take the trailer the installer's own first window finds.
make_pe appended.exe 2000
hex="3200300032003400"   # "2024" as UTF-16LE hex
{ cat appended.exe; printf '%s' "$hex"; head -c 20000 /dev/zero | tr '\0' 'M'; printf 'KSTR'; head -c 60000 /dev/zero | tr '\0' 'M'
  printf "$(le32 2000)$(le32 ${#hex})$(le32 0)$(le32 80004)$(le32 0)$(le32 0)$(le32 0)KSTR"
  head -c 500 /dev/zero | tr '\0' 'S'; } >appended-installer.exe
run 0 inspect appended-installer.exe
grep -qF "trailer at      $((2000 + ${#hex} + 80004))" out || fail "inspect took another trailer: $(cat out)"
grep -qF "   0 Timestamp = 2024" out || fail "inspect decoded another descriptor: $(cat out)"
echo "ok: inspect agrees with the installer on bytes after the trailer"
echo "PASS"
