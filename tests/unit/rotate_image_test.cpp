#include "saver/rotate_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lumora {
namespace {

// Fill colour 0x00BBGGRR; its red byte never occurs in the test pictures.
constexpr uint32_t kFill = 0x0012F034;

// Each pixel tells where it came from: blue and green are x and y, red the
// high bits of both.
Bitmap24 Picture(int32_t width, int32_t height) {
  Bitmap24 picture;
  picture.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = picture.Row(y) + x * 3;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(((x >> 8) << 4) | (y >> 8));
    }
  }
  return picture;
}

// A pixel as 0x00BBGGRR, comparable with kFill.
uint32_t Px(const Bitmap24& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.Row(y) + x * 3;
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

TEST(RotateImage, WholeTurnsKeepThePicture) {
  const Bitmap24 picture = Picture(5, 3);  // rows padded
  for (double angle : {0.0, 360.0, -360.0, 720.0, -0.0}) {
    const Bitmap24 turned = TRotateImage::Rotate(picture, kFill, angle);
    EXPECT_EQ(turned.width, 5) << angle;
    EXPECT_EQ(turned.height, 3) << angle;
    EXPECT_EQ(turned.bits, picture.bits) << angle;
  }
}

TEST(RotateImage, QuarterTurnsMoveEveryPixelExactly) {
  const Bitmap24 picture = Picture(4, 2);
  // Counter-clockwise: the top row becomes the left column, right end on top.
  const Bitmap24 quarter = TRotateImage::Rotate(picture, kFill, 90);
  ASSERT_EQ(quarter.width, 2);
  ASSERT_EQ(quarter.height, 4);
  const Bitmap24 half = TRotateImage::Rotate(picture, kFill, 180);
  ASSERT_EQ(half.width, 4);
  ASSERT_EQ(half.height, 2);
  const Bitmap24 threeQuarters = TRotateImage::Rotate(picture, kFill, 270);
  ASSERT_EQ(threeQuarters.width, 2);
  ASSERT_EQ(threeQuarters.height, 4);
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Px(quarter, 0, i), Px(picture, 3 - i, 0));
    EXPECT_EQ(Px(quarter, 1, i), Px(picture, 3 - i, 1));
    EXPECT_EQ(Px(half, i, 0), Px(picture, 3 - i, 1));
    EXPECT_EQ(Px(half, i, 1), Px(picture, 3 - i, 0));
    EXPECT_EQ(Px(threeQuarters, 1, i), Px(picture, i, 0));
    EXPECT_EQ(Px(threeQuarters, 0, i), Px(picture, i, 1));
  }
  EXPECT_EQ(TRotateImage::Rotate(picture, kFill, 450).bits, quarter.bits);
  EXPECT_EQ(TRotateImage::Rotate(picture, kFill, -90).bits, threeQuarters.bits);
}

TEST(RotateImage, QuarterTurnsOverSeveralBlocksComposeExactly) {
  const Bitmap24 picture = Picture(131, 77);
  Bitmap24 turned = picture;
  for (int i = 0; i < 4; ++i) {
    turned = TRotateImage::Rotate(turned, kFill, 90);
    if (i == 1) {
      EXPECT_EQ(turned.bits, TRotateImage::Rotate(picture, kFill, 180).bits);
    }
  }
  EXPECT_EQ(turned.bits, picture.bits);
  EXPECT_EQ(TRotateImage::Rotate(TRotateImage::Rotate(picture, kFill, 270), kFill, 90).bits, picture.bits);
}

TEST(RotateImage, FortyFiveDegreesFillsTheCornersAndKeepsTheCentre) {
  const Bitmap24 picture = Picture(100, 100);
  const Bitmap24 turned = TRotateImage::Rotate(picture, kFill, 45);
  ASSERT_EQ(turned.width, 141);
  ASSERT_EQ(turned.height, 141);
  EXPECT_EQ(Px(turned, 0, 0), kFill);
  EXPECT_EQ(Px(turned, 140, 0), kFill);
  EXPECT_EQ(Px(turned, 0, 140), kFill);
  EXPECT_EQ(Px(turned, 140, 140), kFill);
  EXPECT_EQ(Px(turned, 70, 70), Px(picture, 50, 50));
  // The picture's corners are the tips of the diamond: top-right on top.
  EXPECT_EQ(Px(turned, 69, 0), Px(picture, 99, 0));
  EXPECT_EQ(Px(turned, 71, 0), kFill);
}

