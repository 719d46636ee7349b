#!/usr/bin/env bash
# Sound through a real audio path (PulseAudio null sink, recorded): the
# three WAV tones of a sound folder play once each in the order the folder
# lists them, one after another, and a text file among them is skipped;
# "End Option" 1 ends the saver after the last sound and hands over; with
# no sound folder it ends after its first cycle; a key during a sound stops
# it; the MCI player window sits in the bottom-right corner of the primary
# screen; "Change Volume" with "Volume" 200 runs normally where the volume
# calls fail.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init --sound
# The pointer rests away from the sound player window in the bottom-right
# corner, so that a click reaches the saver.
h_mouse_to 1270 10
tones() { python3 "$H_ROOT/tests/e2e/tones.py" "$@"; }

sounds="$H_TMP/sounds"
mkdir -p "$sounds"
tones make "$sounds/low.wav" 440 1.2
tones make "$sounds/middle.wav" 660 1.2
tones make "$sounds/high.wav" 880 1.2
echo "not a sound" >"$sounds/notes.txt"
declare -A frequency=([low.wav]=440 [middle.wav]=660 [high.wav]=880)

# The order the folder lists its files in is the scan order.
expected=()
while IFS= read -r name; do
  [ -n "${frequency[$name]:-}" ] && expected+=("${frequency[$name]}")
done < <(l_probe list-folder "$(_h_winpath "$sounds")" | sed -n 's/^file=//p')
[ "${#expected[@]}" = 3 ] || h_fail "the probe listed $(l_probe list-folder "$(_h_winpath "$sounds")")"

# sound_settings END-OPTION [LINE...]: white start image, the sound
# folders given by $sound_folders, and a folder of small pictures (white
# like the screen) that keeps the cycles at "Draw Wait" 2 seconds: without
# pictures every cycle waits about 11 seconds for them.
sound_folders=()
sound_settings() {
  local end=$1 pc='"Point Cast"="なし"'
  shift
  [ -z "${point_cast:-}" ] || pc=$point_cast
  l_no_settings
  l_settings '"Draw Posision"=dword:00000000' '"Graphics Size"=dword:00000000' '"Scroll"=dword:00000000' \
    '"Screen Clear"=dword:00000000' "$pc" '"Random Sort"=dword:00000000' \
    '"Random Sort S"=dword:00000000' '"Capture"=dword:00000000' '"BackColor"=dword:00ffffff' \
    '"Draw Wait"=dword:00000002' '"MediaPlayer"=dword:00000000' "$(printf '"End Option"=dword:%08x' "$end")" "$@"
  local i=0 f
  { printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders2]\n'
    for f in "${sound_folders[@]}"; do
      printf '"%04d"="%s"\n' "$i" "$(_h_winpath "$f" | sed 's/\\/\\\\/g')"
      i=$((i + 1))
    done; } | h_reg_write_utf16 "$H_TMP/folders2.reg"
  h_reg_import "$H_TMP/folders2.reg"
  l_folders_reg "$H_TMP/pictures" | h_reg_write_utf16 "$H_TMP/folders.reg"
  h_reg_import "$H_TMP/folders.reg"
}
mkdir -p "$H_TMP/pictures"
for i in $(seq -w 1 40); do /usr/bin/convert -size 64x48 xc:white "PNG24:$H_TMP/pictures/p$i.png"; done

# record FILE: records the null sink until stop_recording; the start time
# goes to $recording_started.
record() {
  recording_started=$(date +%s.%N)
  parec -d nullsink.monitor --format=s16le --rate=44100 --channels=2 --raw --latency-msec=50 >"$H_TMP/$1" &
  recorder=$!
}
stop_recording() {
  kill "$recorder" 2>/dev/null || true
  wait "$recorder" 2>/dev/null || true
}

# The hand-over: a stand-in saver records the command line it gets.
other='C:\Program Files\Lumora Test\other saver.scr'
mkdir -p "$WINEPREFIX/drive_c/Program Files/Lumora Test"
cp "$LUMORA_BIN/other-saver.exe" "$WINEPREFIX/drive_c/Program Files/Lumora Test/other saver.scr"
cleanup() {
  rm -rf "$WINEPREFIX/drive_c/Program Files/Lumora Test"
  h_cleanup
}
trap cleanup EXIT
handover="$H_TMP/handover.txt"
: >"$handover"
H_WINE_ENV+=("LUMORA_TEST_HANDOVER_LOG=$(_h_winpath "$handover")")
point_cast="\"Point Cast\"=\"${other//\\/\\\\}\""

