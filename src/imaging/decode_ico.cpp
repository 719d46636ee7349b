// Icons (and cursors, which share the layout): a directory of images, each
// a DIB with an AND mask or a whole PNG file. The largest image is shown.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/decoders.h"

namespace lumora {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

struct Candidate {
  std::span<const uint8_t> data;
  bool png = false;
  int64_t area = 0;
  int bitCount = 0;
};

// Size and depth from the image itself: a directory entry's own numbers
// cannot say 256 or more and are often wrong.
bool Inspect(Candidate& c) {
  const uint8_t* p = c.data.data();
  if (c.data.size() >= 24 && std::memcmp(p, kPngSignature, 8) == 0) {
    c.png = true;
    // PNG sizes stop at 2^31 - 1; larger (damaged) ones are taken as that,
    // so their product still fits and the PNG reader refuses them later.
    const int64_t width = std::min<uint32_t>(Be32(p + 16), INT32_MAX);
    const int64_t height = std::min<uint32_t>(Be32(p + 20), INT32_MAX);
    c.area = width * height;
    c.bitCount = 32;
    return true;
  }
  if (c.data.size() < 16) return false;
  const uint32_t headerSize = Le32(p);
  if (headerSize == 12) {
    c.area = int64_t{Le16(p + 4)} * (Le16(p + 6) / 2);
    c.bitCount = Le16(p + 10);
    return true;
  }
  if (headerSize < 40 || c.data.size() < 40) return false;
  const int64_t width = static_cast<int32_t>(Le32(p + 4)), height = static_cast<int32_t>(Le32(p + 8));
  c.area = width > 0 && height > 0 ? width * (height / 2) : 0;
  c.bitCount = Le16(p + 14);
  return true;
}

}  // namespace

Bitmap24 DecodeIco(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 6 || Le16(bytes.data()) != 0 || (Le16(bytes.data() + 2) != 1 && Le16(bytes.data() + 2) != 2)) {
    throw PictureError("ICO: not an icon file");
  }
  const size_t count = Le16(bytes.data() + 4);
  if (count == 0) throw PictureError("ICO: the icon holds no image");
  if (bytes.size() < 6 + 16 * count) throw PictureError("ICO: directory truncated");

  Candidate best;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytes.data() + 6 + 16 * i;
    const size_t size = Le32(entry + 8), offset = Le32(entry + 12);
    if (offset > bytes.size() || size > bytes.size() - offset) continue;  // a damaged entry is passed over
    Candidate c;
    c.data = std::span<const uint8_t>(bytes).subspan(offset, size);
    if (!Inspect(c)) continue;
    if (best.data.empty() || c.area > best.area || (c.area == best.area && c.bitCount > best.bitCount)) best = c;
  }
  if (best.data.empty()) throw PictureError("ICO: no readable image in the icon");

  if (best.png) return DecodePng(std::vector<uint8_t>(best.data.begin(), best.data.end()));
  const size_t infoSize = DibInfoSize(best.data, DibUse::kIcon);
  return DecodeDib(best.data, best.data.subspan(infoSize), DibUse::kIcon);
}

}  // namespace lumora
