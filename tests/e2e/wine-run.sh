#!/usr/bin/env bash
# Runs a cross-built program under Wine on a virtual display of its own,
# with an audio path of its own: ctest's emulator for the Windows builds.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"
h_init --sound
status=0
h_run_wine "$@" || status=$?
exit "$status"
