# Library for Lumora's end-to-end tests: each test gets its own Xvfb display
# and drives the program under Wine in a prefix shared by all tests.
#
#   source "$(dirname "$0")/harness.sh"
#   h_init [--two-monitors] [--japanese] [--sound] [--screen WxHxD]
#
# --two-monitors: primary 1280x800 at X (1024,0) and a 1024x768 monitor left
# of it; --japanese: Wine programs run in ja_JP.UTF-8 (code page 932);
# --sound: a PulseAudio daemon of the run with a null sink, which Wine
# plays into in real time; default screen 1280x800x24.
# Works under `set -euo pipefail`. Functions that return a program's status
# (h_wait_exit, h_run_wine) make such a script stop on a non-zero status;
# write `st=0; h_wait_exit "$pid" 10 || st=$?` to look at it.
# h_init installs an EXIT trap calling h_cleanup; a script that needs its own
# EXIT trap must call h_cleanup from it.
# File names given to h_screenshot, h_pixel and h_diff_pixels without a '/'
# live in $H_TMP, which is kept after the run for diagnosis.
# Mouse coordinates are X screen coordinates: with --two-monitors the
# Windows point (0,0) is X (1024,0).

H_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
H_PIDS=()
H_XVFB_PID=
H_PULSE_PID=
H_LOCKED=
H_WINE_ENV=(LANG=C.UTF-8 LC_ALL=C.UTF-8)
H_PREFIX_VERSION=1   # raise to rebuild the shared prefix when its setup changes

h_fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
h_pass() { printf 'PASS: %s\n' "$*"; }

# h_check 'COMMAND' MESSAGE: evaluates COMMAND; passes or fails with MESSAGE.
h_check() {
  if eval "$1"; then h_pass "$2"; else h_fail "$2"; fi
}

# h_wait_for 'COMMAND' SECONDS [MESSAGE]: polls COMMAND until it succeeds.
# On timeout fails with MESSAGE, or returns 1 when there is none.
h_wait_for() {
  local end=$((SECONDS + $2))
  until eval "$1"; do
    if [ "$SECONDS" -ge "$end" ]; then
      [ -z "${3:-}" ] || h_fail "$3 (waited $2 s for: $1)"
      return 1
    fi
    sleep 0.2
  done
}

