#include "imaging/bmp_write.h"

#include <cstring>

namespace lumora {

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Bitmap24& picture) {
  constexpr size_t kHeaders = 14 + 40;
  const size_t stride = static_cast<size_t>(picture.Stride());
  const size_t imageSize = stride * static_cast<size_t>(picture.height);
  std::vector<uint8_t> out(kHeaders + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, kHeaders);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(picture.width));
  Put32(out, 22, static_cast<uint32_t>(picture.height));  // positive: bottom-up rows
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 34, static_cast<uint32_t>(imageSize));
  Put32(out, 38, 2835);  // 72 dpi
  Put32(out, 42, 2835);
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(out.data() + kHeaders + stride * static_cast<size_t>(picture.height - 1 - y), picture.Row(y), stride);
  }
  return out;
}

}  // namespace lumora
