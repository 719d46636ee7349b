#!/usr/bin/env bash
# Checks the end-to-end harness itself: display layout as Windows programs see
# it, desktop picture, registry round trip, mouse input, process control.
# Needs LUMORA_WINE and a MinGW compiler for a small probe program.
# shellcheck disable=SC2016  # h_check evaluates its single-quoted conditions
set -euo pipefail
source "$(dirname "$0")/harness.sh"

h_init --two-monitors --japanese

case $(basename "$LUMORA_WINE") in
  *64) cc=x86_64-w64-mingw32-gcc-posix ;;
  *) cc=i686-w64-mingw32-gcc-posix ;;
esac
command -v "$cc" >/dev/null || h_fail "$cc is needed to build the probe program"
cat >"$H_TMP/probe.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BOOL CALLBACK print_monitor(HMONITOR m, HDC dc, LPRECT r, LPARAM p) {
    printf("monitor %ld,%ld,%ld,%ld\n", r->left, r->top, r->right, r->bottom);
    return TRUE;
}

int main(int argc, char **argv) {
    const char *mode = argc > 1 ? argv[1] : "";
    if (!strcmp(mode, "layout")) {
        printf("count %d\n", GetSystemMetrics(SM_CMONITORS));
        printf("virtual %d,%d %dx%d\n", GetSystemMetrics(SM_XVIRTUALSCREEN),
               GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
               GetSystemMetrics(SM_CYVIRTUALSCREEN));
        printf("acp %u\n", GetACP());
        EnumDisplayMonitors(NULL, NULL, print_monitor, 0);
    } else if (!strcmp(mode, "pixel") && argc == 4) {
        HDC screen = GetDC(NULL);
        COLORREF c = GetPixel(screen, atoi(argv[2]), atoi(argv[3]));
        printf("%d,%d,%d\n", GetRValue(c), GetGValue(c), GetBValue(c));
        ReleaseDC(NULL, screen);
    } else if (!strcmp(mode, "cursor")) {
        POINT pt;
        GetCursorPos(&pt);
        printf("%ld,%ld\n", pt.x, pt.y);
    } else if (!strcmp(mode, "echo") && argc == 3) {
        /* the argument as Windows got it, back in UTF-8 */
        int n;
        LPWSTR *wargv = CommandLineToArgvW(GetCommandLineW(), &n);
        char out[512];
        int len = WideCharToMultiByte(CP_UTF8, 0, wargv[2], -1, out, sizeof out, NULL, NULL);
        fwrite(out, 1, len > 0 ? len - 1 : 0, stdout);
    } else if (!strcmp(mode, "sleep")) {
        Sleep(60000);
    } else if (!strcmp(mode, "exit") && argc == 3) {
        return atoi(argv[2]);
    } else {
        return 99;
    }
    fflush(stdout);
    return 0;
}
EOF
"$cc" -O1 -o "$H_TMP/probe.exe" "$H_TMP/probe.c" -lgdi32 -lshell32 || h_fail "cannot build the probe"
probe=$H_TMP/probe.exe

# Layout and code page, as a Windows program sees them.
layout=$(h_run_wine "$probe" layout | tr -d '\r')
echo "$layout" >"$H_TMP/layout.txt"
h_check 'grep -qx "count 2" <<<"$layout"' "Windows sees two monitors"
h_check 'grep -qx "virtual -1024,0 2304x800" <<<"$layout"' "virtual screen is (-1024,0) 2304x800"
h_check 'grep -qx "monitor 0,0,1280,800" <<<"$layout" && grep -qx "monitor -1024,0,0,768" <<<"$layout"' \
  "primary is (0,0,1280,800), the second monitor (-1024,0,0,768)"
h_check 'grep -qx "acp 932" <<<"$layout"' "--japanese gives code page 932"
h_check '[ "$(h_run_wine "$probe" echo "写真 ①" | tr -d "\r")" = "写真 ①" ]' "Japanese arguments reach Windows programs intact"

# Desktop picture: grey, a red block on the left monitor, a green block on the
# primary. The probe reads the screen as the screen saver would.
/usr/bin/convert -size 2304x800 xc:'rgb(60,60,60)' \
  -fill 'rgb(200,0,0)' -draw 'rectangle 0,0 99,99' \
  -fill 'rgb(0,180,0)' -draw 'rectangle 1024,0 1123,99' "$H_TMP/desktop.png"
h_set_desktop_image "$H_TMP/desktop.png"
h_screenshot shot-desktop.png
h_check '[ "$(h_pixel shot-desktop.png 50 50)" = 200,0,0 ] && [ "$(h_pixel shot-desktop.png 1074 50)" = 0,180,0 ] &&
  [ "$(h_pixel shot-desktop.png 2000 700)" = 60,60,60 ]' "screenshot shows the desktop picture"
h_screenshot shot-crop.png 100x100+1024+0
h_check '[ "$(h_diff_pixels shot-crop.png "$H_TMP/desktop.png[100x100+1024+0]")" = 0 ]' \
  "cropped screenshot matches the picture"
h_check '[ "$(h_run_wine "$probe" pixel 50 50 | tr -d "\r")" = 0,180,0 ] &&
  [ "$(h_run_wine "$probe" pixel -974 50 | tr -d "\r")" = 200,0,0 ]' "Windows reads the desktop picture from the screen"

# Registry: Japanese string with escapes, a dword, deletion.
key='HKEY_CURRENT_USER\Software\Orvane\LumoraHarnessTest'
h_reg_write_utf16 "$H_TMP/test.reg" <<EOF
Windows Registry Editor Version 5.00

[$key]
"フォルダ"="C:\\\\写真\\\\ネコ \\"特別\\""
"Interval"=dword:0000000a
EOF
h_reg_import "$H_TMP/test.reg"
h_check '[ "$(h_reg_query "$key" フォルダ)" = "C:\\写真\\ネコ \"特別\"" ]' "Japanese string value round-trips through the registry"
h_check '[ "$(h_reg_query "HKCU\\Software\\Orvane\\LumoraHarnessTest" interval)" = dword:0000000a ]' "dword value reads back"
h_reg_delete_key "$key"
h_check '! (h_reg_query "$key" Interval) 2>/dev/null' "deleted key is gone"
h_reg_delete_key "$key"   # absent key is fine

# Mouse, in X coordinates; Windows (0,0) is X (1024,0).
h_mouse_to 1500 300
h_check '[ "$(xdotool getmouselocation --shell | head -2 | tr "\n" " ")" = "X=1500 Y=300 " ]' "mouse moves to a point"
h_mouse_rel -5 7
h_check '[ "$(xdotool getmouselocation --shell | head -2 | tr "\n" " ")" = "X=1495 Y=307 " ]' "mouse moves by an offset"
h_check '[ "$(h_run_wine "$probe" cursor | tr -d "\r")" = 471,307 ]' "Windows sees the cursor at the same point"

# Process control: exit codes, timeouts.
h_start quick -- "$probe" exit 7
st=0; h_wait_exit "$quick" 20 || st=$?
h_check '[ "$st" = 7 ] && ! h_running "$quick"' "exit code of a background program"
h_start slow -- "$probe" sleep
st=0; h_wait_exit "$slow" 1 || st=$?
h_check '[ "$st" = 124 ] && h_running "$slow"' "h_wait_exit times out on a running program without ending it"
st=0; h_run_wine "$probe" exit 3 || st=$?
h_check '[ "$st" = 3 ]' "exit code of a foreground program"

h_pass "harness self-test"
