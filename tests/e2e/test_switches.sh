#!/usr/bin/env bash
# The command-line switches: the saver's spellings, the dialog mode, the
# single running saver, the password change and a negative window handle.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
l_fresh_settings
h_mouse_to 640 400

for sw in -s /S xs; do
  l_start saver "$sw"
  l_wait_saver >/dev/null
  l_saver_settled
  h_key q
  l_expect_ends "$saver" 5 "'$sw' starts the saver"
done

for args in "" /c /c:1234; do
  # shellcheck disable=SC2086
  l_start dialog $args
  info=$(l_probe wait-window TControlForm 20) || h_fail "'$args' opened no dialog window"
  [ "$(l_value title "$info")" = "Lumora設定" ] || h_fail "dialog title is not Lumora設定: $info"
  [ "$(l_value count "$(l_probe count-windows TLumora)")" = 0 ] || h_fail "'$args' opened a saver window"
  h_key Escape
  l_expect_ends "$dialog" 5 "'${args:-no argument}' opens the dialog mode, which closes on Esc"
done

# A second saver while one runs ends at once, without a window.
l_start first /s
l_wait_saver >/dev/null
l_start second /s
l_expect_ends "$second" 5 "a second /s ends at once"
[ "$(l_value count "$(l_probe count-windows TLumora)")" = 1 ] || h_fail "more than one saver window"
h_running "$first" || h_fail "the first saver ended"
l_saver_settled
h_key q
l_expect_ends "$first" 5 "the first saver still ends on a key"

# The password change ends at once without a window, whether or not the
# system's password library is there.
l_start change /a 0
l_expect_ends "$change" 10 "/a 0 ends without a window"
[ "$(l_value count "$(l_probe count-windows TLumora)")" = 0 ] || h_fail "/a opened a saver window"

# A negative window handle is a range error: reported, no window, non-zero exit.
l_start bad /p -5
box=$(l_probe answer-box Lumora 20) || h_fail "no error message for /p -5"
grep -qi 'range' <<<"$(l_value message "$box")" || h_fail "the message is not a range error: $box"
[ "$(l_value count "$(l_probe count-windows TLumora)")" = 0 ] || h_fail "/p -5 opened a saver window"
st=0
h_wait_exit "$bad" 10 || st=$?
[ "$st" != 0 ] && [ "$st" != 124 ] || h_fail "/p -5 ended with status $st"
h_pass "/p -5 reports a range error and exits with status $st"