TEST(RotateImage, SizesAreTheBoundingBox) {
  EXPECT_EQ(TRotateImage::RotatedSize({6000, 4000}, 30), (Size{7196, 6464}));
  EXPECT_EQ(TRotateImage::RotatedSize({6000, 4000}, 120), (Size{6464, 7196}));
  EXPECT_EQ(TRotateImage::RotatedSize({6000, 4000}, -30), (Size{7196, 6464}));
  EXPECT_EQ(TRotateImage::RotatedSize({100, 100}, 45), (Size{141, 141}));
  EXPECT_EQ(TRotateImage::RotatedSize({6000, 4000}, 270), (Size{4000, 6000}));
  EXPECT_EQ(TRotateImage::UniqueSide({100, 50}), 114);
}

// Every pixel of an arbitrary turn against the mapping evaluated directly.
// Where a product lands within rounding error of a half (30 degrees has a
// sine of one half), either neighbour is as near, so that pixel is skipped.
TEST(RotateImage, ArbitraryAnglesTakeTheNearestSourcePixel) {
  const Bitmap24 picture = Picture(53, 31);
  const auto nearHalf = [](double v) { return std::fabs(std::fabs(v - std::floor(v)) - 0.5) < 1e-6; };
  for (double angle : {30.0, 37.0, 123.5, 200.0, 301.0, -15.0, 89.9}) {
    const Bitmap24 turned = TRotateImage::Rotate(picture, kFill, angle);
    ASSERT_EQ((Size{turned.width, turned.height}), TRotateImage::RotatedSize({53, 31}, angle));
    const double a = std::fmod(angle + 360, 360) * std::numbers::pi / 180;
    const double c = std::cos(a), s = std::sin(a);
    const int32_t scx = 53 / 2 - (c < 0 ? 1 : 0), scy = 31 / 2 - (s < 0 ? 1 : 0);
    int checked = 0;
    for (int32_t y = 0; y < turned.height; ++y) {
      for (int32_t x = 0; x < turned.width; ++x) {
        const double dx = x - turned.width / 2, dy = y - turned.height / 2;
        const double u = c * dx - s * dy, v = s * dx + c * dy;
        if (nearHalf(u) || nearHalf(v)) continue;
        const int32_t sx = scx + static_cast<int32_t>(std::nearbyint(u));
        const int32_t sy = scy + static_cast<int32_t>(std::nearbyint(v));
        const bool inside = sx >= 0 && sx < 53 && sy >= 0 && sy < 31;
        ASSERT_EQ(Px(turned, x, y), inside ? Px(picture, sx, sy) : kFill) << angle << " at " << x << ", " << y;
        ++checked;
      }
    }
    EXPECT_GT(checked, turned.width * turned.height * 9 / 10) << angle;
  }
}

// Storage left from a larger picture holds stale bytes, padding included.
TEST(RotateImage, TurningIntoAUsedBitmapGivesTheSameBytes) {
  const Bitmap24 picture = Picture(53, 31);
  for (double angle : {0.0, 90.0, 33.0}) {
    Bitmap24 reused = Picture(200, 150);
    TRotateImage::RotateInto(picture, kFill, angle, reused);
    EXPECT_EQ(reused.bits, TRotateImage::Rotate(picture, kFill, angle).bits) << angle;
  }
  Bitmap24 same = picture;
  TRotateImage::RotateInto(same, kFill, 90, same);
  EXPECT_EQ(same.bits, TRotateImage::Rotate(picture, kFill, 90).bits);
}