_h_path() { case $1 in */*) printf '%s' "$1" ;; *) printf '%s/%s' "$H_TMP" "$1" ;; esac; }
_h_winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Runs a Wine program in the foreground; the prefix lock is not inherited.
_h_wine() { env "${H_WINE_ENV[@]}" "$LUMORA_WINE" "$@" {H_LOCK_FD}>&-; }

h_init() {
  local two=0 japanese=0 sound=0 screen=1280x800x24
  while [ $# -gt 0 ]; do
    case $1 in
      --two-monitors) two=1 ;;
      --japanese) japanese=1 ;;
      --sound) sound=1 ;;
      --screen) screen=$2; shift ;;
      *) h_fail "h_init: unknown option $1" ;;
    esac
    shift
  done

  [ -n "${LUMORA_WINE:-}" ] || h_fail "LUMORA_WINE is not set (path of the Wine loader, e.g. /usr/lib/wine/wine64)"
  local out
  out=$("$LUMORA_WINE" --version 2>&1) || h_fail "LUMORA_WINE=$LUMORA_WINE does not run: $out"
  WINESERVER="$(dirname "$LUMORA_WINE")/wineserver"
  [ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver) || h_fail "no wineserver next to $LUMORA_WINE nor on PATH"
  local tool
  for tool in Xvfb xdpyinfo xrandr xdotool flock iconv /usr/bin/import /usr/bin/convert /usr/bin/compare /usr/bin/display; do
    command -v "$tool" >/dev/null || h_fail "$tool is missing (run tools/setup.sh)"
  done
  export WINELOADER=$LUMORA_WINE WINESERVER WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  WINEPREFIX="$H_ROOT/build/wine-prefix-${LUMORA_WINE##*/}"
  export WINEPREFIX
  if [ "$japanese" = 1 ]; then
    local locdir="$H_ROOT/build/deps/locale"
    [ -d "$locdir/ja_JP.UTF-8" ] || h_fail "Japanese locale missing: $locdir/ja_JP.UTF-8 (run tools/setup.sh)"
    H_WINE_ENV=(LOCPATH="$locdir" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
  fi

  H_TMP="$H_ROOT/build/e2e-runs/$(basename "$0" .sh)-$$"
  rm -rf "$H_TMP"
  mkdir -p "$H_TMP"
  trap h_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # One test at a time may use the shared prefix: its wineserver is bound to
  # the display it started with. H_LOCK_WAIT: seconds to wait for the other.
  exec {H_LOCK_FD}>"$WINEPREFIX.lock"
  flock -w "${H_LOCK_WAIT:-10}" "$H_LOCK_FD" ||
    h_fail "another end-to-end test ($(cat "$WINEPREFIX.owner" 2>/dev/null)) is using $WINEPREFIX; run them one at a time"
  H_LOCKED=1
  echo "$0 pid $$" >"$WINEPREFIX.owner"

  _h_start_xvfb "$screen" "$two"
  [ "$sound" = 0 ] || _h_start_pulse
  # Wine processes left by an earlier, killed run would keep its display.
  "$WINESERVER" -k >/dev/null 2>&1 || true
  timeout 30 "$WINESERVER" -w || h_fail "an old wineserver for $WINEPREFIX does not stop"
  _h_prepare_prefix
  "$WINESERVER" -p60 {H_LOCK_FD}>&- || h_fail "cannot start $WINESERVER"
}

# A real-time audio path without hardware: a PulseAudio daemon of this run
# with a null sink as the default output; Wine plays into it. Its monitor
# can be recorded (h_record_sound) to see what was played.
_h_start_pulse() {
  command -v pulseaudio >/dev/null || h_fail "pulseaudio is missing (run tools/setup.sh)"
  local run="$H_TMP/pulse"
  mkdir -p "$run"
  chmod 700 "$run"
  cat >"$run/null.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$run/pulse.sock
load-module module-null-sink sink_name=nullsink
set-default-sink nullsink
PA
  HOME=$run XDG_RUNTIME_DIR=$run pulseaudio --daemonize=no -n -F "$run/null.pa" --exit-idle-time=-1 \
    --disallow-exit >"$run/pulseaudio.log" 2>&1 {H_LOCK_FD}>&- &
  H_PULSE_PID=$!
  export PULSE_SERVER="unix:$run/pulse.sock"
  h_wait_for "[ -S '$run/pulse.sock' ] || ! h_running $H_PULSE_PID" 10 && h_running "$H_PULSE_PID" ||
    h_fail "PulseAudio did not start (see $run/pulseaudio.log)"
}

_h_start_xvfb() {
  local size=$1 two=$2 n i
  [ "$two" = 1 ] && size=2304x800x24
  n=$((100 + RANDOM % 500))
  for ((i = 0; i < 500; i++)); do
    n=$((100 + (n - 100 + 1) % 500))
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "$size" -nolisten tcp -noreset >"$H_TMP/xvfb.log" 2>&1 {H_LOCK_FD}>&- &
    H_XVFB_PID=$!
    if h_wait_for "xdpyinfo -display :$n >/dev/null 2>&1 || ! h_running $H_XVFB_PID" 10 &&
      h_running "$H_XVFB_PID"; then
      break
    fi
    kill "$H_XVFB_PID" 2>/dev/null || true   # lost a race for :$n or hangs
    wait "$H_XVFB_PID" 2>/dev/null || true
    H_XVFB_PID=
  done
  [ -n "$H_XVFB_PID" ] || h_fail "cannot start Xvfb (see $H_TMP/xvfb.log)"
  export DISPLAY=":$n"
  [ "$(xdotool getdisplaygeometry | tr ' ' x)" = "${size%x*}" ] ||
    h_fail "Xvfb $DISPLAY has size $(xdotool getdisplaygeometry), wanted $size"
  if [ "$two" = 1 ]; then
    xrandr --setmonitor '*PRIMARY' 1280/338x800/211+1024+0 screen >/dev/null &&
      xrandr --setmonitor LEFT 1024/270x768/203+0+0 none >/dev/null ||
      h_fail "xrandr cannot set up two monitors on $DISPLAY"
    local mon
    mon=$(xrandr --listmonitors)
    case $mon in
      *"Monitors: 2"*"*PRIMARY 1280/338x800/211+1024+0"*"LEFT 1024/270x768/203+0+0"*) ;;
      *) h_fail "two-monitor layout not in effect on $DISPLAY: $mon" ;;
    esac
  fi
}

