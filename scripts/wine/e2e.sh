#!/usr/bin/env bash
# One Wine end-to-end scenario of KestrinStub:
#   e2e.sh SCENARIO
# SCENARIO is window, install, uninstall, preinstall-abort, preinstall-wait,
# progress, confirm-no or platform.
# The environment names the pieces (CTest sets them, see tests/wine):
#   KESTRIN_STUB      the cross-built KestrinStub.exe
#   KESTRIN_PACK      the native kestrin-pack
#   KESTRIN_HELPERS   folder of the test helper programs (PreInstallAnswer.exe, WindowTexts.exe,
#                     PlatformChecks.exe)
#   WINE_E2E_ROOT     folder of the shared prefix (made by make-prefix.sh) and the test work
#   WINE_E2E_DATA     tests/wine/data (the package source, texts)
#   WINE_E2E_ARTIFACTS folder for screenshots kept after the run
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/session.sh"

scenario="$1"
root="$(cd "$WINE_E2E_ROOT" && pwd)"
prefix="$root/pfx"
work="$root/$scenario"
rm -rf "$work"
mkdir -p "$work"
product_code="7D2F6C3A-4B1E-4F7A-9C55-0E8B2A61D4F3"
title="Kestrin Test"
exe_title="KestrinSetup"     # message boxes carry the installer's file name

# The installer is ended by its own id first; wine_session_stop then ends the
# prefix's wineserver, the window manager and Xvfb, each by its own id too.
end_stub() {
  if [ -n "${STUB_PID:-}" ] && kill -0 "$STUB_PID" 2>/dev/null; then
    kill "$STUB_PID" 2>/dev/null || true
    wait "$STUB_PID" 2>/dev/null || true
  fi
  wine_session_stop
}
trap end_stub EXIT
# The window scenario runs with Wine's browser library enabled, so the HTML
# notes meet the real "no browser engine" behaviour rather than a missing DLL.
if [ "$scenario" = window ]; then WINE_OVERRIDES='mscoree=;winemenubuilder.exe=d'; fi
wine_session_start "$work/session" "$prefix"

# ---- packing ---------------------------------------------------------------
declare -A cfg=()
set_field() { cfg["$1"]="$2"; }

# Writes the kestrin-pack config from cfg[] and packs $work/KestrinSetup.exe.
pack() {
  local conf="$work/setup.conf" key
  : >"$conf"
  for key in "${!cfg[@]}"; do printf '%s = %s\n' "$key" "${cfg[$key]}" >>"$conf"; done
  "$KESTRIN_PACK" build --stub "$KESTRIN_STUB" --config "$conf" --out "$work/$exe_title.exe" >"$work/pack.log" 2>&1 ||
    { cat "$work/pack.log" >&2; fail "kestrin-pack build"; }
}

base_config() {
  set_field WindowTitle "$title"
  set_field ManufacturerFolder Maker
  set_field OutputFolder Product
  set_field ExternalMSI None
  set_field ProductGuid "$product_code"
  set_field PackageFile "$root/product.msi"
}

# ---- the machine's state ------------------------------------------------------
install_dir="$(wine_unix_path 'C:\Program Files\Maker\Product')"
work_dir="$(wine_unix_path 'C:\users\Public\Install')"
public_dir="$(wine_unix_path 'C:\users\Public')"

reset_machine() {
  wine msiexec /quiet /x "{$product_code}" >/dev/null 2>&1 || true
  rm -rf "$(dirname "$install_dir")" "$work_dir" "$public_dir/KestrinCopy" "$public_dir/KestrinMade" \
         "$public_dir/preinstall-seen.txt" "$public_dir/Desktop/Kestrin 100% Readme.lnk" "$public_dir/KestrinVictim" \
         "$public_dir/kestrin-links" "$public_dir/kestrin-victim"
}

STUB_PID=""
start_stub() {
  ( cd "$work" && exec wine "$work/$exe_title.exe" ) >"$work/stub.log" 2>&1 &
  STUB_PID=$!
}

window_texts() { wine "$KESTRIN_HELPERS/WindowTexts.exe" 2>/dev/null | tr -d '\r'; }

