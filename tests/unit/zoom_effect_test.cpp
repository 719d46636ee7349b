#include "saver/zoom_effect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(ZoomSourceRect, CentralPartOfLandscapeAndPortraitPictures) {
  EXPECT_EQ(ZoomSourceRect({4000, 3000}, 0), (Rect{0, 0, 4000, 3000}));
  EXPECT_EQ(ZoomSourceRect({4000, 3000}, 50), (Rect{1000, 750, 3000, 2250}));
  EXPECT_EQ(ZoomSourceRect({4000, 3000}, 92), (Rect{1840, 1380, 2160, 1620}));
  EXPECT_EQ(ZoomSourceRect({3000, 4000}, 92), (Rect{1380, 1840, 1620, 2160}));
  // Odd sizes: the edges come from the unrounded width and height.
  // w′ = 80.08, h′ = 60.08…, left 460.46 → 460, top 345.46… → 345.
  EXPECT_EQ(ZoomSourceRect({1001, 751}, 92), (Rect{460, 345, 540, 405}));
  // Ties go to the even neighbour: w′ = 5, left 2.5 → 2.
  EXPECT_EQ(ZoomSourceRect({10, 10}, 50), (Rect{2, 2, 7, 7}));
}

TEST(ZoomSourceRect, ValuesOutsideZeroTo99AreRefusedWithTheProgramsText) {
  EXPECT_NO_THROW(ZoomSourceRect({100, 100}, 99));
  try {
    ZoomSourceRect({100, 100}, 100);
    FAIL() << "no error for 100";
  } catch (const ZoomRangeError& error) {
    EXPECT_STREQ(error.what(), "Value 100 out of range. Value must bee between 0 -> 99");
  }
  EXPECT_THROW(ZoomSourceRect({100, 100}, -1), ZoomRangeError);
}

TEST(ZoomApplies, OnlyThreeLetterJpgExtensionsInAnyCase) {
  EXPECT_TRUE(ZoomApplies(true, false, "C:\\p\\a.JPG"));
  EXPECT_TRUE(ZoomApplies(true, false, "C:\\p\\a.jpg"));
  EXPECT_TRUE(ZoomApplies(true, false, "C:\\p\\a.JpG"));
  EXPECT_FALSE(ZoomApplies(true, false, "C:\\p\\a.jpeg"));
  EXPECT_FALSE(ZoomApplies(true, false, "C:\\p\\a.png"));
  EXPECT_FALSE(ZoomApplies(true, false, "C:\\p.jpg\\a"));
  EXPECT_FALSE(ZoomApplies(false, false, "C:\\p\\a.jpg"));
  EXPECT_FALSE(ZoomApplies(true, true, "C:\\p\\a.jpg"));
  EXPECT_TRUE(ZoomFromTemporaryBitmap(true, 1));
  for (int o : {0, 1, 5}) EXPECT_FALSE(ZoomFromTemporaryBitmap(false, o)) << o;
  for (int o : {2, 3, 4, 6, 7, 8}) EXPECT_TRUE(ZoomFromTemporaryBitmap(false, o)) << o;
}

// Records the course of the effect.
class RecordingHost : public ZoomHost {
 public:
  std::vector<std::string> calls;
  std::vector<int32_t> zooms;
  int32_t sleptMs = 0, sleptAfterShowMs = 0;
  bool shown = false;
  int closeAfterZooms = -1;  // Closing() turns true after this many zoom steps
  bool failLoad = false;

  void MoveWindow(const Rect& r) override {
    calls.push_back("move " + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.Width()) +
                    "," + std::to_string(r.Height()));
  }
  void Activate() override { calls.push_back("activate"); }
  void Load(bool fromTemporaryBitmap) override {
    calls.push_back(fromTemporaryBitmap ? "load temporary" : "load file");
    if (failLoad) throw std::runtime_error("cannot render");
  }
  void SetZoom(int32_t zoom) override { zooms.push_back(zoom); }
  void Run() override { calls.push_back("run"); }
  void ShowWindow() override {
    calls.push_back("show");
    shown = true;
  }
  void Sleep(int32_t ms) override {
    sleptMs += ms;
    if (shown) sleptAfterShowMs += ms;
  }
  void YieldToMessages() override {}
  bool Closing() override { return closeAfterZooms >= 0 && static_cast<int>(zooms.size()) > closeAfterZooms; }
};

