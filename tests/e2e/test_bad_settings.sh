#!/usr/bin/env bash
# Damaged settings do not stop the real Lumora.scr: with every value of
# the settings stored with the wrong type, and again with out-of-range and
# huge values (a 10,000-character text, "DataSetCount" 1,000,000, a
# "DataSetNo" far outside, folder lists of 10,000 folders that do not exist
# or cannot be listed, a log on a drive that does not exist), the saver
# starts, shows the one real picture folder's picture and ends normally on
# a key; the dialog opens over them, and 保存 keeps every value it could not
# show.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
h_mouse_to 1270 10

mkdir -p "$H_TMP/pictures/real"
/usr/bin/convert -size 400x300 'xc:rgb(0,200,0)' "$H_TMP/pictures/real/green.png"
real=$(_h_winpath "$H_TMP/pictures/real" | sed 's/\\/\\\\/g')
key='HKEY_CURRENT_USER\Software\Orvane\Lumora'
integers=("Draw Posision" "Graphics Size" "Scroll" "Screen Clear" "Random Sort" "Random Sort S" "Rotate" "Capture"
  "DispFileName" "BackColor" "isNewFolderAdd" "isNewFolderAdd2" "Draw Wait" "MediaPlayer" "End Option"
  "Change Volume" "Volume" "Display Player" "DataSetCount" "DataSetNo" "DispAllDataSet" "GroupCountup"
  "GroupRandom" "SmoothZoom" "Zoom" "Brightness" "Draw Color" "ActivePage")

# write_settings FILE: the .reg text on stdin replaces the settings.
write_settings() {
  l_no_settings
  h_reg_write_utf16 "$H_TMP/$1"
  h_reg_import "$H_TMP/$1"
}

# show_and_end WHAT [SECONDS]: the saver shows the green picture (of any
# size) within SECONDS and ends on a key. Reading and walking 10,000 folders
# under Wine takes 15 to 30 s before the picture comes.
show_and_end() {
  l_start saver /s
  l_wait_saver "${2:-20}" >/dev/null
  l_wait_box "$1.png" 0,200,0 3000 12 "${2:-30}" >/dev/null  # at random size and place
  h_key a
  l_expect_ends "$saver" 20 "$1: the saver showed the picture and ended normally on a key"
}

# --- Every value with the wrong type; the older folder list holds the folder.
{
  printf 'Windows Registry Editor Version 5.00\n\n[%s]\n' "$key"
  for name in "${integers[@]}"; do printf '"%s"="x"\n' "$name"; done
  printf '"Point Cast"=dword:00000001\n"LogFile"=dword:00000001\n"RootPath"=dword:00000001\n'
  printf '\n[%s\\Folders]\n"0000"="%s"\n' "$key" "$real"
} | write_settings wrong-types.reg
show_and_end wrong-types

# The dialog opens over them and saves its own values.
l_start dialog
info=$(l_probe wait-window TControlForm 30) || h_fail "the dialog did not open over wrongly typed values"
h_mouse_to $(($(l_value x "$info") + 20)) $(($(l_value y "$info") + $(l_value height "$info") - 8))
h_key Return
l_expect_ends "$dialog" 15 "wrong types: the dialog opened and 保存 closed it"
[ "$(h_reg_query "$key" 'Draw Wait')" = dword:00000005 ] || h_fail "the dialog did not save its waiting time"
h_mouse_to 1270 10

# --- Out-of-range and huge values, long lists of missing folders, the
# real folder last in group 0.
long=$(head -c 10000 /dev/zero | tr '\0' 'x')
{
  printf 'Windows Registry Editor Version 5.00\n\n[%s]\n' "$key"
  printf '"Draw Posision"=dword:00000007\n"Graphics Size"=dword:fffffffd\n"Draw Wait"=dword:ffffffff\n'
  printf '"End Option"=dword:ffffffff\n"Draw Color"=dword:00000063\n"Volume"=dword:7fffffff\n'
  printf '"MediaPlayer"=dword:00000000\n"Change Volume"=dword:00000000\n"BackColor"=dword:12345678\n'
  printf '"DataSetCount"=dword:000f4240\n"DataSetNo"=dword:004c4b40\n"ActivePage"=dword:00000063\n'
  printf '"Point Cast"="%s"\n"LogFile"="Q:\\\\nowhere\\\\log.txt"\n' "$long"
  printf '\n[%s\\DataSet0]\n"count"=dword:00002710\n' "$key"
  # Folders that cannot be listed: a file taken for a folder, a name no
  # file system allows; then missing ones.
  printf '"0000"="C:\\\\windows\\\\win.ini\\\\"\n"0001"="C:\\\\bad|name<>\\\\"\n'
  for i in $(seq 2 9998); do printf '"%04d"="C:\\\\missing\\\\%04d"\n' "$i" "$i"; done
  printf '"9999"="%s"\n' "$real"
  printf '\n[%s\\Folders2]\n' "$key"
  for i in $(seq 0 9999); do printf '"%04d"="C:\\\\no-sound\\\\%04d"\n' "$i" "$i"; done
} | write_settings extremes.reg
show_and_end extremes 90

l_start dialog
info=$(l_probe wait-window TControlForm 60) || h_fail "the dialog did not open over out-of-range values"
h_mouse_to $(($(l_value x "$info") + 20)) $(($(l_value y "$info") + $(l_value height "$info") - 8))
h_key Return
l_expect_ends "$dialog" 30 "extremes: the dialog opened and 保存 closed it"
for pair in "Draw Posision=dword:00000007" "Graphics Size=dword:fffffffd" "Draw Wait=dword:ffffffff" \
  "End Option=dword:ffffffff" "Draw Color=dword:00000063" "Volume=dword:7fffffff" "BackColor=dword:12345678" \
  "DataSetCount=dword:000f4240" "DataSetNo=dword:004c4b40" 'LogFile=Q:\nowhere\log.txt'; do
  got=$(h_reg_query "$key" "${pair%%=*}")
  [ "$got" = "${pair#*=}" ] || h_fail "保存 changed \"${pair%%=*}\" from ${pair#*=} to $got"
done
[ "$(h_reg_query "$key" 'Point Cast')" = "$long" ] || h_fail "保存 changed the 10,000-character \"Point Cast\""
[ "$(h_reg_query "$key\\Folders2" '9999')" = 'C:\no-sound\9999' ] || h_fail "the sound folders were not kept"
[ "$(h_reg_query "$key\\DataSet0" '9999')" = "${real//\\\\/\\}" ] || h_fail "group 0 was not kept"
h_pass "extremes: 保存 kept every value the dialog could not show"
