// The built-in picture decoders and what they share. Each takes the whole
// file and returns the picture as 24-bit BGR on white (see
// picture_formats.h), or throws PictureError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/bitmap24.h"

namespace lumora {

Bitmap24 DecodeBmp(const std::vector<uint8_t>& bytes);
Bitmap24 DecodeIco(const std::vector<uint8_t>& bytes);
Bitmap24 DecodeJpeg(const std::vector<uint8_t>& bytes);
Bitmap24 DecodeGif(const std::vector<uint8_t>& bytes);
Bitmap24 DecodePng(const std::vector<uint8_t>& bytes);

// A device-independent bitmap that is not in a .bmp file: the header with
// its colour masks and table (`info`) and the pixel rows (`bits`), as a
// plug-in hands them over or as an icon stores them.
enum class DibUse {
  kPicture,  // drawn as it stands; a 32-bit pixel's fourth byte is ignored
  kIcon,     // height counts the colour rows and the AND mask; see DecodeIco
};
Bitmap24 DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibUse use = DibUse::kPicture);
// Bytes of the header, colour masks and colour table at the start of
// `info`; throws PictureError when the header is not one of a DIB.
size_t DibInfoSize(std::span<const uint8_t> info, DibUse use = DibUse::kPicture);

// Refuses a declared picture size that is not positive or over the pixel
// budget, before anything of that size is allocated. `format` names the
// file kind in the message ("PNG", "GIF", ...).
void CheckDeclaredSize(int64_t width, int64_t height, const char* format);

// A colour channel `value` with opacity `alpha` (0 transparent, 255 opaque)
// drawn over white, rounded to nearest.
inline uint8_t OverWhite(uint8_t value, uint8_t alpha) {
  return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Little-endian reads from a byte range the caller has checked.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace lumora
