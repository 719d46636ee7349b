#!/usr/bin/env bash
# The long soak of the real saver: 1,000 pictures in four runs of 250 with
# different effects, a 50-megapixel JPEG among the pictures, resource
# figures every 25 pictures (tests/e2e/test_soak.sh describes the checks).
# Takes about half an hour; the figures end in build/soak-last.csv.
# Usage: bash tools/soak.sh [PICTURES]
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/windows-build.sh
export LUMORA_BIN="$PWD/build/$preset" LUMORA_WINE=$wine H_LOCK_WAIT=600
export SOAK_PICTURES=${1:-1000} SOAK_EVERY=25 SOAK_BIG=8660x5774
export SOAK_RUN_LIST="Rotate=1;SmoothZoom=1;DispFileName=1;Brightness=1;Screen Clear=0;Draw Color=2|\
Draw Posision=2;Screen Clear=0;Brightness=1;Draw Color=1;Zoom=1|\
Draw Posision=3;Graphics Size=3;SmoothZoom=1;DispFileName=1;Capture=1|\
Draw Posision=1;Graphics Size=2;Zoom=1;Screen Clear=1"
bash tests/e2e/test_soak.sh
