// Device-independent bitmaps: .bmp files, the images inside icons and the
// DIBs that plug-ins hand over. Headers: BITMAPCOREHEADER (12 bytes),
// BITMAPINFOHEADER (40) and its longer forms (52, 56, OS/2's 64, V4 108,
// V5 124). Pixels: 1, 4, 8 bits through the colour table, 16 and 32 bits
// through colour masks, 24 bits as they stand, 8- and 4-bit run lengths.
#include <algorithm>
#include <array>
#include <bit>

#include "imaging/decoders.h"

namespace lumora {

namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;  // mask >> shift

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (m != 0) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  uint8_t Scale(uint32_t pixel) const {
    if (max == 0) return 0;
    return static_cast<uint8_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

struct DibHeader {
  uint32_t headerSize = 0;
  int32_t width = 0;
  int32_t height = 0;  // rows of the picture (an icon's AND mask not counted)
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = kRgb;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
  size_t infoSize = 0;              // header, masks and colour table
  std::array<std::array<uint8_t, 3>, 256> palette{};  // blue, green, red; unused entries black
};

[[noreturn]] void Fail(const std::string& why) { throw PictureError("BMP: " + why); }

DibHeader ParseHeader(std::span<const uint8_t> info, DibUse use) {
  DibHeader h;
  if (info.size() < 12) Fail("header truncated");
  h.headerSize = Le32(info.data());
  const uint8_t* p = info.data();
  int64_t width = 0, height = 0;
  uint32_t colorsUsed = 0;
  const bool core = h.headerSize == 12;
  if (core) {
    width = Le16(p + 4);
    height = Le16(p + 6);
    h.bitCount = Le16(p + 10);
  } else if (h.headerSize == 40 || h.headerSize == 52 || h.headerSize == 56 || h.headerSize == 64 ||
             h.headerSize == 108 || h.headerSize == 124) {
    if (info.size() < h.headerSize) Fail("header truncated");
    width = static_cast<int32_t>(Le32(p + 4));
    height = static_cast<int32_t>(Le32(p + 8));
    h.bitCount = Le16(p + 14);
    h.compression = Le32(p + 16);
    colorsUsed = Le32(p + 32);
    // OS/2's 64-byte header numbers its compressions differently from 3 on.
    if (h.headerSize == 64 && h.compression > kRle4) Fail("unsupported OS/2 compression");
  } else {
    Fail("unknown header size " + std::to_string(h.headerSize));
  }

  if (height < 0) {
    h.topDown = true;
    height = -height;
  }
  if (use == DibUse::kIcon) height /= 2;
  CheckDeclaredSize(width, height, "BMP");
  h.width = static_cast<int32_t>(width);
  h.height = static_cast<int32_t>(height);

  const uint16_t bits = h.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    Fail("unsupported bit count " + std::to_string(bits));
  }
  switch (h.compression) {
    case kRgb:
      break;
    case kRle8:
    case kRle4:
      if (bits != (h.compression == kRle8 ? 8 : 4)) Fail("run-length compression with a wrong bit count");
      if (h.topDown) Fail("run-length compressed rows cannot run top-down");
      break;
    case kBitfields:
    case kAlphaBitfields:
      if (bits != 16 && bits != 32) Fail("colour masks with a wrong bit count");
      break;
    default:
      Fail("unsupported compression " + std::to_string(h.compression));
  }

  size_t offset = h.headerSize;
  if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
    const size_t count = h.compression == kAlphaBitfields ? 4 : 3;
    const uint8_t* masks = p + 40;
    if (h.headerSize == 40) {
      // A plain info header keeps its masks right after itself.
      if (info.size() < offset + 4 * count) Fail("colour masks truncated");
      masks = p + offset;
      offset += 4 * count;
    }
    for (size_t i = 0; i < 3; ++i) h.masks[i] = Le32(masks + 4 * i);
    if ((count == 4 && h.headerSize == 40) || h.headerSize >= 56) h.masks[3] = Le32(masks + 12);
  } else if (bits == 16) {
    h.masks = {0x7C00, 0x03E0, 0x001F, 0};
  } else if (bits == 32) {
    h.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  }

  const size_t entrySize = core ? 3 : 4;
  size_t entries = 0;
  if (bits <= 8) {
    const size_t full = size_t{1} << bits;
    entries = (core || colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
    if (info.size() - offset < entries * entrySize) Fail("colour table truncated");
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = p + offset + i * entrySize;
      h.palette[i] = {e[0], e[1], e[2]};
    }
  } else if (colorsUsed != 0 && colorsUsed <= 256 && info.size() - offset >= colorsUsed * entrySize) {
    entries = colorsUsed;  // an optional table for palette devices; skipped
  }
  h.infoSize = offset + entries * entrySize;
  return h;
}