# Creates the shared prefix once (fonts, font replacements, UseXRandR=N) and
# repairs the settings when they went missing.
_h_prepare_prefix() {
  local ready="$WINEPREFIX/.lumora-e2e-ready"
  if [ "$(cat "$ready" 2>/dev/null)" != "$H_PREFIX_VERSION" ]; then
    echo "harness: creating Wine prefix $WINEPREFIX" >&2
    rm -rf "$WINEPREFIX"
    _h_wine wineboot -i >"$H_TMP/wineboot.log" 2>&1 || h_fail "wineboot -i failed (see $H_TMP/wineboot.log)"
    [ -d /usr/share/wine/fonts ] || h_fail "/usr/share/wine/fonts is missing (package fonts-wine)"
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  elif grep -q '^"UseXRandR"="N"' "$WINEPREFIX/user.reg" && grep -q 'IPAPGothic' "$WINEPREFIX/user.reg" &&
    grep -q '^"LogPixels"=dword:00000060' "$WINEPREFIX/user.reg"; then
    return 0
  fi
  h_reg_write_utf16 "$H_TMP/prefix-settings.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"UseXRandR"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060
REG
  h_reg_import "$H_TMP/prefix-settings.reg"
  [ "$(h_reg_query 'HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements' 'ＭＳ ゴシック')" = IPAGothic ] ||
    h_fail "font replacement did not reach the prefix"
  "$WINESERVER" -w   # writes the registry files
  echo "$H_PREFIX_VERSION" >"$ready"
}

# h_set_dpi DPI: the display's DPI for the programs started from now on
# (96 is 100 %, 144 is 150 %); the next h_init puts 96 back.
h_set_dpi() {
  { printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n'
    printf '"LogPixels"=dword:%08x\n' "$1"; } | h_reg_write_utf16 "$H_TMP/dpi.reg"
  h_reg_import "$H_TMP/dpi.reg"
  "$WINESERVER" -k >/dev/null 2>&1 || true
  timeout 30 "$WINESERVER" -w || h_fail "the wineserver does not stop"
  "$WINESERVER" -p60 {H_LOCK_FD}>&- || h_fail "cannot start $WINESERVER"
}

h_cleanup() {
  local - pid
  set +eu
  trap - EXIT INT TERM
  for pid in "${H_PIDS[@]}"; do
    h_running "$pid" && kill "$pid" 2>/dev/null
  done
  if [ -n "${H_LOCKED:-}" ]; then   # else the prefix belongs to another run
    "$WINESERVER" -k >/dev/null 2>&1
    timeout 20 "$WINESERVER" -w
  fi
  for pid in "${H_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  if [ -n "${H_PULSE_PID:-}" ]; then
    kill "$H_PULSE_PID" 2>/dev/null
    wait "$H_PULSE_PID" 2>/dev/null
    H_PULSE_PID=
  fi
  if [ -n "$H_XVFB_PID" ]; then
    kill "$H_XVFB_PID" 2>/dev/null
    wait "$H_XVFB_PID" 2>/dev/null
    H_XVFB_PID=
  fi
  [ -z "${H_LOCK_FD:-}" ] || exec {H_LOCK_FD}>&-
  H_LOCKED=
  H_PIDS=()
  [ -z "${H_TMP:-}" ] || echo "harness: logs and screenshots in $H_TMP" >&2
}

