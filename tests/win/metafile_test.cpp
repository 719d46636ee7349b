// Windows and enhanced metafiles made with GDI, read back as pictures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "imaging/win/metafile.h"

namespace lumora::win {
namespace {

// Records a 100 × 50 (logical units) drawing: a red left half and a blue
// right half.
void DrawHalves(HDC dc) {
  HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = ::CreateSolidBrush(RGB(0, 0, 255));
  RECT left{0, 0, 50, 50}, right{50, 0, 100, 50};
  ::FillRect(dc, &left, red);
  ::FillRect(dc, &right, blue);
  ::DeleteObject(red);
  ::DeleteObject(blue);
}

bool Near(const Bitmap24& picture, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return std::abs(p[2] - r) < 40 && std::abs(p[1] - g) < 40 && std::abs(p[0] - b) < 40;
}

TEST(Metafiles, EnhancedAndPlaceableWindowsMetafilesPlayAtTheirSize) {
  // Enhanced: a frame of 100 × 50 pixels of the reference screen.
  HDC screen = ::GetDC(nullptr);
  const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX), dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  RECT frame{0, 0, static_cast<LONG>(100 * 2540 / dpiX), static_cast<LONG>(50 * 2540 / dpiY)};
  HDC recorder = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  ASSERT_TRUE(recorder);
  DrawHalves(recorder);
  HENHMETAFILE emf = ::CloseEnhMetaFile(recorder);
  std::vector<uint8_t> bytes(::GetEnhMetaFileBits(emf, 0, nullptr));
  ::GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
  ::DeleteEnhMetaFile(emf);
  const Bitmap24 enhanced = DecodeEnhancedMetafile(bytes);
  EXPECT_NEAR(enhanced.width, 100, 2);
  EXPECT_NEAR(enhanced.height, 50, 2);
  EXPECT_TRUE(Near(enhanced, 10, 25, 255, 0, 0));
  EXPECT_TRUE(Near(enhanced, enhanced.width - 10, 25, 0, 0, 255));

  // Placeable Windows metafile: 100 × 50 units at 96 units per inch.
  HDC old = ::CreateMetaFileW(nullptr);
  ASSERT_TRUE(old);
  ::SetWindowOrgEx(old, 0, 0, nullptr);
  ::SetWindowExtEx(old, 100, 50, nullptr);
  DrawHalves(old);
  HMETAFILE wmf = ::CloseMetaFile(old);
  std::vector<uint8_t> body(::GetMetaFileBitsEx(wmf, 0, nullptr));
  ::GetMetaFileBitsEx(wmf, static_cast<UINT>(body.size()), body.data());
  ::DeleteMetaFile(wmf);
  std::vector<uint8_t> placeable(22, 0);
  const uint32_t key = 0x9AC6CDD7u;
  const int16_t box[4] = {0, 0, 100, 50};
  const uint16_t unitsPerInch = static_cast<uint16_t>(dpiX);
  std::memcpy(placeable.data(), &key, 4);
  std::memcpy(placeable.data() + 6, box, 8);
  std::memcpy(placeable.data() + 14, &unitsPerInch, 2);
  placeable.insert(placeable.end(), body.begin(), body.end());
  const Bitmap24 windows = DecodeWindowsMetafile(placeable);
  EXPECT_EQ(windows.width, 100);
  EXPECT_NEAR(windows.height, 50 * dpiY / dpiX, 1);
  EXPECT_TRUE(Near(windows, 10, windows.height / 2, 255, 0, 0));
  EXPECT_TRUE(Near(windows, 90, windows.height / 2, 0, 0, 255));

  EXPECT_THROW(DecodeEnhancedMetafile({1, 2, 3, 4}), PictureError);
  EXPECT_THROW(DecodeWindowsMetafile({0xD7, 0xCD, 0xC6, 0x9A, 0, 0}), PictureError);
}

}  // namespace
}  // namespace lumora::win
