// An owned 24-bit picture: rows of 3-byte pixels in blue, green, red order,
// each row padded to four bytes as a DIB's, top row first. It is the form
// every decoder delivers and every pixel operation works on.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/pixels.h"

namespace lumora {

// Largest picture the saver takes: its 24-bit copy (and a turned copy of
// it) must fit beside everything else in a 32-bit process.
inline constexpr int64_t kMaxPicturePixels = 100'000'000;

// A picture that cannot be read: damaged, unsupported or too large. The
// text says which and why.
class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Bitmap24 {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bits;

  ptrdiff_t Stride() const { return Stride24(width); }
  PixelView View() { return PixelView{bits.data(), width, height, Stride()}; }
  const uint8_t* Row(int32_t y) const { return bits.data() + Stride() * y; }
  uint8_t* Row(int32_t y) { return bits.data() + Stride() * y; }

  // Makes a width × height picture filled with one colour; refuses sizes
  // that are negative or over the pixel budget.
  void Resize(int32_t newWidth, int32_t newHeight, uint8_t blue = 255, uint8_t green = 255, uint8_t red = 255) {
    if (newWidth < 0 || newHeight < 0) throw PictureError("negative picture size");
    if (static_cast<int64_t>(newWidth) * newHeight > kMaxPicturePixels) {
      throw PictureError("picture too large: " + std::to_string(newWidth) + " x " + std::to_string(newHeight) +
                         " pixels (at most " + std::to_string(kMaxPicturePixels / 1'000'000) + " megapixels)");
    }
    width = newWidth;
    height = newHeight;
    const size_t stride = static_cast<size_t>(Stride());
    if (blue == green && green == red) {
      // Grey, white or black: one byte value; the row padding stays 0.
      bits.assign(stride * static_cast<size_t>(height), blue);
      const size_t used = static_cast<size_t>(width) * 3;
      if (used < stride) {
        for (int32_t y = 0; y < height; ++y) std::memset(Row(y) + used, 0, stride - used);
      }
      return;
    }
    bits.assign(stride * static_cast<size_t>(height), 0);
    if (height == 0) return;
    uint8_t* first = Row(0);
    for (int32_t x = 0; x < width; ++x) {
      first[3 * x] = blue;
      first[3 * x + 1] = green;
      first[3 * x + 2] = red;
    }
    for (int32_t y = 1; y < height; ++y) std::memcpy(Row(y), first, stride);
  }
};

}  // namespace lumora