# Waits for a message box (caption = the installer's file name) showing TEXT,
# checks its text, and presses its default button.
answer_message() {   # TEXT [SECONDS]
  local box
  box=$(wine_wait_window "$exe_title" "${2:-30}") || fail "message box '$1' did not appear"
  sleep 0.5
  window_texts | grep -F "$exe_title | #32770" | grep -qF "$1" || { window_texts >&2; fail "message box does not say '$1'"; }
  echo "ok: message box says '$1'"
  wine_keys "$box" Return
  sleep 0.5
}

press_main_button() {   # TABS-FROM-QUIT
  local w tabs=()
  w=$(wine_wait_window "$title" 30) || fail "main window did not appear"
  local i; for ((i = 0; i < $1; i++)); do tabs+=(Tab); done
  wine_keys "$w" "${tabs[@]}" space
}

stub_ended() { wine_wait_pid_gone "$STUB_PID" "${1:-20}"; }

# ---- scenarios ---------------------------------------------------------------------
scenario_install() {
  reset_machine
  base_config
  set_field SuppressConfirm 1
  set_field PostCopy 'readme.txt=C:\users\Public\KestrinCopy\readme.txt|CreateFolder={C:\users\Public\KestrinMade\Sub}|Shortcut=Kestrin 100% Readme;C:\Program Files\Maker\Product\readme.txt;'
  pack
  # Signed after packing, with a certificate table larger than 100,000 bytes.
  bash "$here/sign-installer.sh" --large "$work/$exe_title.exe" "$work/signed.exe"
  mv "$work/signed.exe" "$work/$exe_title.exe"
  # What a standard user could prepare: programs named like the system's
  # beside the installer (its folder is also the current folder), and a
  # link in the work folder to a folder the elevated clean-up must not empty.
  local planted
  for planted in msiexec icacls cscript; do cp "$KESTRIN_HELPERS/PreInstallAnswer.exe" "$work/$planted.exe"; done
  mkdir -p "$public_dir/KestrinVictim" "$work_dir"
  echo victim >"$public_dir/KestrinVictim/keep.txt"
  ln -s "$public_dir/KestrinVictim" "$work_dir/Planted"
  start_stub
  press_main_button 1          # Quit -> Install
  answer_message "Finished" 40
  stub_ended 60 || fail "installer did not end after the installation"
  echo "ok: installer ended"
  check "package files installed" test -f "$install_dir/readme.txt" -a -f "$install_dir/settings.ini"
  check "file copied out of the install folder" cmp -s "$install_dir/readme.txt" "$public_dir/KestrinCopy/readme.txt"
  check "guarded folder created" test -d "$public_dir/KestrinMade/Sub"
  check "desktop shortcut created" test -f "$public_dir/Desktop/Kestrin 100% Readme.lnk"
  check "no planted program ran" test ! -e "$public_dir/preinstall-seen.txt"
  check "the clean-up left the linked folder alone" grep -qx victim "$public_dir/KestrinVictim/keep.txt"
  # Wine's RemoveDirectoryW follows a host link instead of removing it, as
  # Windows does with a junction: the link itself stays, nothing else.
  check "work folder removed but for the link" test "$(ls -A "$work_dir" 2>/dev/null)" = Planted
}

scenario_uninstall() {
  reset_machine
  wine msiexec /i "$root/product.msi" /qn >/dev/null 2>&1 || fail "could not install the package beforehand"
  check "product installed beforehand" test -f "$install_dir/readme.txt"
  base_config
  set_field SuppressConfirm 1
  set_field UninstallButton 1
  pack
  start_stub
  local w
  w=$(wine_wait_window "$title" 30) || fail "main window did not appear"
  sleep 0.5
  window_texts | grep -F "$title | #32770" | grep -q "| Uninstall" || fail "Uninstall button not shown"
  press_main_button 2          # Quit -> Install -> Uninstall (Info is hidden)
  answer_message "Uninstall Completed" 40
  check "install folder removed" test ! -e "$install_dir"
  sleep 0.5
  if window_texts | grep -F "$title | #32770" | grep -q "| Uninstall"; then fail "Uninstall button still shown"; fi
  echo "ok: Uninstall button hidden"
  kill -0 "$STUB_PID" 2>/dev/null || fail "installer ended after uninstalling"
  echo "ok: main window stays open"
}

