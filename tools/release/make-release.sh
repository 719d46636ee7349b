#!/usr/bin/env bash
# Builds the release files from a built Lumora.scr:
#   make-release.sh VERSION SCR ICON OUT_DIR [NSIS_TARGET]
# OUT_DIR/LumoraSetup-VERSION.exe  the installer (NSIS, Japanese and English)
# OUT_DIR/Lumora-VERSION.zip       portable: Lumora.scr, the user's guide and
#                                  the licences of the libraries linked in
# The staged files stay in OUT_DIR/stage.
set -euo pipefail
version=$1 scr=$(realpath "$2") icon=$(realpath "$3") out=$(realpath -m "$4") target=${5:-x86-unicode}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
src="$root/build/deps/src"
stage="$out/stage"
rm -rf "$stage"
mkdir -p "$stage/licenses"

cp "$scr" "$stage/Lumora.scr"
/usr/bin/python3 "$root/tools/release/make-guide.py" "$root/docs" "$stage/docs"

# The libraries linked into Lumora.scr, with the texts their licences ask a
# binary distribution to carry, from the sources the build used.
licence() { # name files...
  local name=$1
  shift
  for f in "$@"; do
    [ -f "$f" ] || { echo "make-release: missing licence text $f" >&2; exit 1; }
    printf '==> %s <==\n\n' "$(basename "$f")"
    cat "$f"
    printf '\n'
  done | sed 's/$/\r/' >"$stage/licenses/$name.txt"
}
licence libjpeg-turbo "$(ls -d "$src"/libjpeg-turbo-*/ | head -n1)LICENSE.md" "$(ls -d "$src"/libjpeg-turbo-*/ | head -n1)README.ijg"
licence libpng "$(ls -d "$src"/libpng1.6-*/ | head -n1)LICENSE"
licence giflib "$(ls -d "$src"/giflib-*/ | head -n1)COPYING"
licence zlib /usr/share/doc/libz-mingw-w64-dev/copyright

# Every file besides the program, as NSIS lines: what the installer puts in
# the program folder and exactly what the uninstaller removes again.
{
  echo '!macro LumoraInstallFiles'
  (cd "$stage" && find docs licenses -type d | sort) | while read -r dir; do
    echo "  SetOutPath \"\$INSTDIR\\${dir//\//\\}\""
    (cd "$stage" && find "$dir" -maxdepth 1 -type f | sort) | while read -r file; do
      echo "  File \"$stage/$file\""
    done
  done
  echo '  SetOutPath "$INSTDIR"'
  echo '!macroend'
  echo '!macro LumoraRemoveFiles'
  (cd "$stage" && find docs licenses -type f | sort) | while read -r file; do
    echo "  Delete \"\$INSTDIR\\${file//\//\\}\""
  done
  (cd "$stage" && find docs licenses -type d | sort -r) | while read -r dir; do
    echo "  RMDir \"\$INSTDIR\\${dir//\//\\}\""
  done
  echo '!macroend'
} >"$stage/files.nsh"

setup="$out/LumoraSetup-$version.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" -DICON="$icon" \
  -DTARGET="$target" "$root/tools/release/lumora.nsi"

zip_file="$out/Lumora-$version.zip"
rm -f "$zip_file"
(cd "$stage" && zip -q -X -r "$zip_file" Lumora.scr docs licenses)
echo "make-release: $setup"
echo "make-release: $zip_file"
