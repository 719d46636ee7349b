// A view of 24-bit pixels: rows of 3-byte pixels in blue, green, red order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumora {

struct PixelView {
  uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  ptrdiff_t stride = 0;  // bytes from one row to the next, rows top-down

  uint8_t* Row(int32_t y) const { return bits + stride * y; }
};

// Row length of a 24-bit bitmap: padded to four bytes as DIBs require.
inline ptrdiff_t Stride24(int32_t width) { return ((static_cast<ptrdiff_t>(width) * 3 + 3) / 4) * 4; }

}  // namespace lumora