// Run-length pixels, bottom row first. Pixels that the data skips (by a
// jump, an early end of line or an early end of data) stay white.
void DecodeRunLength(const DibHeader& h, std::span<const uint8_t> data, Bitmap24& out) {
  const bool rle4 = h.compression == kRle4;
  int64_t x = 0, y = 0;
  auto put = [&](uint8_t index) {
    if (x < h.width && y < h.height) {
      uint8_t* px = out.Row(static_cast<int32_t>(h.height - 1 - y)) + 3 * x;
      std::copy_n(h.palette[index].begin(), 3, px);
    }
    ++x;
  };
  size_t pos = 0;
  while (pos + 2 <= data.size() && y < h.height) {
    const uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(rle4 ? ((i & 1) ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (pos + 2 > data.size()) return;
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
    } else {
      const size_t bytes = rle4 ? (value + 1) / 2 : value;
      if (data.size() - pos < bytes) return;
      for (int i = 0; i < value; ++i) {
        const uint8_t b = data[pos + (rle4 ? i / 2 : i)];
        put(rle4 ? ((i & 1) ? b & 15 : b >> 4) : b);
      }
      pos += bytes + (bytes & 1);  // absolute runs end on a 16-bit boundary
    }
  }
}

}  // namespace

size_t DibInfoSize(std::span<const uint8_t> info, DibUse use) { return ParseHeader(info, use).infoSize; }

Bitmap24 DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibUse use) {
  const DibHeader h = ParseHeader(info, use);
  const int32_t w = h.width, height = h.height;
  Bitmap24 out;

  if (h.compression == kRle8 || h.compression == kRle4) {
    out.Resize(w, height);
    DecodeRunLength(h, bits, out);
    return out;
  }

  const int64_t rowBits = int64_t{w} * h.bitCount;
  const int64_t stride = (rowBits + 31) / 32 * 4;
  // The last row's padding may be missing; anything less is damage.
  if (static_cast<int64_t>(bits.size()) < stride * (height - 1) + (rowBits + 7) / 8) Fail("pixel data truncated");
  out.Resize(w, height);

  const std::array<Channel, 4> channels{Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]),
                                        Channel(h.masks[3])};
  const bool iconAlpha = use == DibUse::kIcon && h.bitCount == 32;
  std::vector<uint8_t> alpha(iconAlpha ? static_cast<size_t>(w) * height : 0);
  bool anyAlpha = false;

  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = bits.data() + stride * (h.topDown ? y : height - 1 - y);
    uint8_t* dst = out.Row(y);
    for (int32_t x = 0; x < w; ++x, dst += 3) {
      switch (h.bitCount) {
        case 1:
        case 4:
        case 8: {
          const int64_t bit = int64_t{x} * h.bitCount;
          const uint8_t index = (src[bit / 8] >> (8 - h.bitCount - bit % 8)) & ((1 << h.bitCount) - 1);
          std::copy_n(h.palette[index].begin(), 3, dst);
          break;
        }
        case 24:
          std::copy_n(src + 3 * x, 3, dst);
          break;
        default: {
          const uint32_t pixel = h.bitCount == 16 ? Le16(src + 2 * x) : Le32(src + 4 * x);
          dst[0] = channels[2].Scale(pixel);
          dst[1] = channels[1].Scale(pixel);
          dst[2] = channels[0].Scale(pixel);
          if (iconAlpha) {
            const uint8_t a = channels[3].Scale(pixel);
            alpha[static_cast<size_t>(y) * w + x] = a;
            anyAlpha = anyAlpha || a != 0;
          }
        }
      }
    }
  }
  if (use != DibUse::kIcon) return out;

  if (anyAlpha) {
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* dst = out.Row(y);
      for (int32_t x = 0; x < w * 3; ++x) dst[x] = OverWhite(dst[x], alpha[static_cast<size_t>(y) * w + x / 3]);
    }
    return out;
  }
  // The AND mask follows the colour rows; an icon without one is opaque.
  const int64_t maskStride = (int64_t{w} + 31) / 32 * 4;
  const int64_t maskStart = stride * height;
  if (static_cast<int64_t>(bits.size()) < maskStart + maskStride * height) return out;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* mask = bits.data() + maskStart + maskStride * (h.topDown ? y : height - 1 - y);
    uint8_t* dst = out.Row(y);
    for (int32_t x = 0; x < w; ++x) {
      if ((mask[x / 8] >> (7 - x % 8)) & 1) {
        for (int c = 0; c < 3; ++c) dst[3 * x + c] ^= 0xFF;  // white AND mask, XOR colour
      }
    }
  }
  return out;
}

Bitmap24 DecodeBmp(const std::vector<uint8_t>& bytes) {
  constexpr size_t kFileHeader = 14;
  if (bytes.size() < kFileHeader + 12 || bytes[0] != 'B' || bytes[1] != 'M') Fail("not a BMP file");
  const std::span<const uint8_t> info(bytes.data() + kFileHeader, bytes.size() - kFileHeader);
  const size_t infoSize = DibInfoSize(info);
  // The pixels start where the file header says, unless that points into
  // the header or past the end; then they follow the colour table.
  size_t offset = Le32(bytes.data() + 10);
  if (offset < kFileHeader + Le32(info.data()) || offset > bytes.size()) offset = kFileHeader + infoSize;
  return DecodeDib(info, std::span<const uint8_t>(bytes).subspan(offset), DibUse::kPicture);
}

}  // namespace lumora
