#!/usr/bin/env bash
# Makes what the end-to-end tests share, under ROOT: the throwaway 64-bit Wine
# prefix ROOT/pfx, the test package ROOT/product.msi (built offline from
# DATA/product.wxs with wixl) and a background picture ROOT/background.jpg.
#   make-prefix.sh ROOT DATA
# Offline and quiet (no .NET or browser-engine prompts, no menu entries); HOME
# is a scratch folder next to the prefix, and the profile folders that Wine
# links to HOME are replaced by real folders so nothing lands outside it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/session.sh"
root="$1"
data="$2"
prefix="$root/pfx"
mkdir -p "$root"
wixl -a x64 -o "$root/product.msi" -I "$data" "$data/product.wxs" 2>"$root/wixl.log" ||
  { cat "$root/wixl.log" >&2; exit 1; }
# The File sources of product.wxs are found through -I DATA.
[ -s "$root/product.msi" ] || { echo "no package built" >&2; exit 1; }
convert -size 396x165 gradient:'#dfeaf5-#9cc3e6' -fill '#1d4e89' -pointsize 30 \
  -annotate +14+44 'Kestrin Test' "$root/background.jpg"
rm -rf "$prefix" "$(dirname "$prefix")/home"
mkdir -p "$(dirname "$prefix")/home"
trap wine_session_stop EXIT
wine_session_start "$(dirname "$prefix")/prefix-session" "$prefix"
wine_make_prefix "$prefix"
echo "prefix ready: $prefix"
