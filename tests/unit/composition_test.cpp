#include "saver/composition.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

Size Shown(int32_t position, int32_t size, Size picture, double a = 0.5, double b = 0.5) {
  int calls = 0;
  return ComputeDisplaySize({position, size}, {1280, 800}, picture, {-1, -1},
                            [&] { return calls++ == 0 ? a : b; });
}

TEST(DisplaySize, SizeModesFitEnlargeOrScale) {
  // Full size, and any unknown mode.
  EXPECT_EQ(Shown(0, 0, {4000, 3000}), (Size{4000, 3000}));
  EXPECT_EQ(Shown(0, 9, {40, 30}), (Size{40, 30}));
  // Fit without enlarging: small pictures stay, large ones fit by the
  // tighter side, with the ceiling of the other side.
  EXPECT_EQ(Shown(0, 1, {640, 480}), (Size{640, 480}));
  EXPECT_EQ(Shown(0, 1, {4000, 3000}), (Size{1067, 800}));
  EXPECT_EQ(Shown(0, 1, {3000, 700}), (Size{1280, 299}));
  EXPECT_EQ(Shown(0, 1, {300, 1000}), (Size{240, 800}));
  // Fit and enlarge: the box fit by shape.
  EXPECT_EQ(Shown(0, 3, {400, 300}), (Size{1067, 800}));
  EXPECT_EQ(Shown(0, 3, {300, 300}), (Size{800, 800}));
  EXPECT_EQ(Shown(0, 3, {1000, 100}), (Size{1280, 128}));
  // Random: (a + b + 0.3) / 3 of the fitted side; landscape against the
  // width. The factor is kept as a double, so 480 × 13/15 lands just above
  // 416 and its ceiling is 417.
  EXPECT_EQ(Shown(0, 2, {640, 480}, 0.5, 0.5), (Size{555, 417}));
  EXPECT_EQ(Shown(0, 2, {480, 640}, 0.0, 0.0), (Size{60, 80}));
  // A picture without pixels keeps the previous size.
  EXPECT_EQ(Shown(0, 3, {0, 300}), (Size{-1, -1}));
}

TEST(DisplaySize, TilingModesFitTheirCells) {
  EXPECT_EQ(Shown(2, 0, {4000, 3000}), (Size{256, 192}));
  EXPECT_EQ(Shown(2, 0, {300, 600}), (Size{96, 192}));
  // 1280 × 800 is wider than 4:3: two rows of 400-pixel cells, 533 wide.
  EXPECT_EQ(Shown(3, 0, {4000, 3000}), (Size{533, 400}));
  EXPECT_EQ(ComputeDisplaySize({3, 0}, {1024, 1024}, {4000, 3000}, {}, [] { return 0.0; }), (Size{512, 384}));
}

TEST(Position, CentredAndAnchoredWhenLarger) {
  EXPECT_EQ(CenterPosition({1280, 800}, {400, 300}), (Point{440, 250}));
  EXPECT_EQ(CenterPosition({1280, 800}, {401, 301}), (Point{439, 249}));
  EXPECT_EQ(CenterPosition({1280, 800}, {4000, 300}), (Point{0, 250}));
}

}  // namespace
}  // namespace lumora
