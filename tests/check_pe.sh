#!/usr/bin/env bash
# Checks the shipped program's PE headers: the right machine, the GUI
# subsystem, large-address awareness on 32-bit, and imports of DLLs that
# Windows itself ships only (nothing that must be copied beside it).
set -euo pipefail
exe=$1 objdump=$2 pointer_size=$3
headers=$("$objdump" -p "$exe")
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "$pointer_size" = 4 ]; then
  grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 i386 file"
  grep -q 'large address aware' <<<"$headers" || fail "not marked large-address-aware"
else
  grep -q 'file format pei-x86-64' <<<"$headers" || fail "not a PE32+ x86-64 file"
fi
grep -Eq 'Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || fail "not a GUI-subsystem program"

allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|winmm|msvcrt|version|msimg32|uxtheme)\.dll$'
dlls=$(grep -E '^[[:space:]]*DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
bad=$(grep -Ev "$allowed" <<<"$dlls" || true)
[ -z "$bad" ] || fail "imports DLLs that Windows does not ship: $bad"
echo "PE headers fine; imports: $(tr '\n' ' ' <<<"$dlls")"