# h_start VAR -- PROGRAM ARGS...: starts PROGRAM under Wine in the background,
# output to $H_TMP/procN-NAME.out/.err; its pid goes to VAR.
h_start() {
  local _h_var=$1 _h_base
  shift
  [ "${1:-}" = -- ] && shift
  _h_base="$H_TMP/proc$((${#H_PIDS[@]} + 1))-$(basename "$1")"
  env "${H_WINE_ENV[@]}" "$LUMORA_WINE" "$@" >"$_h_base.out" 2>"$_h_base.err" {H_LOCK_FD}>&- &
  H_PIDS+=("$!")
  printf -v "$_h_var" '%s' "$!"
}

h_running() {
  local st
  st=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
  case $st in Z*) return 1 ;; esac
}

# h_wait_exit PID SECONDS: returns the program's exit status (also in
# H_STATUS), or 124 without killing it when it still runs after SECONDS.
# Must not run inside $(...): only this shell can collect the status.
h_wait_exit() {
  [ "$BASHPID" = "$$" ] || h_fail "h_wait_exit must not run in a subshell"
  h_wait_for "! h_running $1" "$2" || { H_STATUS=124; return 124; }
  H_STATUS=0
  wait "$1" || H_STATUS=$?
  return "$H_STATUS"
}

h_run_wine() { _h_wine "$@"; }

# h_reg_write_utf16 OUT: UTF-8 .reg text on stdin -> UTF-16LE file with BOM.
h_reg_write_utf16() {
  { printf '\xff\xfe'; sed 's/\r*$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$1"
}

# h_reg_import FILE: imports a .reg file (UTF-16LE with BOM or ASCII) and
# checks that the first string value it sets can be read back.
h_reg_import() {
  [ -f "$1" ] || h_fail "h_reg_import: no file $1"
  _h_wine regedit /s "$(_h_winpath "$(realpath "$1")")" || h_fail "regedit could not import $1"
  local text found key line
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = fffe ]; then
    text=$(iconv -f UTF-16 -t UTF-8 "$1" | tr -d '\r')
  else
    text=$(tr -d '\r' <"$1")
  fi
  found=$(awk '/^\[-/ { k = ""; next } /^\[/ { k = $0; next }
    k != "" && /^("([^"\\]|\\.)*"|@)="/ { print substr(k, 2, length(k) - 2); print; exit }' <<<"$text")
  [ -n "$found" ] || return 0
  key=${found%%$'\n'*}
  line=${found#*$'\n'}
  text=$(_h_reg_export "$key") || h_fail "import of $1 did not create [$key]"
  grep -Fxq -- "$line" <<<"$text" ||
    h_fail "import of $1 did not take effect: $line missing under [$key]"
}

# Prints the key as regedit exports it (UTF-8, no CRs); fails when absent.
_h_reg_export() {
  local out="$H_TMP/reg-export-$$.reg"
  rm -f "$out"
  _h_wine regedit /e "$(_h_winpath "$out")" "$1" >/dev/null 2>&1 || true
  [ -s "$out" ] || return 1
  iconv -f UTF-16 -t UTF-8 "$out" | tr -d '\r'
  rm -f "$out"
}

# h_reg_delete_key KEY: deletes KEY with its subkeys; an absent key is fine.
h_reg_delete_key() {
  _h_wine reg delete "$1" /f >/dev/null 2>&1 || true
  ! _h_wine reg query "$1" >/dev/null 2>&1 || h_fail "registry key $1 is still there"
}

# h_reg_query KEY VALUE: prints the data of VALUE ('@' or '' for the default
# value): strings unescaped, other types as regedit writes them (dword:0000000a).
h_reg_query() {
  local key=$1 text
  case $key in
    HKCU\\*) key="HKEY_CURRENT_USER${key#HKCU}" ;;
    HKLM\\*) key="HKEY_LOCAL_MACHINE${key#HKLM}" ;;
  esac
  text=$(_h_reg_export "$key") || h_fail "registry key $1 does not exist"
  awk -v k="[$key]" -v v="$2" '
    BEGIN { k = tolower(k); want = (v == "" || v == "@") ? "@" : "\"" tolower(v) "\"" }
    /^\[/ { in_k = (tolower($0) == k); next }
    !in_k { next }
    cont { s = $0; sub(/^ +/, "", s); line = line s; if (line ~ /\\$/) { sub(/\\$/, "", line); next } print line; found = 1; exit }
    {
      # split name=data, the name being @ or a quoted string with escapes
      if (substr($0, 1, 1) == "@") { name = "@"; data = substr($0, 3) }
      else { match($0, /^"([^"\\]|\\.)*"=/); name = tolower(substr($0, 1, RLENGTH - 1)); data = substr($0, RLENGTH + 1) }
      if (name != want) next
      if (data ~ /^"/) {
        out = ""; data = substr(data, 2, length(data) - 2)
        for (i = 1; i <= length(data); i++) {
          c = substr(data, i, 1)
          if (c == "\\") { i++; c = substr(data, i, 1); if (c == "n") c = "\n"; else if (c == "r") c = "\r" }
          out = out c
        }
        print out; found = 1; exit
      }
      if (data ~ /\\$/) { sub(/\\$/, "", data); line = data; cont = 1; next }
      print data; found = 1; exit
    }
    END { exit !found }' <<<"$text" || h_fail "registry value $2 not found under $1"
}

