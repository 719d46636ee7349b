#include "saver/picture_step.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// A 400 × 300 picture whose top-left pixel is red, the rest grey.
Bitmap24 Marked() {
  Bitmap24 picture;
  picture.Resize(400, 300, 128, 128, 128);
  uint8_t* corner = picture.Row(0);
  corner[0] = 0;
  corner[1] = 0;
  corner[2] = 255;
  return picture;
}

bool IsRed(const Bitmap24& picture, int32_t x, int32_t y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return p[0] == 0 && p[1] == 0 && p[2] == 255;
}

TEST(ExifOrientation, TurnsPicturesUpright) {
  // 6: turned a quarter clockwise, so the top-left corner goes top-right.
  Bitmap24 six = Marked();
  ApplyExifOrientation(six, 6);
  ASSERT_EQ(six.width, 300);
  ASSERT_EQ(six.height, 400);
  EXPECT_TRUE(IsRed(six, 299, 0));

  // 3: upside down, the corner goes bottom-right.
  Bitmap24 three = Marked();
  ApplyExifOrientation(three, 3);
  ASSERT_EQ(three.width, 400);
  EXPECT_TRUE(IsRed(three, 399, 299));

  // 8: a quarter counter-clockwise, the corner goes bottom-left.
  Bitmap24 eight = Marked();
  ApplyExifOrientation(eight, 8);
  ASSERT_EQ(eight.width, 300);
  EXPECT_TRUE(IsRed(eight, 0, 399));

  // 5, 1, 0 and values above 8 leave the picture alone.
  for (int32_t o : {0, 1, 5, 9, 255}) {
    Bitmap24 same = Marked();
    ApplyExifOrientation(same, o);
    EXPECT_EQ(same.width, 400) << o;
    EXPECT_TRUE(IsRed(same, 0, 0)) << o;
  }
}

}  // namespace
}  // namespace lumora
