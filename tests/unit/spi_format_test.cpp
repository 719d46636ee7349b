#include "imaging/spi_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/bitmap24.h"
#include "imaging/decoders.h"

namespace lumora {
namespace {

TEST(SpiFilters, PatternsAndTheirExtensions) {
  EXPECT_EQ(FilterPatterns("*.jpg;*.jpeg;*.jpe"), (std::vector<std::string>{"*.jpg", "*.jpeg", "*.jpe"}));
  EXPECT_EQ(PatternExtension("*.jpg"), "jpg");
  EXPECT_EQ(PatternExtension("*.*"), "*");
  EXPECT_EQ(PatternExtension("*.tar.gz"), "tar.gz");
  EXPECT_EQ(PatternExtension("README"), "README");
}

TEST(SpiFilters, CandidatesDeclaringTheExtensionComeFirstNewestFirst) {
  // P1 declares nothing for ".PIC"; P2 declares it in lower case as its
  // second pattern; P3 declares it too and was loaded last.
  const std::vector<std::vector<std::string>> p1p2 = {{"*.abc"}, {"*.xyz;*.pic"}};
  EXPECT_EQ(ListCandidates(p1p2, "C:\\pictures\\A.PIC"), (std::vector<size_t>{1, 0}));
  const std::vector<std::vector<std::string>> three = {{"*.abc"}, {"*.xyz;*.pic"}, {"*.PIC"}};
  EXPECT_EQ(ListCandidates(three, "C:\\a.pic"), (std::vector<size_t>{2, 1, 0}));
  // No extension, or a dot only in a folder: every plug-in in load order.
  EXPECT_EQ(ListCandidates(three, "C:\\pic.d\\file"), (std::vector<size_t>{0, 1, 2}));
  // "*.*" declares the extension "*", not every extension.
  EXPECT_EQ(ListCandidates({{"*.*"}, {"*.pic"}}, "a.pic"), (std::vector<size_t>{1, 0}));
}

TEST(SpiDib, HeaderAndImageSizes) {
  EXPECT_EQ(PaletteColours(24, 0), 0u);  // true colour: no palette
  EXPECT_EQ(DibHeaderSize(PaletteColours(24, 0)), 40u);
  EXPECT_EQ(PaletteColours(4, 0), 16u);
  EXPECT_EQ(DibHeaderSize(16), 104u);
  EXPECT_EQ(PaletteColours(8, 0), 256u);
  EXPECT_EQ(PaletteColours(8, 12), 12u);
  EXPECT_EQ(PaletteColours(1, 0), 2u);
  EXPECT_EQ(DibImageSize(24, 3, -2), 24u);  // 9 bytes padded to 12, two rows
  EXPECT_EQ(DibImageSize(4, 5, 3), 12u);    // 20 bits padded to 4 bytes
  EXPECT_EQ(PluginProgressPercent(0, 100), 2);
  EXPECT_EQ(PluginProgressPercent(100, 100), 99);
  EXPECT_EQ(PluginProgressPercent(1, 2), 50);  // 48.5 → 48 (ties to even), + 2
}

std::vector<uint8_t> Header(int32_t w, int32_t h, uint16_t bits, uint32_t colours, uint32_t size = 40) {
  std::vector<uint8_t> info(size + 4 * colours, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(info.data() + at, &v, 4); };
  put32(0, size);
  put32(4, static_cast<uint32_t>(w));
  put32(8, static_cast<uint32_t>(h));
  info[12] = 1;
  std::memcpy(info.data() + 14, &bits, 2);
  return info;
}

TEST(SpiDib, SavedBmpKeepsTheHeaderPaletteAndRowsAndRefusesShortPixels) {
  // A 4-bit 2 × 2 picture: palette entry 1 is pure red.
  std::vector<uint8_t> info = Header(2, 2, 4, 16);
  info[40 + 4 + 2] = 255;
  const std::vector<uint8_t> bits = {0x11, 0, 0, 0, 0x10, 0, 0, 0};
  const std::vector<uint8_t> bmp = EncodeDibAsBmp(info, bits);
  ASSERT_EQ(bmp.size(), 14u + 104u + 8u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[10], 14 + 104);
  const Bitmap24 picture = DecodeBmp(bmp);
  ASSERT_EQ(picture.width, 2);
  EXPECT_EQ(picture.Row(0)[2], 255);  // top row (stored last) left: red
  EXPECT_EQ(picture.Row(0)[5], 0);    // top row right: black
  EXPECT_EQ(picture.Row(1)[5], 255);

  // Rows shorter than the header claims are refused, not read past.
  EXPECT_THROW(EncodeDibAsBmp(Header(1000, 1000, 24, 0), std::vector<uint8_t>(100)), PictureError);
  // A V5 header with masks is kept as it is.
  std::vector<uint8_t> v5 = Header(1, 1, 32, 0, 124);
  v5[16] = 3;  // BI_BITFIELDS: the masks sit inside the V5 header
  const uint32_t masks[] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  std::memcpy(v5.data() + 40, masks, sizeof masks);
  const std::vector<uint8_t> pixel = {10, 20, 30, 0};
  EXPECT_EQ(EncodeDibAsBmp(v5, pixel).size(), 14u + 124u + 4u);
  EXPECT_THROW(EncodeDibAsBmp(Header(1, 1, 24, 0, 20), pixel), PictureError);  // no DIB header
}

}  // namespace
}  // namespace lumora
