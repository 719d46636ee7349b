#!/usr/bin/env bash
# Pictures through Susie plug-ins in the real saver, with the project's
# test plug-ins next to a copy of Lumora.scr: the plug-in's own format
# (24, 8 and 4 bits) and a MacBinary-wrapped file show; a ".BMP" file that
# only the plug-in reads shows once a plug-in announced "bmp", and a real
# BMP file still shows; the archive plug-in, the one without GetPluginInfo
# and the one without GetPicture are passed over without a message; a
# plug-in found in the Susie folder and the program folder (the same path)
# is loaded once; a plug-in that crashes inside GetPicture costs its file
# only, and the show goes on.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
h_mouse_to 1270 10
make_lpic() { python3 "$H_ROOT/tests/e2e/../win/plugins/make_lpic.py" "$@"; }

# app NAME PLUGIN...: a program folder holding Lumora.scr and the plug-ins.
app() {
  local dir="$H_TMP/$1" p
  shift
  mkdir -p "$dir"
  cp "$LUMORA_BIN/Lumora.scr" "$dir/"
  for p in "$@"; do cp "$LUMORA_BIN/$p.spi" "$dir/"; done
  L_SCR="$dir/Lumora.scr"
}

# susie FOLDER: the Susie viewer's plug-in folder in the registry.
susie() {
  { printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kestrin\\Susie\\Plug-in]\n'
    printf '"Path"="%s"\n' "$(_h_winpath "$1" | sed 's/\\/\\\\/g')"; } | h_reg_write_utf16 "$H_TMP/susie.reg"
  h_reg_import "$H_TMP/susie.reg"
}

# picture NAME FILE BITS R,G,B [--macbinary]: a 400 × 300 LPIC picture of
# one colour, alone in the folder $H_TMP/pictures/NAME.
picture() {
  mkdir -p "$H_TMP/pictures/$1"
  make_lpic "$H_TMP/pictures/$1/$2" 400 300 "$3" "$4" "${@:5}"
}

# no_message SHOT: the red error label at the bottom of the screen is empty.
no_message() {
  [ "$(l_rects "$H_TMP/$1" 255,0,0 60 0 740 1240 60)" = none ] ||
    h_fail "an error message appeared at the bottom of the screen (see $H_TMP/$1)"
}

trace="$H_TMP/trace.txt"
H_WINE_ENV+=("LPIC_TRACE=$(_h_winpath "$trace")")

# --- The plug-in formats, each picture centred at (440, 250).
app appA lpic lpic-bmp lpic-archive lpic-noinfo lpic-nopicture
susie "$H_TMP/appA"
picture true p24.lpic 24 0,200,0
picture eight p8.lpic 8 200,0,200
picture four p4.lpic 4 200,200,0
picture mac pmac.lpic 24 0,0,200 --macbinary
picture bmpname FAKE.BMP 24 0,200,200
mkdir -p "$H_TMP/pictures/realbmp"
/usr/bin/convert -size 400x300 'xc:rgb(120,120,120)' "BMP3:$H_TMP/pictures/realbmp/real.bmp"

l_show "Draw Wait=3" true eight four mac bmpname realbmp
n=0
for case in "0,200,0 24 bits" "200,0,200 8 bits" "200,200,0 4 bits with its palette" \
  "0,0,200 MacBinary-wrapped" "0,200,200 an LPIC file named .BMP" "120,120,120 a real BMP file"; do
  n=$((n + 1))
  colour=${case%% *}
  box=$(l_wait_box "s$n.png" "$colour" 100000 12)
  read -r x y w h _ <<<"$box"
  [ "$x $y $w $h" = "440 250 400 300" ] || h_fail "$case: the picture is at ($x, $y) × $w × $h, not (440, 250) × 400 × 300"
  no_message "s$n.png"
  h_pass "$case: shown, 400 × 300 at (440, 250), no message"
done
l_expect_ends "$saver" 15 "the show ends after its last picture"

# Each plug-in object was created once (a probe object and the plug-in's
# own, each asking for the API version) although the Susie folder is the
# program folder. (A refused plug-in, such as the archive one, is loaded
# and released again in each folder.)
count() { grep -c "^GetPluginInfo $1.spi" "$trace" || true; }
[ "$(count lpic)" = 2 ] && [ "$(count lpic-bmp)" = 2 ] ||
  h_fail "plug-ins in both folders were created more than once: $(sort "$trace" | uniq -c | tr '\n' ';')"
h_pass "a plug-in in both the Susie folder and the program folder is loaded once"

# --- A plug-in that crashes inside GetPicture: its file is skipped.
: >"$trace"
h_reg_delete_key 'HKEY_CURRENT_USER\Software\Kestrin\Susie\Plug-in'
app appB lpic-crash
picture crash crash.lpic 24 0,200,0
mkdir -p "$H_TMP/pictures/after"
/usr/bin/convert -size 400x300 'xc:rgb(0,120,200)' "$H_TMP/pictures/after/after.png"
l_show "Draw Wait=3" crash after
box=$(l_wait_box c1.png 0,120,200 100000 12)
no_message c1.png
[ "$(l_rects "$H_TMP/c1.png" 0,200,0 12)" = none ] || h_fail "the crashing plug-in's picture was shown"
grep -q "^GetPicture lpic-crash.spi" "$trace" || h_fail "the crashing plug-in was never asked for a picture"
h_pass "the crashing plug-in's file was skipped and the next picture shown"
l_expect_ends "$saver" 15 "the saver ended normally after the crash"
