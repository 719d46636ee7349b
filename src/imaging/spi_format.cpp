#include "imaging/spi_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/text.h"
#include "imaging/bitmap24.h"
#include "imaging/decoders.h"

namespace lumora {

std::vector<std::string> FilterPatterns(std::string_view filter) {
  std::vector<std::string> patterns;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t end = std::min(filter.find(';', start), filter.size());
    if (end > start) patterns.emplace_back(filter.substr(start, end - start));
    start = end + 1;
  }
  return patterns;
}

std::string PatternExtension(std::string_view pattern) {
  const size_t dot = pattern.find('.');
  return std::string(dot == std::string_view::npos ? pattern : pattern.substr(dot + 1));
}

std::vector<size_t> ListCandidates(const std::vector<std::vector<std::string>>& filtersByPlugin,
                                   std::string_view fileName) {
  // The file's extension with its dot; a dot in a folder name is none.
  const size_t dot = fileName.rfind('.');
  const size_t slash = fileName.find_last_of("\\/:");
  const std::string extension =
      dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)
          ? std::string()
          : AsciiUpper(fileName.substr(dot));
  std::vector<size_t> matching, others;
  for (size_t i = 0; i < filtersByPlugin.size(); ++i) {
    bool declares = false;
    for (const std::string& filter : filtersByPlugin[i]) {
      for (const std::string& pattern : FilterPatterns(filter)) {
        const size_t patternDot = pattern.find('.');
        if (!extension.empty() && patternDot != std::string::npos &&
            AsciiUpper(std::string_view(pattern).substr(patternDot)) == extension) {
          declares = true;
        }
      }
    }
    (declares ? matching : others).push_back(i);
  }
  std::reverse(matching.begin(), matching.end());
  matching.insert(matching.end(), others.begin(), others.end());
  return matching;
}

uint32_t PaletteColours(uint16_t bitCount, uint32_t clrUsed) {
  if (clrUsed != 0) return clrUsed;
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

uint32_t DibHeaderSize(uint32_t colours) { return 40 + 4 * colours; }

uint64_t DibImageSize(uint16_t bitCount, int32_t width, int32_t height) {
  const uint64_t rowBytes = (static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(std::max(0, width)) + 31) / 32 * 4;
  return rowBytes * static_cast<uint64_t>(std::abs(static_cast<int64_t>(height)));
}

DecodedDibLayout CheckDecodedDib(std::span<const uint8_t> info, std::span<const uint8_t> bits) {
  DecodedDibLayout layout;
  layout.headerBytes = DibInfoSize(info);  // checks the header and its tables
  if (info.size() < 16) throw PictureError("plug-in picture: header too short");
  layout.width = static_cast<int32_t>(Le32(info.data() + 4));
  layout.height = static_cast<int32_t>(Le32(info.data() + 8));
  layout.bitCount = Le16(info.data() + 14);
  const uint32_t compression = info.size() >= 20 ? Le32(info.data() + 16) : 0;
  layout.colours = PaletteColours(layout.bitCount, info.size() >= 36 ? Le32(info.data() + 32) : 0);
  layout.imageBytes = DibImageSize(layout.bitCount, layout.width, layout.height);
  if (compression == 1 || compression == 2) {
    // Run-length rows: their length is the header's image size.
    layout.imageBytes = info.size() >= 24 ? Le32(info.data() + 20) : 0;
  }
  if (layout.imageBytes > bits.size()) {
    throw PictureError("plug-in picture: " + std::to_string(bits.size()) + " bytes of pixels where the header needs " +
                       std::to_string(layout.imageBytes));
  }
  return layout;
}

std::vector<uint8_t> EncodeDibAsBmp(std::span<const uint8_t> info, std::span<const uint8_t> bits) {
  const DecodedDibLayout layout = CheckDecodedDib(info, bits);
  const uint64_t fileSize = 14 + layout.headerBytes + layout.imageBytes;
  if (fileSize > 0xFFFFFFFFull) throw PictureError("plug-in picture too large for a BMP file");
  std::vector<uint8_t> bmp(static_cast<size_t>(fileSize));
  auto put32 = [&](size_t at, uint64_t value) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, fileSize);
  put32(6, 0);
  put32(10, 14 + layout.headerBytes);
  std::memcpy(bmp.data() + 14, info.data(), layout.headerBytes);
  if (layout.imageBytes > 0) {
    std::memcpy(bmp.data() + 14 + layout.headerBytes, bits.data(), static_cast<size_t>(layout.imageBytes));
  }
  return bmp;
}

int32_t PluginProgressPercent(int32_t numerator, int32_t denominator) {
  if (denominator == 0) return 2;
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(numerator) * 97 / denominator)) + 2;
}

}  // namespace lumora
