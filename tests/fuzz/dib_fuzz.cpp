// Feeds a plug-in's decoded DIB to the conversion the plug-in route uses:
// the first two bytes give the length of the header memory, the rest is
// header then pixel memory. The header is checked against the memory,
// written as a BMP image and read back by the BMP reader, and read directly
// as a DIB. Refusals are PictureError; anything else is a finding.
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/decoders.h"
#include "imaging/spi_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t infoSize = std::min<size_t>(size - 2, data[0] | data[1] << 8);
  const std::span<const uint8_t> info(data + 2, infoSize);
  const std::span<const uint8_t> bits(data + 2 + infoSize, size - 2 - infoSize);
  try {
    const lumora::DecodedDibLayout layout = lumora::CheckDecodedDib(info, bits);
    const std::vector<uint8_t> bmp = lumora::EncodeDibAsBmp(info, bits);
    if (bmp.size() != 14 + layout.headerBytes + layout.imageBytes) __builtin_trap();
    const lumora::Bitmap24 picture = lumora::DecodeBmp(bmp);
    if (picture.bits.size() != static_cast<size_t>(picture.Stride()) * static_cast<size_t>(picture.height)) {
      __builtin_trap();
    }
  } catch (const lumora::PictureError&) {
  }
  try {
    lumora::DecodeDib(info, bits);
  } catch (const lumora::PictureError&) {
  }
  return 0;
}
