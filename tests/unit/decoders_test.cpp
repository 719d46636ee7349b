// The built-in decoders against pictures made here from known pixels with
// the libraries' own encoders (or byte by byte for BMP and ICO), damaged
// files, and the public test corpora.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "imaging/decoders.h"
#include "imaging/picture_formats.h"

namespace lumora {
namespace {

using Bytes = std::vector<uint8_t>;
struct Rgb {
  int r, g, b;
};
using Pixels = std::function<Rgb(int x, int y)>;

uint8_t Sample(int x, int y, int c) { return static_cast<uint8_t>(x * 37 + y * 91 + c * 53 + x * y * 7); }
// A colour channel over white, rounded to nearest.
int OnWhite(int value, int alpha) { return (value * alpha + 255 * (255 - alpha) + 127) / 255; }

Bitmap24 Decode(const Bytes& bytes, const char* extension) { return BuiltInFormats().Decode(bytes, extension); }

void ExpectPixels(const Bitmap24& got, int w, int h, const Pixels& expected, int tolerance = 0) {
  ASSERT_EQ(got.width, w);
  ASSERT_EQ(got.height, h);
  ASSERT_EQ(got.bits.size(), static_cast<size_t>(got.Stride()) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = got.Row(y) + 3 * x;
      const Rgb e = expected(x, y);
      ASSERT_TRUE(std::abs(p[2] - e.r) <= tolerance && std::abs(p[1] - e.g) <= tolerance &&
                  std::abs(p[0] - e.b) <= tolerance)
          << "at " << x << "," << y << ": got " << int(p[2]) << " " << int(p[1]) << " " << int(p[0]) << ", expected "
          << e.r << " " << e.g << " " << e.b;
    }
  }
}

void ExpectRefused(const Bytes& bytes, const char* extension, const char* why = "") {
  try {
    Decode(bytes, extension);
    ADD_FAILURE() << "decoded a damaged ." << extension;
  } catch (const PictureError& e) {
    EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
  }
}

void Put16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
void PutBe32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

// ---------------------------------------------------------------- PNG

[[noreturn]] void PngWriteFailed(png_structp, png_const_charp message) {
  std::fprintf(stderr, "PNG writer: %s\n", message);
  std::abort();
}

// `value(x, y, channel)` gives the raw samples of the colour type's channels.
Bytes WritePng(int w, int h, int colorType, int depth, bool interlace, const std::function<int(int, int, int)>& value,
               const std::vector<png_color>& palette = {}, const Bytes& paletteAlpha = {},
               const png_color_16* transparent = nullptr) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteFailed, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out, [](png_structp p, png_bytep data, size_t n) {
        static_cast<Bytes*>(png_get_io_ptr(p))->insert(static_cast<Bytes*>(png_get_io_ptr(p))->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, depth, colorType, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!paletteAlpha.empty() || transparent) {
    png_set_tRNS(png, info, paletteAlpha.data(), static_cast<int>(paletteAlpha.size()), transparent);
  }
  png_write_info(png, info);
  const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
  std::vector<Bytes> rows(h, Bytes((w * channels * depth + 7) / 8));
  for (int y = 0; y < h; ++y) {
    for (int i = 0; i < w * channels; ++i) {
      const int v = value(i / channels, y, i % channels);
      if (depth == 16) {
        rows[y][2 * i] = uint8_t(v >> 8);
        rows[y][2 * i + 1] = uint8_t(v);
      } else {
        rows[y][i * depth / 8] |= uint8_t(v << (8 - depth - i * depth % 8));
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(DecodePng, EveryColourTypeAndDepthInterlacedOrNot) {
  const int w = 13, h = 11;
  // Raw samples of `depth` bits, and the 8-bit value each stands for
  // (v × 255 / max, rounded; 16-bit samples may be off by one).
  auto raw = [](int depth, int x, int y, int c) {
    return depth == 16 ? Sample(x, y, c) << 8 | Sample(y, x, c) : Sample(x, y, c) >> (8 - depth);
  };
  auto eight = [&](int depth, int x, int y, int c) {
    const int max = (1 << depth) - 1;
    return (raw(depth, x, y, c) * 255 + max / 2) / max;
  };
  struct Case {
    int colorType, depth;
  };
  for (const bool interlace : {false, true}) {
    for (const Case k : std::vector<Case>{{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {4, 8}, {4, 16},
                                          {6, 8}, {6, 16}}) {
      SCOPED_TRACE("colour type " + std::to_string(k.colorType) + ", depth " + std::to_string(k.depth) +
                   (interlace ? ", interlaced" : ""));
      const int d = k.depth;
      const Bytes file = WritePng(w, h, k.colorType, d, interlace, [&](int x, int y, int c) { return raw(d, x, y, c); });
      const bool colour = k.colorType & 2, alpha = k.colorType & 4;
      ExpectPixels(Decode(file, "png"), w, h, [&](int x, int y) {
        const int a = alpha ? eight(d, x, y, colour ? 3 : 1) : 255;
        auto channel = [&](int c) { return OnWhite(eight(d, x, y, colour ? c : 0), a); };
        return Rgb{channel(0), channel(1), channel(2)};
      }, d == 16 ? 2 : 0);
    }
    for (const int d : {1, 2, 4, 8}) {
      SCOPED_TRACE("palette, depth " + std::to_string(d) + (interlace ? ", interlaced" : ""));
      std::vector<png_color> palette;
      for (int i = 0; i < (1 << d); ++i) palette.push_back({Sample(i, 1, 0), Sample(i, 2, 1), Sample(i, 3, 2)});
      // Alpha for the first entries only; the others stay opaque.
      Bytes alphas;
      for (int i = 0; i < std::max(1, (1 << d) / 2); ++i) alphas.push_back(uint8_t(i * 97));
      auto index = [&](int x, int y, int) { return Sample(x, y, 0) >> (8 - d); };
      const Bytes file = WritePng(w, h, 3, d, interlace, index, palette, alphas);
      ExpectPixels(Decode(file, "png"), w, h, [&](int x, int y) {
        const int i = index(x, y, 0);
        const int a = i < static_cast<int>(alphas.size()) ? alphas[i] : 255;
        return Rgb{OnWhite(palette[i].red, a), OnWhite(palette[i].green, a), OnWhite(palette[i].blue, a)};
      });
    }
  }
}

TEST(DecodePng, TransparentColourOfGreyAndTruecolourBecomesWhite) {
  png_color_16 grey{};
  grey.gray = 0x40;
  const Bytes greyFile = WritePng(8, 8, 0, 8, false, [](int x, int y, int) { return (x + y) % 3 == 0 ? 0x40 : 0x10; },
                                  {}, {}, &grey);
  ExpectPixels(Decode(greyFile, "png"), 8, 8,
               [](int x, int y) { return (x + y) % 3 == 0 ? Rgb{255, 255, 255} : Rgb{0x10, 0x10, 0x10}; });
  png_color_16 red{};
  red.red = 200;
  const Bytes rgbFile = WritePng(8, 8, 2, 8, true, [](int x, int, int c) { return c == 0 && x < 4 ? 200 : 0; }, {},
                                 {}, &red);
  ExpectPixels(Decode(rgbFile, "png"), 8, 8, [](int x, int) { return x < 4 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
}

// A PNG whose header claims `w` × `h`, followed by a little image data.
Bytes PngClaiming(uint32_t w, uint32_t h) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const Bytes& data) {
    PutBe32(file, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    PutBe32(file, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  };
  Bytes header;
  PutBe32(header, w);
  PutBe32(header, h);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", header);
  chunk("IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
  chunk("IEND", {});
  return file;
}

TEST(DecodePng, DamagedFilesAreRefused) {
  const Bytes noise = WritePng(64, 64, 2, 8, false, [](int x, int y, int c) { return Sample(x * x, y * 3, c); });
  ExpectRefused(Bytes(noise.begin(), noise.begin() + noise.size() / 2), "png");
  ExpectRefused(Bytes(noise.begin(), noise.begin() + 20), "png");
  ExpectRefused(PngClaiming(60000, 60000), "png", "too large");
  ExpectRefused(PngClaiming(0, 5), "png");
  ExpectRefused({'n', 'o', 't'}, "png");
}

// ---------------------------------------------------------------- GIF

// A GIF with a 256-colour screen of `sw` × `sh`, a first image at (left,
// top) whose index `transparent` (unless -1) is transparent, and a second
// image at (0, 0) that must never show.
Bytes WriteGif(int sw, int sh, int left, int top, int fw, int fh, bool interlace, int transparent) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, [](GifFileType* g, const GifByteType* data, int n) {
    static_cast<Bytes*>(g->UserData)->insert(static_cast<Bytes*>(g->UserData)->end(), data, data + n);
    return n;
  }, &error);
  GifColorType colors[256];
  for (int i = 0; i < 256; ++i) colors[i] = {Sample(i, 5, 0), Sample(i, 6, 1), Sample(i, 7, 2)};
  ColorMapObject* map = GifMakeMapObject(256, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, sw, sh, 8, 0, map);
  const uint8_t control[4] = {uint8_t(transparent >= 0), 0, 0, uint8_t(transparent)};
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
  EGifPutImageDesc(gif, left, top, fw, fh, interlace, nullptr);
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < (interlace ? 4 : 1); ++pass) {
    for (int y = interlace ? start[pass] : 0; y < fh; y += interlace ? step[pass] : 1) {
      std::vector<GifPixelType> line(fw);
      for (int x = 0; x < fw; ++x) line[x] = Sample(x, y, 3);
      EGifPutLine(gif, line.data(), fw);
    }
  }
  EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr);
  GifPixelType one = 1;
  EGifPutLine(gif, &one, 1);
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  return out;
}

TEST(DecodeGif, FirstImageOnItsScreenWithTransparencyAsWhite) {
  for (const bool interlace : {false, true}) {
    SCOPED_TRACE(interlace ? "interlaced" : "progressive");
    const int transparent = Sample(2, 1, 3);
    const Bytes file = WriteGif(30, 20, 5, 3, 17, 13, interlace, transparent);
    ExpectPixels(Decode(file, "GIF"), 30, 20, [&](int x, int y) {
      if (x < 5 || y < 3 || x >= 22 || y >= 16) return Rgb{255, 255, 255};
      const int i = Sample(x - 5, y - 3, 3);
      if (i == transparent) return Rgb{255, 255, 255};
      return Rgb{Sample(i, 5, 0), Sample(i, 6, 1), Sample(i, 7, 2)};
    });
  }
  // An image reaching past the screen is cut at its edge.
  EXPECT_EQ(Decode(WriteGif(10, 10, 6, 6, 8, 8, false, -1), "gif").width, 10);
}

TEST(DecodeGif, DamagedFilesAreRefused) {
  const Bytes file = WriteGif(64, 64, 0, 0, 64, 64, false, -1);
  ExpectRefused(Bytes(file.begin(), file.begin() + file.size() / 3), "gif");
  ExpectRefused(Bytes(file.begin(), file.begin() + 10), "gif");
  ExpectRefused(WriteGif(60000, 60000, 0, 0, 1, 1, false, -1), "gif", "too large");
}

// ---------------------------------------------------------------- BMP and ICO

// A DIB: info header of `headerSize` bytes (12, 40 or 124), then `extra`
// (masks, colour table), then the pixel rows `bits`.
Bytes Dib(uint32_t headerSize, int32_t w, int32_t h, int bpp, uint32_t compression, const Bytes& extra,
          const Bytes& bits, const std::array<uint32_t, 3>& masks = {}) {
  Bytes b;
  Put32(b, headerSize);
  if (headerSize == 12) {
    Put16(b, w), Put16(b, h), Put16(b, 1), Put16(b, bpp);
  } else {
    Put32(b, w), Put32(b, h), Put16(b, 1), Put16(b, bpp), Put32(b, compression);
    Put32(b, static_cast<uint32_t>(bits.size()));
    b.resize(headerSize);
    for (int i = 0; i < 3 && headerSize > 40; ++i) std::memcpy(&b[40 + 4 * i], &masks[i], 4);  // little-endian host
  }
  b.insert(b.end(), extra.begin(), extra.end());
  b.insert(b.end(), bits.begin(), bits.end());
  return b;
}

Bytes BmpFile(const Bytes& dib, size_t bitsSize) {
  Bytes b = {'B', 'M'};
  Put32(b, static_cast<uint32_t>(14 + dib.size()));
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(14 + dib.size() - bitsSize));
  b.insert(b.end(), dib.begin(), dib.end());
  return b;
}

// Rows of `bpp`-bit values, padded to 4 bytes, bottom row first unless
// `topDown`; 16- and 32-bit values go out little-endian.
Bytes Rows(int w, int h, int bpp, const std::function<uint32_t(int, int)>& value, bool topDown = false) {
  const int stride = (w * bpp + 31) / 32 * 4;
  Bytes out(static_cast<size_t>(stride) * h);
  for (int r = 0; r < h; ++r) {
    const int y = topDown ? r : h - 1 - r;
    for (int x = 0; x < w; ++x) {
      const uint32_t v = value(x, y);
      uint8_t* row = &out[static_cast<size_t>(r) * stride];
      if (bpp < 8) row[x * bpp / 8] |= uint8_t(v << (8 - bpp - x * bpp % 8));
      for (int i = 0; i < bpp / 8; ++i) row[x * bpp / 8 + i] = uint8_t(v >> 8 * i);
    }
  }
  return out;
}

Rgb PaletteColour(int i) { return {Sample(i, 9, 0), Sample(i, 8, 1), Sample(i, 7, 2)}; }
Bytes Palette(int n, int entrySize = 4) {
  Bytes b;
  for (int i = 0; i < n; ++i) {
    const Rgb c = PaletteColour(i);
    b.insert(b.end(), {uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)});
    if (entrySize == 4) b.push_back(0);
  }
  return b;
}

TEST(DecodeBmp, EveryDepthAndHeader) {
  const int w = 19, h = 7;
  auto index = [](int bpp) { return [bpp](int x, int y) { return uint32_t(Sample(x, y, 0) >> (8 - bpp)); }; };
  for (const int bpp : {1, 4, 8}) {
    SCOPED_TRACE(bpp);
    const Bytes bits = Rows(w, h, bpp, index(bpp));
    const Pixels expected = [&](int x, int y) { return PaletteColour(index(bpp)(x, y)); };
    ExpectPixels(Decode(BmpFile(Dib(40, w, h, bpp, 0, Palette(1 << bpp), bits), bits.size()), "bmp"), w, h, expected);
    ExpectPixels(Decode(BmpFile(Dib(12, w, h, bpp, 0, Palette(1 << bpp, 3), bits), bits.size()), "bmp"), w, h,
                 expected);
  }
  auto rgb = [](int x, int y) { return Rgb{Sample(x, y, 0), Sample(x, y, 1), Sample(x, y, 2)}; };
  auto packed = [&](int x, int y) { return uint32_t(rgb(x, y).b | rgb(x, y).g << 8 | rgb(x, y).r << 16); };
  for (const bool topDown : {false, true}) {
    const Bytes bits = Rows(w, h, 24, packed, topDown);
    ExpectPixels(Decode(BmpFile(Dib(40, w, topDown ? -h : h, 24, 0, {}, bits), bits.size()), "bmp"), w, h, rgb);
  }
  // The fourth byte of a 32-bit pixel is ignored, as GDI ignores it.
  const Bytes bits32 = Rows(w, h, 32, [&](int x, int y) { return packed(x, y) | uint32_t(x * 40) << 24; });
  ExpectPixels(Decode(BmpFile(Dib(40, w, h, 32, 0, {}, bits32), bits32.size()), "bmp"), w, h, rgb);

  // 5-6-5 masks in a V5 header, and 5-5-5 masks after a plain header; each
  // field scaled to 0..255 as v × 255 / max, rounded.
  auto field = [](int x, int y, int c, int max) { return Sample(x, y, c) % (max + 1); };
  auto scaled = [&](int max) {
    return [=](int x, int y) {
      auto s = [&](int c, int m) { return (field(x, y, c, m) * 255 + m / 2) / m; };
      return Rgb{s(0, 31), s(1, max), s(2, 31)};
    };
  };
  const Bytes bits565 = Rows(w, h, 16, [&](int x, int y) {
    return uint32_t(field(x, y, 0, 31) << 11 | field(x, y, 1, 63) << 5 | field(x, y, 2, 31));
  });
  ExpectPixels(Decode(BmpFile(Dib(124, w, h, 16, 3, {}, bits565, {0xF800, 0x07E0, 0x001F}), bits565.size()), "bmp"),
               w, h, scaled(63));
  const Bytes bits555 = Rows(w, h, 16, [&](int x, int y) {
    return uint32_t(field(x, y, 0, 31) << 10 | field(x, y, 1, 31) << 5 | field(x, y, 2, 31));
  });
  Bytes masks;
  for (uint32_t m : {0x7C00u, 0x03E0u, 0x001Fu}) Put32(masks, m);
  ExpectPixels(Decode(BmpFile(Dib(40, w, h, 16, 3, masks, bits555), bits555.size()), "bmp"), w, h, scaled(31));
}

TEST(DecodeBmp, RunLengthEncodedPixels) {
  // Bottom row: a run of 5 × index 1. Next: absolute 3 pixels (2, 3, 1)
  // with its pad byte, then 2 × index 2. Top row: a jump of 2 right (the
  // skipped pixels stay white), then 3 × index 3, and the end.
  const Bytes rle8 = {5, 1, 0, 0, 0, 3, 2, 3, 1, 0, 2, 2, 0, 0, 0, 2, 2, 0, 3, 3, 0, 1};
  const Rgb white{255, 255, 255};
  const std::vector<std::vector<Rgb>> rows8 = {
      {white, white, PaletteColour(3), PaletteColour(3), PaletteColour(3)},
      {PaletteColour(2), PaletteColour(3), PaletteColour(1), PaletteColour(2), PaletteColour(2)},
      std::vector<Rgb>(5, PaletteColour(1))};
  ExpectPixels(Decode(BmpFile(Dib(40, 5, 3, 8, 1, Palette(256), rle8), rle8.size()), "bmp"), 5, 3,
               [&](int x, int y) { return rows8[y][x]; });
  // 4-bit: a run of 5 alternating 1 and 2, an absolute run (3, 4, 5), the end.
  const Bytes rle4 = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1};
  const std::vector<std::vector<int>> rows4 = {{3, 4, 5, -1, -1}, {1, 2, 1, 2, 1}};
  ExpectPixels(Decode(BmpFile(Dib(40, 5, 2, 4, 2, Palette(16), rle4), rle4.size()), "bmp"), 5, 2,
               [&](int x, int y) { return rows4[y][x] < 0 ? white : PaletteColour(rows4[y][x]); });
}

TEST(DecodeBmp, DamagedFilesAreRefused) {
  const Bytes bits(64, 0);
  ExpectRefused(BmpFile(Dib(40, -4, 4, 24, 0, {}, bits), bits.size()), "bmp");
  ExpectRefused(BmpFile(Dib(40, 4, INT32_MIN, 24, 0, {}, bits), bits.size()), "bmp");
  ExpectRefused(BmpFile(Dib(40, 4, 0, 24, 0, {}, bits), bits.size()), "bmp");
  ExpectRefused(BmpFile(Dib(40, 40000, 1'000'000'000, 8, 1, Palette(256), {0, 1}), 2), "bmp", "too large");
  ExpectRefused(BmpFile(Dib(40, 100, 100, 24, 0, {}, bits), bits.size()), "bmp", "truncated");
  ExpectRefused(BmpFile(Dib(40, 4, 4, 7, 0, {}, bits), bits.size()), "bmp", "bit count");
  ExpectRefused(BmpFile(Dib(40, 4, -4, 8, 1, Palette(256), bits), bits.size()), "bmp");
  ExpectRefused(BmpFile(Dib(20, 4, 4, 24, 0, {}, bits), bits.size()), "bmp", "header");
  ExpectRefused(Bytes{'B', 'M', 1, 2}, "bmp");
}

// An icon file of the given images (DIBs or PNG files).
Bytes Icon(const std::vector<Bytes>& images) {
  Bytes b;
  Put16(b, 0), Put16(b, 1), Put16(b, static_cast<uint32_t>(images.size()));
  size_t offset = 6 + 16 * images.size();
  for (const Bytes& image : images) {
    b.insert(b.end(), {0, 0, 0, 0});  // sizes are read from the images themselves
    Put16(b, 1), Put16(b, 32), Put32(b, static_cast<uint32_t>(image.size())), Put32(b, static_cast<uint32_t>(offset));
    offset += image.size();
  }
  for (const Bytes& image : images) b.insert(b.end(), image.begin(), image.end());
  return b;
}

TEST(DecodeIco, LargestImageWithMaskOrAlphaOverWhite) {
  auto rgb = [](int x, int y) { return Rgb{Sample(x, y, 0), Sample(x, y, 1), Sample(x, y, 2)}; };
  auto masked = [](int x, int y) { return (x + 2 * y) % 5 == 0; };
  // 24-bit 32 × 32 with an AND mask beats 8-bit 16 × 16: a masked pixel
  // shows white XOR its colour.
  Bytes colour = Rows(32, 32, 24, [&](int x, int y) { return uint32_t(rgb(x, y).b | rgb(x, y).g << 8 | rgb(x, y).r << 16); });
  const Bytes mask = Rows(32, 32, 1, [&](int x, int y) { return uint32_t(masked(x, y)); });
  colour.insert(colour.end(), mask.begin(), mask.end());
  const Bytes small = Dib(40, 16, 32, 8, 0, Palette(256), Bytes(16 * 16 + 16 * 4, 0));
  ExpectPixels(Decode(Icon({small, Dib(40, 32, 64, 24, 0, {}, colour)}), "ico"), 32, 32, [&](int x, int y) {
    const Rgb c = rgb(x, y);
    return masked(x, y) ? Rgb{255 - c.r, 255 - c.g, 255 - c.b} : c;
  });

  // 32-bit with alpha: blended, the mask ignored.
  auto alpha = [](int x, int y) { return Sample(y, x, 3); };
  Bytes argb = Rows(20, 20, 32, [&](int x, int y) {
    return uint32_t(rgb(x, y).b | rgb(x, y).g << 8 | rgb(x, y).r << 16 | alpha(x, y) << 24);
  });
  const Bytes fullMask = Rows(20, 20, 1, [](int, int) { return 1u; });
  argb.insert(argb.end(), fullMask.begin(), fullMask.end());
  const Pixels blended = [&](int x, int y) {
    const Rgb c = rgb(x, y);
    return Rgb{OnWhite(c.r, alpha(x, y)), OnWhite(c.g, alpha(x, y)), OnWhite(c.b, alpha(x, y))};
  };
  ExpectPixels(Decode(Icon({Dib(40, 20, 40, 32, 0, {}, argb), small}), "ico"), 20, 20, blended);

  // A PNG image, larger than the DIB beside it.
  const Bytes png = WritePng(24, 24, 6, 8, false, [&](int x, int y, int c) {
    return c == 3 ? alpha(x, y) : c == 0 ? rgb(x, y).r : c == 1 ? rgb(x, y).g : rgb(x, y).b;
  });
  ExpectPixels(Decode(Icon({small, png}), "ico"), 24, 24, blended);

  ExpectRefused(Bytes{0, 0, 1, 0, 0, 0}, "ico");
  ExpectRefused(Icon({Bytes(8, 0)}), "ico");
  // A PNG image claiming 0xE60019FF × 0xE60019FF (found by fuzzing: its area
  // overflowed while the largest image was chosen).
  const Bytes huge = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0xE6, 0x00, 0x19, 0xFF, 0xE6, 0x00, 0x19, 0xFF};
  ExpectRefused(Icon({small, huge}), "ico");
}

// ---------------------------------------------------------------- JPEG

Bytes WriteJpeg(int w, int h, J_COLOR_SPACE space, int components, const std::function<int(int, int, int)>& value) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  Bytes row(static_cast<size_t>(w) * components);
  for (int y = 0; y < h; ++y) {
    for (int i = 0; i < w * components; ++i) row[i] = uint8_t(value(i / components, y, i % components));
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&cinfo, &pointer, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

TEST(DecodeJpeg, ColourGreyAndInvertedCmykWithinTolerance) {
  const int w = 48, h = 32;
  // Smooth colours, which survive quality 95 and 4:2:0 chroma closely.
  auto smooth = [](int x, int y, int c) { return c == 0 ? 30 + 4 * x : c == 1 ? 40 + 5 * y : 200 - 2 * x - y; };
  const Pixels expected = [&](int x, int y) { return Rgb{smooth(x, y, 0), smooth(x, y, 1), smooth(x, y, 2)}; };
  ExpectPixels(Decode(WriteJpeg(w, h, JCS_RGB, 3, smooth), "JPG"), w, h, expected, 6);
  ExpectPixels(Decode(WriteJpeg(w, h, JCS_GRAYSCALE, 1, smooth), "jpeg"), w, h,
               [&](int x, int y) { return Rgb{smooth(x, y, 0), smooth(x, y, 0), smooth(x, y, 0)}; }, 3);
  // Adobe CMYK stores 255 for no ink: here C, M, Y carry R, G, B and K is none.
  ExpectPixels(Decode(WriteJpeg(w, h, JCS_CMYK, 4, [&](int x, int y, int c) { return c == 3 ? 255 : smooth(x, y, c); }),
                      "jpg"),
               w, h, expected, 6);
}

TEST(DecodeJpeg, TruncatedAndUnsupportedFilesAreRefused) {
  const Bytes file = WriteJpeg(64, 64, JCS_RGB, 3, [](int x, int y, int c) { return Sample(x, y, c); });
  ExpectRefused(Bytes(file.begin(), file.begin() + file.size() / 2), "jpg", "ends inside");
  ExpectRefused(Bytes(file.begin(), file.begin() + 100), "jpg");
  // Only the end marker missing: every pixel is there, so it shows.
  EXPECT_EQ(Decode(Bytes(file.begin(), file.end() - 2), "jpg").width, 64);
  // SOF1 with 12-bit samples, then a scan header.
  const Bytes twelveBit = {0xFF, 0xD8, 0xFF, 0xC1, 0, 11, 12, 0, 8, 0, 8, 1, 1, 0x11, 0,
                           0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0, 0, 0xFF, 0xD9};
  ExpectRefused(twelveBit, "jpg", "precision");
}

// ---------------------------------------------------------------- container

TEST(PictureFormats, ChoosesByExtensionAnyCaseLaterRegistrationWins) {
  PictureFormats formats;
  RegisterBuiltInFormats(formats);
  for (const char* known : {"bmp", "ico", "jpg", "jpeg", "gif", "png", "PNG", ".Jpg"}) EXPECT_TRUE(formats.Knows(known));
  EXPECT_FALSE(formats.Knows("wmf"));
  try {
    formats.Decode({1, 2, 3}, "XYZ");
    ADD_FAILURE();
  } catch (const PictureError& e) {
    EXPECT_STREQ(e.what(), "no decoder for .xyz");
  }
  const Bytes png = WritePng(3, 2, 2, 8, false, [](int, int, int) { return 7; });
  EXPECT_EQ(formats.Decode(png, "Png").width, 3);
  formats.Register("PNG", [](const Bytes&) {
    Bitmap24 one;
    one.Resize(1, 1);
    return one;
  });
  EXPECT_EQ(formats.Decode(png, "png").width, 1);
  formats.Register("spi", [](const Bytes&) -> Bitmap24 { throw std::runtime_error("plug-in failed"); });
  EXPECT_THROW(formats.Decode(png, "spi"), PictureError);
}

// The public corpora: valid PngSuite files decode, its x* files are
// refused; fuzzing seeds and the GIF suite's files never crash.
TEST(PictureCorpora, DecodeOrRefuseWithoutCrashing) {
  namespace fs = std::filesystem;
  const fs::path root = LUMORA_CORPORA;
  if (!fs::exists(root)) {
    if (std::getenv("CI")) FAIL() << "no corpora at " << root;
    GTEST_SKIP() << "SKIPPED (LOUDLY): no corpora at " << root << "; the corpus checks did not run";
  }
  auto read = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  };
  int decoded = 0, refused = 0;
  // No file may keep a decoder busy: 5 s each is a hang, not slowness (the
  // largest of them decodes in milliseconds, sanitizers included).
  auto attempt = [&](const fs::path& path, const char* extension) {
    const auto start = std::chrono::steady_clock::now();
    struct Bound {
      const fs::path& path;
      std::chrono::steady_clock::time_point start;
      ~Bound() { EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << path; }
    } bound{path, start};
    try {
      const Bitmap24 picture = Decode(read(path), extension);
      ++decoded;
      return picture.width > 0 && picture.height > 0;
    } catch (const PictureError&) {
      ++refused;
      return false;
    }
  };
  for (const auto& entry : fs::directory_iterator(root / "pngsuite")) {
    if (entry.path().extension() != ".png") continue;
    const bool valid = entry.path().filename().string()[0] != 'x';
    EXPECT_EQ(attempt(entry.path(), "png"), valid) << entry.path();
  }
  for (const auto& entry : fs::directory_iterator(root / "gif-suite")) {
    if (entry.path().extension() == ".gif") attempt(entry.path(), "gif");
  }
  const std::map<std::string, const char*> seeds = {{"png", "png"}, {"gif", "gif"}, {"jpeg", "jpg"}, {"bmp", "bmp"}};
  for (const auto& [folder, extension] : seeds) {
    for (const auto& entry : fs::directory_iterator(root / "fuzz" / folder)) attempt(entry.path(), extension);
  }
  EXPECT_GT(decoded, 150);
  EXPECT_GT(refused, 10);
}

// The GIF suite's expected first frames (8-bit RGBA, here over white). Its
// frames that join several images shown at once are left out: only the
// first image of a file is shown here.
TEST(PictureCorpora, GifSuiteFirstFrames) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(LUMORA_CORPORA) / "gif-suite";
  if (!fs::exists(root)) {
    if (std::getenv("CI")) FAIL() << "no GIF suite at " << root;
    GTEST_SKIP() << "SKIPPED (LOUDLY): no GIF suite at " << root << "; the first frames were not compared";
  }
  auto read = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  };
  const std::set<std::string> joined = {"images-combine", "images-overlap", "high-color", "dispose-restore-previous"};
  std::ifstream list(root / "TESTS");
  int compared = 0;
  for (std::string name; std::getline(list, name);) {
    if (name.empty() || joined.count(name)) continue;
    std::map<std::string, std::string> conf;  // "section.key" -> value
    std::ifstream in(root / (name + ".conf"));
    std::string section;
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("[")) section = line.substr(1, line.find(']') - 1);
      const size_t eq = line.find(" = ");
      if (eq != std::string::npos && line[0] != '#') conf[section + "." + line.substr(0, eq)] = line.substr(eq + 3);
    }
    const std::string pixels = conf["frame0.pixels"];
    if (pixels.empty()) continue;  // no frame expected, or given as PNG
    SCOPED_TRACE(name);
    const int w = std::stoi(conf["config.width"]), h = std::stoi(conf["config.height"]);
    Bitmap24 picture;
    try {
      picture = Decode(read(root / conf["config.input"]), "gif");
    } catch (const PictureError& e) {
      // Refusing is allowed for a screen over the budget or images without
      // pixels; nothing else.
      EXPECT_TRUE(int64_t{w} * h > kMaxPicturePixels || name.starts_with("image-zero") || name == "max-codes") << e.what();
      continue;
    }
    const Bytes rgba = read(root / pixels);
    ASSERT_EQ(rgba.size(), size_t(w) * h * 4);
    ExpectPixels(picture, w, h, [&](int x, int y) {
      const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
      return Rgb{OnWhite(p[0], p[3]), OnWhite(p[1], p[3]), OnWhite(p[2], p[3])};
    });
    ++compared;
  }
  EXPECT_GT(compared, 60);
}

}  // namespace
}  // namespace lumora
