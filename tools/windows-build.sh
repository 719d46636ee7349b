# Sourced by the tools that run the saver under Wine: installs what is
# missing, picks the build this machine can run and builds it. Sets $preset
# (the CMake preset) and $wine (the Wine loader for it); the caller is in the
# repository's root.
bash tools/setup.sh
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows wine=/usr/lib/wine/wine
else
  preset=windows64 wine=/usr/lib/wine/wine64  # this kernel runs no 32-bit programs
fi
cmake --preset "$preset" >"build/configure-$preset.log"
cmake --build --preset "$preset"
