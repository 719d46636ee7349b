# Helpers of Lumora's end-to-end tests, on top of harness.sh.
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

[ -n "${LUMORA_BIN:-}" ] || h_fail "LUMORA_BIN (the Windows build folder) is not set"
L_SCR="$LUMORA_BIN/Lumora.scr"
L_PROBE="$LUMORA_BIN/lumora-probe.exe"
[ -f "$L_SCR" ] || h_fail "no $L_SCR: build the Windows preset first"
[ -f "$L_PROBE" ] || h_fail "no $L_PROBE"

# l_probe ARGS...: runs the probe and prints its key=value lines.
l_probe() { h_run_wine "$L_PROBE" "$@" | tr -d '\r'; }
# l_value KEY TEXT: the value of KEY in the probe's output.
l_value() { sed -n "s/^$1=//p" <<<"$2" | head -n1; }

# l_start VAR ARGS...: starts Lumora.scr with the arguments.
l_start() {
  local var=$1
  shift
  h_start "$var" -- "$L_SCR" "$@"
}

# l_wait_saver [SECONDS]: waits (default 20 s) for the saver window and prints its description.
l_wait_saver() {
  local info
  info=$(l_probe wait-window TLumora "${1:-20}") || h_fail "no window of class TLumora appeared in ${1:-20} s"
  printf '%s\n' "$info"
}

# l_expect_ends PID SECONDS WHAT: the process must end, normally, in time.
l_expect_ends() {
  local st=0
  h_wait_exit "$1" "$2" || st=$?
  [ "$st" != 124 ] || h_fail "$3: still running after $2 s"
  [ "$st" = 0 ] || h_fail "$3: ended with status $st"
  h_pass "$3"
}

# l_expect_runs PID SECONDS WHAT: the process must still run after SECONDS.
l_expect_runs() {
  sleep "$2"
  h_running "$1" || h_fail "$3: the saver ended"
  h_pass "$3"
}

# l_saver_settled: the saver paints its start image and waits two seconds
# before its timer starts; tests that judge the screen wait for that.
l_saver_settled() { sleep 3.5; }

# l_settings LINE...: writes .reg value lines ('"End Option"=dword:00000002')
# under the settings key.
l_settings() {
  { printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora]\n'
    printf '%s\n' "$@"; } | h_reg_write_utf16 "$H_TMP/settings.reg"
  h_reg_import "$H_TMP/settings.reg"
}

# l_no_settings: no settings key at all.
l_no_settings() { h_reg_delete_key 'HKEY_CURRENT_USER\Software\Orvane\Lumora'; }

# l_fresh_settings: the defaults, except that the show never ends by itself
# ("End Option" 2; "Draw Wait" and "MediaPlayer" come with it, the three
# being read together), so that only input ends the saver.
l_fresh_settings() {
  l_no_settings
  l_settings '"Draw Wait"=dword:00000005' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000002'
}

# l_expect_desktop_shown MAX WHAT: after the saver settled, the screen must
# match before.png (the desktop before the start) in all but MAX pixels.
l_expect_desktop_shown() {
  local differing
  l_saver_settled
  h_screenshot during.png
  differing=$(h_diff_pixels before.png during.png 2)
  [ "$differing" -lt "$1" ] || h_fail "the screen differs from the desktop in $differing pixels (see $H_TMP/during.png)"
  h_pass "$2 ($differing pixels differ)"
}

# l_password_standin: the older consumer family's password check with a
# stand-in PASSWORD.CPL in the system folder and the password turned on.
# The stand-in answers what $answer holds (0 refuses, 1 accepts; 0 to
# begin with) and writes a line to $calls for every question.
# l_password_remove undoes it (call it from the test's EXIT trap).
l_password_standin() {
  local sysdir
  case $LUMORA_WINE in *wine64) sysdir=system32 ;; *) sysdir=syswow64 ;; esac
  [ -d "$WINEPREFIX/drive_c/windows/$sysdir" ] || sysdir=system32
  L_CPL="$WINEPREFIX/drive_c/windows/$sysdir/PASSWORD.CPL"
  cp "$LUMORA_BIN/PASSWORD.CPL" "$L_CPL"
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\n"ScreenSaveUsePassword"=dword:00000001\n' |
    h_reg_write_utf16 "$H_TMP/password.reg"
  h_reg_import "$H_TMP/password.reg"
  answer="$H_TMP/answer" calls="$H_TMP/calls"
  echo 0 >"$answer"
  : >"$calls"
  H_WINE_ENV+=(LUMORA_TEST_PLATFORM_ID=1 "LUMORA_TEST_PASSWORD_ANSWER=$(_h_winpath "$answer")"
    "LUMORA_TEST_PASSWORD_CALLS=$(_h_winpath "$calls")")
}
l_password_remove() {
  rm -f "${L_CPL:-}"
  h_run_wine reg delete 'HKCU\Control Panel\desktop' /v ScreenSaveUsePassword /f >/dev/null 2>&1 || true
}