TEST(RotateImage, UniqueSizeKeepsOneSquareForEveryAngle) {
  const Bitmap24 picture = Picture(100, 50);
  TRotateImage control;
  control.SetColor(kFill);
  control.SetPicture(picture);
  ASSERT_EQ(control.RotatedBitmap().width, 114);
  ASSERT_EQ(control.RotatedBitmap().height, 114);
  EXPECT_EQ(Px(control.RotatedBitmap(), 0, 0), Px(picture, 0, 0));
  EXPECT_EQ(Px(control.RotatedBitmap(), 99, 49), Px(picture, 99, 49));
  EXPECT_EQ(Px(control.RotatedBitmap(), 100, 0), kFill);

  control.SetCenter(true);  // at ((114 - 100) / 2, (114 - 50) / 2)
  EXPECT_EQ(Px(control.RotatedBitmap(), 7, 32), Px(picture, 0, 0));
  EXPECT_EQ(Px(control.RotatedBitmap(), 106, 81), Px(picture, 99, 49));
  EXPECT_EQ(Px(control.RotatedBitmap(), 6, 32), kFill);

  control.SetAngle(73);
  const Bitmap24& square = control.RotatedBitmap();
  ASSERT_EQ(square.width, 114);
  ASSERT_EQ(square.height, 114);
  const Bitmap24 turned = TRotateImage::Rotate(picture, kFill, 73);
  const int32_t left = (114 - turned.width) / 2, top = (114 - turned.height) / 2;
  for (int32_t y = 0; y < 114; ++y) {
    for (int32_t x = 0; x < 114; ++x) {
      const bool inside = x >= left && x < left + turned.width && y >= top && y < top + turned.height;
      ASSERT_EQ(Px(square, x, y), inside ? Px(turned, x - left, y - top) : kFill) << x << ", " << y;
    }
  }
}

TEST(RotateImage, WithoutUniqueSizeTheTurnIsTheResult) {
  TRotateImage control;
  control.SetUniqueSize(false);
  control.SetColor(kFill);
  control.Assign(Picture(100, 50), 90);
  EXPECT_EQ(control.RotatedBitmap().bits, TRotateImage::Rotate(Picture(100, 50), kFill, 90).bits);
  control.SetAngle(10);
  EXPECT_EQ(control.RotatedBitmap().bits, TRotateImage::Rotate(Picture(100, 50), kFill, 10).bits);
  control.SetPicture(Bitmap24{});
  EXPECT_EQ(control.RotatedBitmap().width, 0);
  EXPECT_TRUE(control.RotatedBitmap().bits.empty());
}

TEST(RotateImage, AbortStopsATurnAndOnlyThatTurn) {
  const Bitmap24 picture = Picture(1000, 600);
  const auto rowTouched = [](const Bitmap24& turned, int32_t y) {
    for (int32_t x = 0; x < turned.width; ++x) {
      if (Px(turned, x, y) != kFill) return true;
    }
    return false;
  };

  int calls = 0;
  const Bitmap24 stopped = TRotateImage::Rotate(picture, kFill, 30, [&] {
    ++calls;
    TRotateImage::AbortRotation();
  });
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(TRotateImage::RotationAborted());
  // Filled from the bottom up to where it stopped.
  ASSERT_EQ(stopped.height, 1020);
  EXPECT_TRUE(rowTouched(stopped, stopped.height - 100));
  EXPECT_FALSE(rowTouched(stopped, stopped.height / 2));

  // A request raised between turns does not stop the next one.
  TRotateImage::AbortRotation();
  const Bitmap24 whole = TRotateImage::Rotate(picture, kFill, 30);
  EXPECT_FALSE(TRotateImage::RotationAborted());
  EXPECT_TRUE(rowTouched(whole, whole.height / 2));

  TRotateImage control;
  control.SetColor(kFill);
  control.OnBusy = [] { TRotateImage::AbortRotation(); };
  control.Assign(picture, 30);
  EXPECT_TRUE(TRotateImage::RotationAborted());
  EXPECT_FALSE(rowTouched(control.RotatedBitmap(), 500));
}

}  // namespace
}  // namespace lumora