# --- Three tones and a text file; "End Option" 1; "Change Volume" on.
sound_folders=("$sounds")
sound_settings 1 '"Change Volume"=dword:00000001' '"Volume"=dword:000000c8'
record tones.raw
l_start saver /s
l_wait_saver >/dev/null
player=$(l_probe wait-window TFormMPlay2 10) || h_fail "no MCI player window appeared"
sleep 3
h_screenshot corner.png
box=$(l_rects "$H_TMP/corner.png" 0,0,0 0)
[ "$(cut -d' ' -f1-4 <<<"$box")" = "1251 775 29 25" ] ||
  h_fail "the player window is not the 29 × 25 black box in the bottom-right corner: $box (see $H_TMP/corner.png)"
h_pass "the MCI player window sits in the bottom-right corner of the primary screen (1251, 775, 29 × 25)"
l_expect_ends "$saver" 40 "\"End Option\" 1 ends the saver after the last sound"
sleep 0.5
stop_recording
mapfile -t played < <(tones find "$H_TMP/tones.raw" 440 660 880)
printf '%s\n' "${played[@]}" >"$H_TMP/played.txt"
[ "${#played[@]}" = 3 ] || h_fail "expected three tones, heard: ${played[*]:-nothing} (see $H_TMP/played.txt)"
previous_end=0
for i in 0 1 2; do
  read -r f start end <<<"${played[$i]}"
  [ "$f" = "${expected[$i]}" ] || h_fail "tone $((i + 1)) was $f Hz, expected ${expected[$i]} Hz (order ${expected[*]})"
  awk -v s="$start" -v e="$end" -v p="$previous_end" 'BEGIN { exit !(e - s >= 1.0 && e - s <= 1.5 && s >= p) }' ||
    h_fail "tone $((i + 1)) ($f Hz) from $start to $end s overlaps the previous one or is cut"
  previous_end=$end
done
h_pass "the three tones played once each in the folder's order, one after another: ${played[*]}"
for i in $(seq 50); do [ -s "$handover" ] && break; sleep 0.1; done
[ "$(tr -d '\r' <"$handover")" = "\"$other\" /s" ] || h_fail "the other saver got: $(cat "$handover")"
h_pass "after the last sound the other saver was started"
h_pass "\"Change Volume\" with \"Volume\" 200: the saver ran and closed normally"

# --- The media-player control plays the same files from its window in the
# corner.
sound_folders=("$sounds")
sound_settings 1
l_settings '"MediaPlayer"=dword:00000001'
record wmp.raw
l_start saver /s
l_wait_saver >/dev/null
info=$(l_probe wait-window TFormMPlay 10) || h_fail "no media-player window appeared"
[ "$(l_value x "$info"),$(l_value y "$info"),$(l_value width "$info"),$(l_value height "$info")" = "1035,560,245,240" ] ||
  h_fail "the media-player window is not 245 × 240 in the bottom-right corner: $info"
h_pass "the media-player window sits in the bottom-right corner of the primary screen (1035, 560, 245 × 240)"
l_expect_ends "$saver" 40 "with the media-player control \"End Option\" 1 ends the saver after the last sound"
sleep 0.5
stop_recording
mapfile -t played < <(tones find "$H_TMP/wmp.raw" 440 660 880)
[ "$(printf '%s\n' "${played[@]}" | cut -d' ' -f1 | tr '\n' ' ')" = "${expected[*]} " ] ||
  h_fail "the media-player control played: ${played[*]:-nothing}, expected ${expected[*]}"
h_pass "the media-player control played the three tones in order: ${played[*]}"

# --- No sound folder, "End Option" 1: the first cycle ends the show.
point_cast=
sound_folders=()
sound_settings 1
l_start saver /s
l_wait_saver >/dev/null
l_expect_ends "$saver" 15 "with no sound folder \"End Option\" 1 ends the saver after its first cycle"

# --- A key during a long sound stops it.
long="$H_TMP/long"
mkdir -p "$long"
tones make "$long/long.wav" 660 8
sound_folders=("$long")
sound_settings 2
record long.raw
l_start saver /s
l_wait_saver >/dev/null
for _ in $(seq 100); do
  [ -n "$(tones find "$H_TMP/long.raw" 660)" ] && break
  sleep 0.2
done
[ -n "$(tones find "$H_TMP/long.raw" 660)" ] || h_fail "the long tone never started"
sleep 0.5
key_at=$(awk -v a="$recording_started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
h_key a
l_expect_ends "$saver" 5 "a key during the sound ends the saver"
sleep 1
stop_recording
read -r _ _ end <<<"$(tones find "$H_TMP/long.raw" 660 | tail -n1)"
awk -v e="$end" -v k="$key_at" 'BEGIN { exit !(e <= k + 1.0) }' ||
  h_fail "the sound went on until $end s, the key came at $key_at s"
h_pass "the sound stopped with the key (key at $key_at s, sound until $end s)"
