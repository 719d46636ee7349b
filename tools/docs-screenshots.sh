#!/usr/bin/env bash
# Takes the pictures of the user's guide (docs/images) with the tests that
# show the dialog and the installer: the dialog's four pages at 100 %, the
# installer's and the uninstaller's pages in Japanese. Run after a change to
# either, then commit docs/images.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. tools/windows-build.sh
export LUMORA_BIN="$root/build/$preset" LUMORA_WINE=$wine LUMORA_DOCS_SHOTS="$root/docs/images"
bash tests/e2e/test_dialog.sh
bash tests/e2e/test_installer.sh
# The release files carry the guide: build them again with the new pictures.
cmake --build --preset "$preset"
ls -l docs/images