TEST(ShowZoomEffect, HoldsTheCloseUpThenWidensIn1240MsOfSteps) {
  RecordingHost host;
  ShowZoomEffect(host, {100, 50, 500, 350}, false, 3);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"move 100,50,400,300", "activate", "load file", "run", "show"}));
  ASSERT_EQ(host.zooms.size(), 1u + 93u + 1u);  // the close-up, 92 … 0, and 0 again
  EXPECT_EQ(host.zooms.front(), 92);
  EXPECT_EQ(host.zooms[1], 92);
  EXPECT_EQ(host.zooms[93], 0);
  EXPECT_EQ(host.zooms.back(), 0);
  // 100 ms before showing, 3 × 200 ms of close-up, then the steps:
  // 22 × 45 + 10 × 20 + 10 × 5 = 1240 ms.
  EXPECT_EQ(host.sleptAfterShowMs, 600 + 1240);
  EXPECT_EQ(host.sleptMs, 100 + 600 + 1240);
}

TEST(ShowZoomEffect, ClosingCutsTheStepsShortAndAFailedLoadEndsTheEffect) {
  RecordingHost closing;
  closing.closeAfterZooms = 10;
  ShowZoomEffect(closing, {0, 0, 10, 10}, true, 1);
  EXPECT_EQ(closing.zooms.size(), 11u);
  EXPECT_EQ(closing.zooms.back(), 83);  // not reset to 0
  EXPECT_EQ(closing.calls[2], "load temporary");

  RecordingHost broken;
  broken.failLoad = true;
  ShowZoomEffect(broken, {0, 0, 10, 10}, false, 1);
  EXPECT_FALSE(broken.shown);
  EXPECT_TRUE(broken.zooms.empty());
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

// A picture whose central eighth is red and the rest blue.
Bitmap24 Target(int32_t w, int32_t h) {
  Bitmap24 picture;
  picture.Resize(w, h, 255, 0, 0);
  for (int32_t y = h * 7 / 16; y < h * 9 / 16; ++y) {
    for (int32_t x = w * 7 / 16; x < w * 9 / 16; ++x) {
      uint8_t* p = picture.Row(y) + x * 3;
      p[0] = 0;
      p[2] = 255;
    }
  }
  return picture;
}

int CountColour(const Bitmap24& bitmap, uint8_t b, uint8_t g, uint8_t r) {
  int n = 0;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    for (int32_t x = 0; x < bitmap.width; ++x) {
      const uint8_t* p = bitmap.Row(y) + x * 3;
      n += p[0] == b && p[1] == g && p[2] == r;
    }
  }
  return n;
}

TEST(ZoomPicture, CloseUpFillsTheLetterboxWithTheCentreAndZeroShowsTheWhole) {
  const ZoomPicture picture(Target(4000, 3000));
  Bitmap24 window;
  window.Resize(500, 300);
  // A 4:3 picture in a 5:3 window: 400 × 300 in the middle, black bars.
  EXPECT_EQ(ZoomPicture::Letterbox(ZoomSourceRect(picture.PictureSize(), 92), {500, 300}), (Rect{50, 0, 450, 300}));
  picture.Render(ZoomSourceRect(picture.PictureSize(), 92), window.View());
  EXPECT_EQ(CountColour(window, 0, 0, 255), 400 * 300);
  EXPECT_EQ(CountColour(window, 0, 0, 0), 100 * 300);
  picture.Render(ZoomSourceRect(picture.PictureSize(), 0), window.View());
  const int red = CountColour(window, 0, 0, 255);
  EXPECT_GT(red, 400 * 300 / 64 * 8 / 10);  // about 1/64 of the picture
  EXPECT_LT(red, 400 * 300 / 64 * 12 / 10);
  EXPECT_GT(CountColour(window, 255, 0, 0) + red, 400 * 300 * 95 / 100);
  // Rendering a part of the window gives the same pixels as the whole.
  Bitmap24 part;
  part.Resize(100, 60);
  picture.Render(ZoomSourceRect(picture.PictureSize(), 40), {500, 300}, {230, 120, 330, 180}, part.View());
  picture.Render(ZoomSourceRect(picture.PictureSize(), 40), window.View());
  for (int32_t y = 0; y < 60; ++y) {
    ASSERT_EQ(std::memcmp(part.Row(y), window.Row(120 + y) + 230 * 3, 300), 0) << y;
  }
}

TEST(ZoomPicture, OneToOneRendersThePictureUnchanged) {
  Bitmap24 source;
  source.Resize(37, 23);
  for (size_t i = 0; i < source.bits.size(); ++i) source.bits[i] = static_cast<uint8_t>(i * 7919 % 251);
  for (int32_t y = 0; y < source.height; ++y) std::memset(source.Row(y) + 37 * 3, 0, source.Stride() - 37 * 3);
  const ZoomPicture picture(source);
  Bitmap24 window;
  window.Resize(37, 23);
  picture.Render({0, 0, 37, 23}, window.View());
  EXPECT_EQ(window.bits, source.bits);
}

}  // namespace
}  // namespace lumora
