#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: the
# portable core natively (ASan, UBSan), then the Windows program and its
# tests under Wine. Exits non-zero when any test fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh

summary=()
failed=0
run_ctest() { # preset [ctest options...]
  local log="build/ctest-$1.log" st=0
  ctest --preset "$@" 2>&1 | tee "$log" || st=$?
  [ "$st" = 0 ] || failed=1
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1 || true)
  [ -n "$line" ] || { echo "ctest for $1 printed no result" >&2; failed=1; }
  summary+=("$1: $line")
  local p f
  read -r p f <<<"$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\2 \1/' <<<"$line")"
  passed_total=$((passed_total + ${p:-0} - ${f:-0}))
  failed_total=$((failed_total + ${f:-0}))
}
passed_total=0
failed_total=0

echo "== native core"
cmake --preset native >build/configure-native.log
cmake --build --preset native
run_ctest native

echo "== fuzz targets of the picture readers (clang, libFuzzer; ${LUMORA_FUZZ_SECONDS:-10} s each)"
cmake --preset fuzz -DLUMORA_FUZZ_SECONDS="${LUMORA_FUZZ_SECONDS:-10}" >build/configure-fuzz.log
cmake --build --preset fuzz
run_ctest fuzz

echo "== Windows (i686, the program as shipped)"
rm -rf build/e2e-runs
cmake --preset windows >build/configure-windows.log
cmake --build --preset windows
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_ctest windows
else
  # This kernel runs no 32-bit programs, so 32-bit Wine cannot start: the
  # i686 program is checked as a file, and the same sources built for
  # x86_64 run every Windows test under 64-bit Wine.
  echo "note: 32-bit programs cannot run on this kernel; Windows tests run on the x86_64 build"
  run_ctest windows -L static
  echo "== Windows (x86_64 build of the same sources, under 64-bit Wine)"
  cmake --preset windows64 >build/configure-windows64.log
  cmake --build --preset windows64
  run_ctest windows64
fi

echo
printf '%s\n' "${summary[@]}"
echo "$passed_total passed, $failed_total failed"
[ "$failed" = 0 ] && [ "$failed_total" = 0 ]
