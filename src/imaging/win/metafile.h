// Windows and enhanced metafiles, played by GDI onto a white 24-bit picture.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap24.h"

namespace lumora::win {

// An enhanced metafile (".emf") at its own frame size.
Bitmap24 DecodeEnhancedMetafile(const std::vector<uint8_t>& bytes);
// A Windows metafile (".wmf"), placeable (with its size in the header) or
// plain (shown at a default size).
Bitmap24 DecodeWindowsMetafile(const std::vector<uint8_t>& bytes);

}  // namespace lumora::win