scenario_preinstall_abort() {
  reset_machine
  base_config
  set_field SuppressConfirm 1
  cp "$KESTRIN_HELPERS/PreInstallAnswer.exe" "$work/PreAbort.exe"
  set_field PreInstallExeName PreAbort.exe
  set_field PreInstallFile "$work/PreAbort.exe"
  # A long agreement: the full-size dialog in ask mode with relabelled buttons.
  set_field Agreement "$(printf 'Terms of use. %.0s' $(seq 1 40))"
  set_field Label.0 Decline
  set_field Label.3 "Agreement of Use"
  pack
  start_stub
  press_main_button 1
  local agreement
  agreement=$(wine_wait_window "Agreement of Use" 30) || fail "agreement dialog did not appear"
  check "agreement dialog at full size" test "$(wine_window_size "$agreement")" = "495x406"
  window_texts | grep -F "Agreement of Use | #32770" | grep -q "| Continue | Decline |" ||
    { window_texts >&2; fail "agreement buttons"; }
  echo "ok: agreement buttons read Continue and Decline"
  wine_keys "$agreement" Return   # Continue is the default button
  stub_ended 40 || fail "installer did not end after the abort"
  echo "ok: installer ended"
  check "pre-install program saw the install folder on the clipboard" \
    grep -qiF 'c:\Program Files\Maker\Product' "$public_dir/preinstall-seen.txt"
  check "no package run" test ! -e "$install_dir"
  check "work folder removed" test ! -e "$work_dir"
}

scenario_preinstall_wait() {
  reset_machine
  base_config
  set_field SuppressConfirm 1
  cp "$KESTRIN_HELPERS/PreInstallAnswer.exe" "$work/PreWait.exe"
  set_field PreInstallExeName PreWait.exe
  set_field PreInstallFile "$work/PreWait.exe"
  pack
  start_stub
  press_main_button 1
  # The helper holds the installation back with "KestrinWait" for 8 seconds.
  sleep 6
  check "package held back while the program says KestrinWait" test ! -e "$install_dir"
  answer_message "All set" 30
  answer_message "Finished" 40
  stub_ended 60 || fail "installer did not end"
  echo "ok: installer ended"
  check "package installed after KestrinDone:" test -f "$install_dir/readme.txt"
  check "work folder removed" test ! -e "$work_dir"
}

scenario_platform() {
  # The Windows platform layer's primitives, run by a test program of its own.
  local out="$work/platform-checks.txt" rc=0
  rm -rf "$public_dir/kestrin-links" "$public_dir/kestrin-victim"
  mkdir -p "$public_dir/kestrin-links" "$public_dir/kestrin-victim"
  printf victim >"$public_dir/kestrin-victim/keep.txt"
  echo own >"$public_dir/kestrin-links/own.txt"
  ln -s "$public_dir/kestrin-victim" "$public_dir/kestrin-links/Planted"
  wine "$KESTRIN_HELPERS/PlatformChecks.exe" >"$out" 2>/dev/null || rc=$?
  tr -d '\r' <"$out"
  [ "$rc" -eq 0 ] || fail "platform checks: exit status $rc"
  grep -q '^0 failure(s)' <(tr -d '\r' <"$out") || fail "platform checks did not finish"
}

scenario_progress() {
  reset_machine
  base_config
  set_field SuppressConfirm 1
  set_field ProgressScreen 1
  set_field Label.17 "Installing Kestrin"
  pack
  start_stub
  press_main_button 1
  local progress
  progress=$(wine_wait_window "Installing Kestrin" 30) || fail "progress window did not appear"
  check "progress window client area 167x32" test "$(wine_window_size "$progress")" = "167x32"
  stub_ended 60 || fail "installer did not end after the progress window"
  echo "ok: installer ended after the progress display"
  check "package files installed" test -f "$install_dir/readme.txt"
  check "work folder removed" test ! -e "$work_dir"
}

