#!/usr/bin/env bash
# Signs a packed installer the way a publisher would, with osslsigncode and a
# throwaway self-signed certificate made on the spot (never a kept secret):
#   sign-installer.sh [--large] IN.exe OUT.exe
# OUT.exe.cert.pem receives the certificate, to verify against. --large adds
# 140 copies of a filler certificate to the signature, making its certificate
# table larger than 100,000 bytes.
set -euo pipefail
large=0
if [ "${1:-}" = --large ]; then large=1; shift; fi
in="$1"
out="$2"
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/key.pem" -out "$keys/cert.pem" -days 2 \
  -subj "/CN=Kestrin Test Publisher" 2>/dev/null
extra=()
if [ "$large" -eq 1 ]; then
  openssl req -x509 -key "$keys/key.pem" -out "$keys/filler.pem" -days 2 -subj "/CN=Kestrin Filler" 2>/dev/null
  for _ in $(seq 1 140); do cat "$keys/filler.pem"; done >"$keys/fillers.pem"
  extra=(-ac "$keys/fillers.pem")
fi
rm -f "$out"
osslsigncode sign -certs "$keys/cert.pem" -key "$keys/key.pem" "${extra[@]}" -n "Kestrin Test" \
  -in "$in" -out "$out" >/dev/null
cp "$keys/cert.pem" "$out.cert.pem"
