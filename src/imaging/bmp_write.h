// Writes a 24-bit picture as a bottom-up BMP file image.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap24.h"

namespace lumora {

std::vector<uint8_t> EncodeBmp24(const Bitmap24& picture);

}  // namespace lumora
