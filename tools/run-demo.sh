#!/usr/bin/env bash
# Sets up what is missing, builds Lumora.scr and runs the full-screen saver
# on the built-in demo picture set. With no X display it runs under Wine on
# a virtual display and leaves screenshots in build/demo-screenshots/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. tools/windows-build.sh
bash tools/make-demo-pictures.sh build/demo-pictures

export LUMORA_WINE=$wine LUMORA_BIN="$root/build/$preset"
shots="$root/build/demo-screenshots"
rm -rf "$shots"
mkdir -p "$shots"

if [ -n "${DISPLAY:-}" ]; then
  # A real display: the saver runs until a key, a click or a mouse jump.
  export WINEPREFIX="$root/build/wine-prefix-demo" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -d "$WINEPREFIX" ] || "$wine" wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Orvane\Lumora\Folders' /v 0000 /d "Z:${root//\//\\}\\build\\demo-pictures" /f >/dev/null
  exec "$wine" "$LUMORA_BIN/Lumora.scr" /s
fi

source "$root/tests/e2e/lumora.sh"
h_init
h_reg_delete_key 'HKEY_CURRENT_USER\Software\Orvane\Lumora'
h_reg_write_utf16 "$H_TMP/demo.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders]
"0000"="Z:${root//\//\\\\}\\\\build\\\\demo-pictures"
REG
h_reg_import "$H_TMP/demo.reg"
# A desktop to copy: one of the demo pictures fills the virtual screen.
/usr/bin/convert "build/demo-pictures/12-square-1000x1000.png" -resize 1280x800^ -gravity center -extent 1280x800 \
  "$H_TMP/desktop.png"
h_set_desktop_image "$H_TMP/desktop.png"
h_screenshot "$shots/1-desktop-before.png"
h_mouse_to 640 400
l_start saver /s
l_wait_saver >/dev/null
for i in 2 3 4; do
  sleep 3
  h_screenshot "$shots/$i-saver-running.png"
done
h_key q
l_expect_ends "$saver" 10 "the saver ended on a key"
echo "screenshots: $shots"
ls "$shots"
