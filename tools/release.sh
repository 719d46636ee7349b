#!/usr/bin/env bash
# Builds the release files: build/windows/dist/LumoraSetup-<version>.exe and
# build/windows/dist/Lumora-<version>.zip (installs what is missing first).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset windows >build/configure-windows.log
cmake --build --preset windows --target release
ls -l build/windows/dist/*.exe build/windows/dist/*.zip