# --- Picture shows on one-colour pictures, measured on screenshots.

# l_rects IMAGE R,G,B [TOLERANCE [X Y W H]]: the box and count of the
# pixels of that colour (tests/e2e/rects.py).
l_rects() { python3 "$H_ROOT/tests/e2e/rects.py" "$@"; }

# l_folders_reg FOLDER...: the picture folder list in .reg form.
l_folders_reg() {
  local i=0 f
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders]\n'
  for f in "$@"; do
    printf '"%04d"="%s"\n' "$i" "$(_h_winpath "$f" | sed 's/\\/\\\\/g')"
    i=$((i + 1))
  done
}

# l_show "SETTING=VALUE;..." NAME...: starts the saver (pid in $saver) on
# the folders $H_TMP/pictures/NAME (one picture each), in that order, with the settings on top of
# these: centre, full size, screen cleared, black start image, "Draw Wait"
# 2, no effects, ending after the last picture. L_SHOW_EXTRA, when set,
# is one more .reg value line ('"LogFile"="Z:\\\\x.log"').
l_show() {
  local -A v=(["Draw Posision"]=0 ["Graphics Size"]=0 ["Screen Clear"]=1 [Capture]=0 [BackColor]=0
    ["Draw Wait"]=2 [Brightness]=0 ["Draw Color"]=0 [Rotate]=0 [DispFileName]=0 [SmoothZoom]=0 [Zoom]=0)
  local pair pairs
  IFS=';' read -ra pairs <<<"$1"
  for pair in "${pairs[@]}"; do v["${pair%%=*}"]=${pair#*=}; done
  shift
  local lines=('"Scroll"=dword:00000000' '"Point Cast"="なし"' '"Random Sort"=dword:00000000'
    '"Random Sort S"=dword:00000000' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000000')
  local k
  for k in "${!v[@]}"; do lines+=("$(printf '"%s"=dword:%08x' "$k" "${v[$k]}")"); done
  [ -z "${L_SHOW_EXTRA:-}" ] || lines+=("$L_SHOW_EXTRA")
  l_no_settings
  l_settings "${lines[@]}"
  local folders=() n
  for n in "$@"; do folders+=("$H_TMP/pictures/$n"); done
  l_folders_reg "${folders[@]}" | h_reg_write_utf16 "$H_TMP/folders.reg"
  h_reg_import "$H_TMP/folders.reg"
  l_start saver /s
  l_wait_saver >/dev/null
}

# l_wait_box SHOT R,G,B MIN-COUNT [TOLERANCE [SECONDS]]: polls screenshots
# for up to SECONDS (default 30) until at least MIN-COUNT pixels show the
# colour; prints their box and count.
l_wait_box() {
  local r deadline=$((SECONDS + ${5:-30}))
  while :; do
    h_screenshot "$1"
    r=$(l_rects "$H_TMP/$1" "$2" "${4:-3}")
    if [ "$r" != none ] && [ "$(cut -d' ' -f5 <<<"$r")" -ge "$3" ]; then
      echo "$r"
      return
    fi
    [ "$SECONDS" -lt "$deadline" ] || break
    sleep 0.2
  done
  h_fail "no $3 pixels of colour $2 appeared in ${5:-30} s (see $H_TMP/$1)"
}

# l_click_ends WHAT: a click ends the saver started by l_show.
l_click_ends() {
  h_click
  l_expect_ends "$saver" 15 "$1: the run ends on a click"
}