# h_screenshot FILE [GEOMETRY]: the whole X screen, or a crop like 200x100+10+20.
h_screenshot() {
  local f
  f=$(_h_path "$1")
  /usr/bin/import -silent -window root "$f" || h_fail "cannot take a screenshot of $DISPLAY"
  if [ -n "${2:-}" ]; then /usr/bin/convert "$f" -crop "$2" +repage "$f"; fi
}

# h_set_desktop_image FILE: shows FILE (tiled) on the X root window and checks
# that a screenshot shows it.
h_set_desktop_image() {
  local src="$H_TMP/desktop-image.png" want="$H_TMP/desktop-expected.png" size
  /usr/bin/convert "$1" -alpha off -depth 8 "$src" || h_fail "cannot read image $1"
  # display returns non-zero here even when it did set the background.
  /usr/bin/display -window root "$src" >/dev/null 2>&1 || true
  # The whole X screen (xdotool reports only the primary monitor's size).
  size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
  /usr/bin/convert -size "$size" "tile:$src" "$want"
  h_screenshot desktop-actual.png
  [ "$(h_diff_pixels "$want" desktop-actual.png 3)" = 0 ] ||
    h_fail "the X root window does not show $1 (see $H_TMP/desktop-actual.png)"
}

# h_pixel FILE X Y: prints r,g,b (0-255).
h_pixel() {
  /usr/bin/convert "$(_h_path "$1")" -format \
    "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info: ||
    h_fail "cannot read pixel $2,$3 of $1"
}

# h_diff_pixels A B [FUZZ_PERCENT]: prints how many pixels differ.
h_diff_pixels() {
  local out st=0
  out=$(/usr/bin/compare -precision 15 -metric AE -fuzz "${3:-0}%" \
    "$(_h_path "$1")" "$(_h_path "$2")" null: 2>&1) || st=$?
  [ "$st" -le 1 ] || h_fail "cannot compare $1 and $2: $out"
  printf '%.0f\n' "$out"
}

h_mouse_to() { xdotool mousemove "$1" "$2"; }
h_mouse_rel() { xdotool mousemove_relative -- "$1" "$2"; }
h_click() { xdotool click "${1:-1}"; }
h_key() { xdotool key "$@"; }
h_type() { xdotool type -- "$1"; }
