#!/usr/bin/env bash
# The installer and its uninstaller under Wine, as a user meets them:
# - silent, for the current user: Lumora.scr, the guide and the licences in
#   the user's program folder, Lumora made the current screen saver (the
#   registry read back); the saver started by that registry value shows the
#   demo pictures; the silent uninstaller gives the old screen saver back
#   and leaves files and registry exactly as before, the settings included;
# - silent, for all users, keeping the current screen saver, into a folder
#   given with /D=: Lumora.scr in the system folder; the uninstaller asked
#   to remove the settings does;
# - interactive, in Japanese, every page passed with Enter (screenshots
#   kept; LUMORA_DOCS_SHOTS=DIR copies them there for the user's guide),
#   then the interactive uninstaller.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init --japanese
h_mouse_to 1270 790

version=$(sed -n 's/^project(Lumora VERSION \([0-9.]*\).*/\1/p' "$H_ROOT/CMakeLists.txt")
setup="$LUMORA_BIN/dist/LumoraSetup-$version.exe"
[ -f "$setup" ] || h_fail "no $setup (built with the Windows preset when makensis is installed)"
c="$WINEPREFIX/drive_c"
unix_path() { _h_wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
local_appdata=$(_h_wine cmd /c echo '%LOCALAPPDATA%' | tr -d '\r')
user_dir=$(unix_path "$local_appdata\\Programs\\Lumora")
all_dir_win='C:\LumoraSaver'  # chosen with /D= (NSIS takes it unquoted)
all_dir=$(unix_path "$all_dir_win")
# A 32-bit installer on 64-bit Windows puts a saver for all users into
# SysWOW64; the x86_64 build's installer into system32.
if [[ $LUMORA_WINE == *64 ]] || [ ! -d "$c/windows/syswow64" ]; then
  sys_win='C:\windows\system32\Lumora.scr'
else
  sys_win='C:\windows\SysWOW64\Lumora.scr'
fi
sys_scr=$(unix_path "$sys_win")
desk='HKEY_CURRENT_USER\Control Panel\Desktop'
settings_key='HKEY_CURRENT_USER\Software\Orvane\Lumora'
uninst_cu='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora'
uninst_lm='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora'

# Leftovers of an earlier, interrupted run.
h_reg_delete_key "$uninst_cu"
h_reg_delete_key "$uninst_lm"
rm -rf "$user_dir" "$all_dir" "$sys_scr"
# As on a fresh profile, the folder above the program folder does not exist
# yet (an empty one is made again by whoever needs it).
rmdir "$(dirname "$user_dir")" 2>/dev/null || true

# The state before: another screen saver chosen and switched off, settings
# that show the demo pictures and keep a log.
pictures="$H_ROOT/build/demo-pictures"
[ -e "$pictures/09-large-6000x4000.jpg" ] || bash "$H_ROOT/tools/make-demo-pictures.sh" "$pictures" >/dev/null
h_reg_write_utf16 "$H_TMP/before.reg" <<REG
Windows Registry Editor Version 5.00

[$desk]
"SCRNSAVE.EXE"="C:\\\\windows\\\\system32\\\\other.scr"
"ScreenSaveActive"="0"
REG
h_reg_import "$H_TMP/before.reg"
log="$H_TMP/installed.log"
l_no_settings
l_settings '"Draw Wait"=dword:00000001' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000002' \
  "\"LogFile\"=\"$(_h_winpath "$log" | sed 's/\\/\\\\/g')\""
l_folders_reg "$pictures" | h_reg_write_utf16 "$H_TMP/folders.reg"
h_reg_import "$H_TMP/folders.reg"

# snapshot OUT [KEY...]: the prefix's files (but the temporary folders, where
# an NSIS uninstaller leaves its copy as it does on Windows until the next
# start) and the registry keys the installer touches, or those given.
snapshot() {
  local out=$1 key
  shift
  [ $# -gt 0 ] || set -- "$desk" 'HKEY_CURRENT_USER\Software\Orvane' "$uninst_cu" "$uninst_lm"
  {
    (cd "$c" && find . \( -ipath './users/*/Temp' -o -ipath './windows/temp' \) -prune -o -print | LC_ALL=C sort)
    for key in "$@"; do _h_reg_export "$key" || echo "[absent: $key]"; done
  } >"$out"
}
same_as() { # SNAPSHOT WHAT [KEY...]
  local before=$1 what=$2
  shift 2
  snapshot "$H_TMP/after.txt" "$@"
  diff "$before" "$H_TMP/after.txt" >"$H_TMP/diff.txt" ||
    h_fail "$what: not as before the installation: $(head -c 1500 "$H_TMP/diff.txt")"
}
snapshot "$H_TMP/before.txt"
snapshot "$H_TMP/before-without-settings.txt" "$desk" "$uninst_cu" "$uninst_lm"

lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }
expect_installed() { # DIR SCR WHAT
  cmp -s "$2" "$LUMORA_BIN/Lumora.scr" || h_fail "$3: $2 is not the built Lumora.scr"
  local f
  for f in Uninstall.exe docs/index.html docs/ja.html docs/en.html licenses/libjpeg-turbo.txt licenses/libpng.txt \
    licenses/zlib.txt licenses/giflib.txt; do
    [ -s "$1/$f" ] || h_fail "$3: $1/$f is missing"
  done
}
# The uninstaller copies itself to the temporary folder and returns at once;
# it is done when its key and its folder are gone.
wait_uninstalled() { # KEY DIR
  h_wait_for "! _h_wine reg query '$1' >/dev/null 2>&1 && [ ! -e '$2' ]" 60 "the uninstaller did not finish"
  "$WINESERVER" -w 2>/dev/null || true
}
quiet_uninstall() { # KEY EXTRA-ARGS...
  local key=$1 command exe args
  shift
  command=$(h_reg_query "$key" QuietUninstallString)
  exe=$(sed 's/^"\([^"]*\)".*/\1/' <<<"$command")
  read -ra args <<<"$(sed 's/^"[^"]*" *//' <<<"$command")"
  h_run_wine "$exe" "${args[@]}" "$@"
}

# --- Silent, for the current user, made the current screen saver.
h_run_wine "$setup" /S || h_fail "the silent installer failed"
expect_installed "$user_dir" "$user_dir/Lumora.scr" "silent install for the current user"
scrnsave=$(h_reg_query "$desk" SCRNSAVE.EXE)
[ "$(lower "$(unix_path "$scrnsave")")" = "$(lower "$user_dir/Lumora.scr")" ] ||
  h_fail "SCRNSAVE.EXE is $scrnsave, not the installed Lumora.scr"
[ "$(h_reg_query "$desk" ScreenSaveActive)" = 1 ] || h_fail "the screen saver was not switched on"
[ "$(h_reg_query "$uninst_cu" DisplayVersion)" = "$version" ] || h_fail "the uninstall entry has no version $version"
h_pass "silent install for the current user: files in $local_appdata\\Programs\\Lumora, SCRNSAVE.EXE=$scrnsave, ScreenSaveActive=1, uninstall entry $version"

# The system starts the saver by that value.
h_start saver -- "$scrnsave" /s
l_wait_saver >/dev/null
h_wait_for '[ "$(grep -c "demo-pictures" "$log" 2>/dev/null)" -ge 3 ]' 60 "the installed saver showed no demo pictures"
tr -d '\r' <"$log" | grep -qx "Version $version" || h_fail "no line \"Version $version\" in the log"
h_screenshot installed-saver.png
h_key q
l_expect_ends "$saver" 15 "the installed Lumora.scr /s showed the demo pictures (log: Version $version, $(grep -c demo-pictures "$log") pictures) and ended on a key"
rm -f "$log"

quiet_uninstall "$uninst_cu"
wait_uninstalled "$uninst_cu" "$user_dir"
[ "$(h_reg_query "$desk" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] || h_fail "the old screen saver did not come back"
same_as "$H_TMP/before.txt" "silent uninstall"
h_pass "silent uninstall: the old screen saver is back, files and registry as before, settings kept"

# --- Silent, for all users, the current screen saver kept.
h_run_wine "$setup" /S /AllUsers /KeepSaver "/D=$all_dir_win" || h_fail "the silent all-users installer failed"
expect_installed "$all_dir" "$sys_scr" "silent install for all users"
[ "$(h_reg_query "$desk" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] || h_fail "/KeepSaver changed the screen saver"
[ "$(h_reg_query "$desk" ScreenSaveActive)" = 0 ] || h_fail "/KeepSaver switched the screen saver on"
[ "$(lower "$(h_reg_query "$uninst_lm" ScreenSaverFile)")" = "$(lower "$sys_win")" ] ||
  h_fail "the all-users entry does not name $sys_win"
h_pass "silent install for all users: $sys_win, the rest in $all_dir_win (/D=), screen saver kept"
quiet_uninstall "$uninst_lm" /RemoveSettings
wait_uninstalled "$uninst_lm" "$all_dir"
[ ! -e "$sys_scr" ] || h_fail "the uninstaller left $sys_scr"
! _h_wine reg query "$settings_key" >/dev/null 2>&1 || h_fail "/RemoveSettings kept the settings"
same_as "$H_TMP/before-without-settings.txt" "all-users uninstall" "$desk" "$uninst_cu" "$uninst_lm"
h_pass "uninstall with /RemoveSettings: the settings are gone, everything else as before"
h_reg_import "$H_TMP/folders.reg"
snapshot "$H_TMP/before.txt"

# --- Interactive, in Japanese: Enter on every page.
# shot NAME: a screenshot once the screen has stopped changing.
shot() {
  local previous="$H_TMP/shot-previous.png" _
  h_screenshot "$previous"
  for _ in $(seq 30); do
    sleep 0.4
    h_screenshot "$1"
    [ "$(h_diff_pixels "$1" "$previous")" != 0 ] || return 0
    cp "$H_TMP/$1" "$previous"
  done
}
# press_enter SHOT: Enter, then waits until the screen differs from SHOT.
press_enter() {
  local before=$1
  h_key Return
  h_wait_for '[ "$(h_screenshot now.png; h_diff_pixels now.png "$before")" -gt 2000 ]' 20 "no next page after $before"
}
window_named() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# Without a window manager the keyboard goes to the window under the
# pointer: the installer's windows open in the middle of the screen.
h_mouse_to 640 400
pages=()
h_start installer -- "$setup"
h_wait_for 'window_named "Installer Language"' 30 "no language selection"
shot installer-0-language.png
pages+=(installer-0-language.png)
n=1
for page in welcome mode components folder finish; do
  press_enter "${pages[-1]}"
  # The folder page's Enter installs; the finish page follows by itself.
  [ "$page" != finish ] || h_wait_for '[ -e "$user_dir/Uninstall.exe" ]' 30 "nothing was installed"
  h_wait_for 'window_named "Lumora セットアップ"' 20 "no window \"Lumora セットアップ\" for the page $page"
  shot "installer-$n-$page.png"
  pages+=("installer-$n-$page.png")
  n=$((n + 1))
done
h_key Return
l_expect_ends "$installer" 30 "the interactive installer (Japanese pages: ${pages[*]}) ended with 完了"
expect_installed "$user_dir" "$user_dir/Lumora.scr" "interactive install"
[ "$(lower "$(unix_path "$(h_reg_query "$desk" SCRNSAVE.EXE)")")" = "$(lower "$user_dir/Lumora.scr")" ] ||
  h_fail "the interactive install did not make Lumora the current screen saver"
h_pass "interactive install for the current user, Lumora made the current screen saver"

command=$(h_reg_query "$uninst_cu" UninstallString)
exe=$(sed 's/^"\([^"]*\)".*/\1/' <<<"$command")
h_start uninstaller -- "$exe" /CurrentUser
h_wait_for 'window_named "Lumora アンインストール"' 30 "no uninstaller window"
shot uninstaller-0-confirm.png
press_enter uninstaller-0-confirm.png
shot uninstaller-1-components.png
press_enter uninstaller-1-components.png
h_wait_for '[ ! -e "$user_dir" ]' 30 "the interactive uninstaller removed nothing"
shot uninstaller-2-done.png
h_key Return
wait_uninstalled "$uninst_cu" "$user_dir"
same_as "$H_TMP/before.txt" "interactive uninstall"
h_pass "interactive uninstall: the old screen saver is back, files and registry as before, settings kept"

if [ -n "${LUMORA_DOCS_SHOTS:-}" ]; then
  mkdir -p "$LUMORA_DOCS_SHOTS"
  for f in installer-1-welcome installer-2-mode installer-3-components installer-5-finish uninstaller-1-components; do
    /usr/bin/convert "$H_TMP/$f.png" -trim +repage "$LUMORA_DOCS_SHOTS/$f.png"
  done
fi