scenario_confirm_no() {
  reset_machine
  base_config
  # A picture that no decoder can read: the window must work without it.
  head -c 3000 /dev/urandom >"$work/broken.jpg"
  set_field ImageFile "$work/broken.jpg"
  pack
  start_stub
  press_main_button 1
  local box
  box=$(wine_wait_window "$exe_title" 30) || fail "confirmation did not appear"
  sleep 0.5
  window_texts | grep -F "$exe_title | #32770" | grep -qF 'Install Kestrin Test to:' ||
    { window_texts >&2; fail "confirmation text"; }
  echo "ok: confirmation names the product and folder"
  window_texts | grep -F "$exe_title | #32770" | grep -qE '\| &?Yes \| &?No' || { window_texts >&2; fail "confirmation buttons"; }
  echo "ok: confirmation has Yes and No"
  wine_keys "$box" n
  stub_ended 30 || fail "installer did not end after No"
  echo "ok: installer ended"
  check "no package run after No" test ! -e "$install_dir"
  check "work folder removed after No" test ! -e "$work_dir"
}

scenario_window() {
  reset_machine
  base_config
  set_field ImageFile "$root/background.jpg"
  set_field Message "Welcome to the Kestrin Test installer."
  set_field CenterMessage 1
  set_field URLDisplayed "www.example.com"
  set_field URLActual "http://www.example.com/"
  set_field Copyright "(c) Maker"
  set_field PreNotes "Please close other programs first."
  set_field Info "<HTML><body><h1>About</h1><p>Kestrin Test</p></body></HTML>"
  set_field Label.7 "Install now"
  pack
  start_stub
  local notes w info
  notes=$(wine_wait_window "Pre-Installation Notes" 30) || fail "start-up notes did not appear"
  check "short notes get the compact dialog" test "$(wine_window_size "$notes")" = "495x206"
  wine_keys "$notes" Return   # OK is the default button in view mode
  w=$(wine_wait_window "$title" 30) || fail "main window did not appear"
  check "main window client area 397x222" test "$(wine_window_size "$w")" = "397x222"
  # The running installer holds its own file without delete sharing, so no
  # other program can rename it away and put another file at its path.
  wine cmd /c ren "$(winepath -w "$work/$exe_title.exe")" Renamed.exe >/dev/null 2>&1 || true
  check "the running installer's file cannot be renamed" test -f "$work/$exe_title.exe" -a ! -e "$work/Renamed.exe"
  sleep 1
  local line
  line=$(window_texts | grep -F "$title | #32770")
  echo "$line"
  [[ "$line" == *"| Quit | Install now | Info"* ]] || fail "main window captions and tab order: $line"
  echo "ok: captions in tab order with the Install label override"
  mkdir -p "$WINE_E2E_ARTIFACTS"
  import -window "$w" -frame "$WINE_E2E_ARTIFACTS/main-window.png" 2>/dev/null ||
    import -window root "$WINE_E2E_ARTIFACTS/main-window.png"
  check "screenshot written" test -s "$WINE_E2E_ARTIFACTS/main-window.png"
  # Info carries HTML; without a browser engine it falls back to the plain dialog.
  wine_keys "$w" Tab Tab space
  info=$(wine_wait_window_size "Info" 495x206 30) ||
    fail "HTML without a browser document should fall back to the plain dialog"
  echo "ok: HTML without a browser document falls back to the plain dialog"
  sleep 0.5
  window_texts | grep -F "Info | #32770" | grep -qF "<HTML><body><h1>About</h1>" || { window_texts >&2; fail "Info text"; }
  echo "ok: the HTML text is shown as text"
  wine_keys "$info" Return
  sleep 1
  wine_keys "$w" shift+Tab shift+Tab space   # from Info back to Quit
  stub_ended 20 || fail "Quit did not end the installer"
  echo "ok: Quit ends the installer"
}

case "$scenario" in
  install) scenario_install ;;
  uninstall) scenario_uninstall ;;
  preinstall-abort) scenario_preinstall_abort ;;
  preinstall-wait) scenario_preinstall_wait ;;
  window) scenario_window ;;
  progress) scenario_progress ;;
  platform) scenario_platform ;;
  confirm-no) scenario_confirm_no ;;
  *) fail "unknown scenario $scenario" ;;
esac
echo "PASS: $scenario"
