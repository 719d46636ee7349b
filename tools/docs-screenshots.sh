#!/usr/bin/env bash
# Takes the pictures of the user's guide (docs/images) with the tests that
# show the dialog and the installer: the dialog's four pages at 100 %, the
# installer's and the uninstaller's pages in Japanese. Run after a change to
# either, then commit docs/images.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows wine=/usr/lib/wine/wine
else
  preset=windows64 wine=/usr/lib/wine/wine64  # this kernel runs no 32-bit programs
fi
cmake --preset "$preset" >"build/configure-$preset.log"
cmake --build --preset "$preset"
export LUMORA_BIN="$root/build/$preset" LUMORA_WINE=$wine LUMORA_DOCS_SHOTS="$root/docs/images"
bash tests/e2e/test_dialog.sh
bash tests/e2e/test_installer.sh
# The release files carry the guide: build them again with the new pictures.
cmake --build --preset "$preset"
ls -l docs/images
