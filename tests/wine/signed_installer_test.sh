#!/usr/bin/env bash
# Signing after packing, without Wine: a packed installer signed with
# osslsigncode verifies, and kestrin-pack inspect (the installer's own
# LocatePayload) still finds its payload, also behind a certificate table of
# more than 100,000 bytes. A signed stub is refused by the packer.
#   signed_installer_test.sh KESTRIN-PACK KestrinStub.exe SCRATCH-FOLDER
set -euo pipefail
here="$(cd "$(dirname "$0")/../../scripts/wine" && pwd)"
pack="$1"
stub="$2"
work="$3"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

head -c 150000 /dev/urandom >product.msi   # a package larger than the search windows
printf 'WindowTitle = Signed\nManufacturerFolder = Maker\nOutputFolder = Product\nPackageFile = product.msi\n' >setup.conf
"$pack" build --stub "$stub" --config setup.conf --out Setup.exe >/dev/null
"$pack" inspect Setup.exe >unsigned.txt
trailer=$(sed -n 's/^trailer at *\([0-9]*\).*/\1/p' unsigned.txt)

for kind in normal large; do
  flag=(); [ "$kind" = large ] && flag=(--large)
  bash "$here/sign-installer.sh" "${flag[@]}" Setup.exe "Setup-$kind.exe"
  osslsigncode verify -CAfile "Setup-$kind.exe.cert.pem" -in "Setup-$kind.exe" >"verify-$kind.txt" 2>&1 ||
    { cat "verify-$kind.txt" >&2; fail "$kind signature does not verify"; }
  "$pack" inspect "Setup-$kind.exe" >"inspect-$kind.txt" || fail "inspect of the $kind signed installer"
  table=$(sed -n 's/^signature *certificate table at \([0-9]*\), \([0-9]*\) bytes/\1 \2/p' "inspect-$kind.txt")
  [ -n "$table" ] || fail "inspect does not report the certificate table: $(cat "inspect-$kind.txt")"
  set -- $table
  [ "$1" -eq $((trailer + 32)) ] || fail "the certificate table does not begin right after the trailer"
  grep -qF "trailer at      $trailer " "inspect-$kind.txt" || fail "inspect found another trailer"
  grep -qF "  15 WindowTitle = Signed" "inspect-$kind.txt" || fail "descriptor not read"
  grep -qF "  Package       150000 bytes" "inspect-$kind.txt" || fail "package length"
  echo "ok: $kind signature ($2 bytes) verifies and the payload is found before it"
  [ "$kind" = normal ] || [ "$2" -gt 100000 ] || fail "the large signature is only $2 bytes"
done
if "$pack" build --stub Setup-normal.exe --config setup.conf --out again.exe 2>err.txt; then fail "a signed stub was packed"; fi
grep -q "is signed" err.txt || fail "signed stub refused without saying why: $(cat err.txt)"
echo "ok: a signed stub is refused"
echo "PASS"
