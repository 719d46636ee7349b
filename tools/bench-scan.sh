#!/usr/bin/env bash
# Runs the scanner benchmark under Wine on a virtual display: a pass over
# 100,000 files in 1,000 folders (made once under build/bench-tree).
# Usage: tools/bench-scan.sh [RUNS]   (after the Windows build exists)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
: "${LUMORA_BIN:=$here/build/windows64}"
if [ -z "${LUMORA_WINE:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -f "$here/build/windows/lumora-scan-bench.exe" ]; then
    LUMORA_WINE=/usr/lib/wine/wine LUMORA_BIN=$here/build/windows
  else
    LUMORA_WINE=/usr/lib/wine/wine64
  fi
fi
export LUMORA_WINE LUMORA_BIN
source "$here/tests/e2e/harness.sh"
h_init
tree="$here/build/bench-tree"
for run in $(seq "${1:-3}"); do
  echo "run $run:"
  h_run_wine "$LUMORA_BIN/lumora-scan-bench.exe" "$(_h_winpath "$tree")" 1000 100 | tr -d '\r' | sed 's/^/  /'
done
