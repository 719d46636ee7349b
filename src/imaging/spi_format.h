// The arithmetic of Susie image plug-ins that needs no plug-in: which
// extensions a plug-in's filters declare, in which order plug-ins are asked
// for a file, how a decoded DIB's header, palette and pixel sizes follow
// from its BITMAPINFOHEADER, the BMP file image of a decoded DIB, and the
// percentages of a plug-in's progress reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The patterns of a filter such as "*.jpg;*.jpeg" (separated by ";").
std::vector<std::string> FilterPatterns(std::string_view filter);

// The extension a pattern registers: the text after its first "." ("jpg"
// for "*.jpg", "*" for "*.*"), the whole pattern when it has no dot.
std::string PatternExtension(std::string_view pattern);

// The plug-ins to try for a file, as indices into `filtersByPlugin` (each
// plug-in's filters, in load order): every plug-in, those with a pattern
// whose extension (with its dot) equals the file's, ignoring case, first,
// the most recently loaded of them first; the others after, in load order.
std::vector<size_t> ListCandidates(const std::vector<std::vector<std::string>>& filtersByPlugin,
                                   std::string_view fileName);

// Colours of a DIB's palette: biClrUsed, or when that is 0, 2, 16 or 256
// for 1, 4 or 8 bits per pixel and none otherwise.
uint32_t PaletteColours(uint16_t bitCount, uint32_t clrUsed);
// Bytes of a 40-byte header with its palette.
uint32_t DibHeaderSize(uint32_t colours);
// Bytes of the pixel rows: rows padded to 4 bytes, |height| rows.
uint64_t DibImageSize(uint16_t bitCount, int32_t width, int32_t height);

// What a decoded DIB's header says, checked against the memory the plug-in
// returned: the header's bytes with its colour masks and palette, the
// pixel rows' bytes, the sizes (signs as given) and the palette colours.
// Headers that are no DIB's, and pixel memory shorter than the header
// declares, raise PictureError.
struct DecodedDibLayout {
  size_t headerBytes = 0;
  uint64_t imageBytes = 0;
  int32_t width = 0, height = 0;
  uint16_t bitCount = 0;
  uint32_t colours = 0;
};
DecodedDibLayout CheckDecodedDib(std::span<const uint8_t> info, std::span<const uint8_t> bits);

// The BMP file image of a decoded DIB: "BM", file size, 0, offset of the
// bits, then the header (with its colour masks and palette) and the pixel
// rows as they are. Longer headers (V4, V5) and colour masks are kept;
// headers that are no DIB's, and pixel rows shorter than the header
// declares, raise PictureError rather than being read past their end.
std::vector<uint8_t> EncodeDibAsBmp(std::span<const uint8_t> info, std::span<const uint8_t> bits);

// A plug-in's progress numerator / denominator as the percentage reported:
// 2 % at the start to 99 % at the end (nearest, ties to even).
int32_t PluginProgressPercent(int32_t numerator, int32_t denominator);

}  // namespace lumora
