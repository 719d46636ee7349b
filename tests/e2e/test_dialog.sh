#!/usr/bin/env bash
# The configuration dialog of the real Lumora.scr (started without a
# switch) at 100 %, 150 % and 200 % (96, 144 and 192 DPI), Japanese locale,
# on a 1920 × 1200 display: each of the
# four pages is shown through its tab and kept as a screenshot
# (dialog-DPI-pageN.png); no caption of a visible control is cut off; the
# window grows with the DPI; Esc closes the dialog without saving and Enter
# saves and closes. LUMORA_DOCS_SHOTS=DIR copies the 96-DPI pages there for
# the user's guide (tools/docs-screenshots.sh).
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init --japanese --screen 1920x1200x24

l_no_settings
declare -A width
for dpi in 96 144 192; do
  h_set_dpi "$dpi"
  l_start dialog
  info=$(l_probe wait-window TControlForm 30) || h_fail "$dpi DPI: the dialog did not open"
  x=$(l_value x "$info")
  y=$(l_value y "$info")
  w=$(l_value width "$info")
  h=$(l_value height "$info")
  [ "$(l_value title "$info")" = "Lumora設定" ] || h_fail "the dialog's title is $(l_value title "$info")"
  width[$dpi]=$w
  for page in 0 1 2 3; do
    [ "$(l_value page "$(l_probe dialog-page "$page")")" = "$page" ] || h_fail "$dpi DPI: page $page did not open"
    sleep 0.7
    shot="dialog-$dpi-page$page.png"
    h_screenshot "$shot"
    /usr/bin/convert "$H_TMP/$shot" -crop "${w}x${h}+${x}+${y}" +repage "$H_TMP/$shot"
    clipping=$(l_probe dialog-clipping)
    [ "$(l_value clipped-count "$clipping")" = 0 ] ||
      h_fail "$dpi DPI, page $page: text cut off: $(grep '^clipped=' <<<"$clipping" | tr '\n' ';')"
  done
  h_pass "$dpi DPI: the four pages shown ($w × $h), no caption cut off (screenshots $H_TMP/dialog-$dpi-page*.png)"
  if [ "$dpi" = 96 ] && [ -n "${LUMORA_DOCS_SHOTS:-}" ]; then  # pictures for the user's guide
    mkdir -p "$LUMORA_DOCS_SHOTS"
    for page in 0 1 2 3; do cp "$H_TMP/dialog-96-page$page.png" "$LUMORA_DOCS_SHOTS/dialog-page$page.png"; done
  fi
  if [ "$dpi" = 96 ]; then
    # Esc: closed, nothing saved.
    h_mouse_to $((x + w / 2)) $((y + h - 10))
    h_key Escape
    l_expect_ends "$dialog" 10 "Esc closes the dialog"
    ! _h_reg_export 'HKEY_CURRENT_USER\Software\Orvane\Lumora' >/dev/null || h_fail "Esc saved the settings"
  elif [ "$dpi" = 144 ]; then
    # Enter: 保存, the default button.
    h_mouse_to $((x + w / 2)) $((y + h - 10))
    h_key Return
    l_expect_ends "$dialog" 10 "Enter saves and closes the dialog"
    [ "$(h_reg_query 'HKEY_CURRENT_USER\Software\Orvane\Lumora' 'Draw Wait')" = dword:00000005 ] ||
      h_fail "Enter did not save the settings"
  else
    l_probe post-close TControlForm >/dev/null
    l_expect_ends "$dialog" 10 "the dialog closes at $dpi DPI"
  fi
done
# The window is about one and a half and two times as wide.
for dpi in 144 192; do
  [ $((${width[$dpi]} * 96 * 100)) -ge $((width[96] * dpi * 93)) ] &&
    [ $((${width[$dpi]} * 96 * 100)) -le $((width[96] * dpi * 107)) ] ||
    h_fail "the dialog is ${width[96]} px wide at 96 DPI and ${width[$dpi]} px at $dpi DPI"
done
h_pass "the dialog scales with the DPI: ${width[96]}, ${width[144]} and ${width[192]} px wide at 96, 144 and 192 DPI"
