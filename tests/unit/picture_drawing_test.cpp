#include "saver/picture_drawing.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace lumora {
namespace {

struct Bgr {
  uint8_t b, g, r;
  bool operator==(const Bgr&) const = default;
};

Bgr At(const Bitmap24& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.Row(y) + x * 3;
  return {p[0], p[1], p[2]};
}

Bitmap24 Filled(int32_t w, int32_t h, Bgr colour) {
  Bitmap24 bitmap;
  bitmap.Resize(w, h, colour.b, colour.g, colour.r);
  return bitmap;
}

// Hooks with a seeded generator; records caption corners.
struct Fixture {
  std::mt19937 random{7};
  std::vector<Point> captions;
  DrawingHooks Hooks() {
    DrawingHooks hooks;
    hooks.uniform = [this] { return std::uniform_real_distribution<double>(0, 1)(random); };
    hooks.below = [this](int32_t n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n)); };
    hooks.caption = [this](PixelView, Point at) { captions.push_back(at); };
    return hooks;
  }
};

TEST(StretchNearest, RepeatsOrSkipsPixelsAndClipsToTheTarget) {
  Bitmap24 source = Filled(2, 1, {0, 0, 0});
  source.Row(0)[3] = 200;  // second pixel blue 200
  Bitmap24 screen = Filled(4, 2, {9, 9, 9});
  StretchNearest(screen.View(), {0, 0}, {4, 2}, source.View());
  EXPECT_EQ(At(screen, 1, 1), (Bgr{0, 0, 0}));
  EXPECT_EQ(At(screen, 2, 0), (Bgr{200, 0, 0}));
  // Shrinking takes the pixel under each centre; a rectangle hanging over
  // the left edge starts inside the picture.
  Bitmap24 wide = Filled(8, 1, {0, 0, 0});
  for (int i = 0; i < 8; ++i) wide.Row(0)[i * 3] = static_cast<uint8_t>(i * 10);
  Bitmap24 narrow = Filled(3, 1, {9, 9, 9});
  StretchNearest(narrow.View(), {-2, 0}, {4, 1}, wide.View());
  EXPECT_EQ(At(narrow, 0, 0).b, 50);
  EXPECT_EQ(At(narrow, 1, 0).b, 70);
  EXPECT_EQ(At(narrow, 2, 0), (Bgr{9, 9, 9}));
}

TEST(PictureComposer, ColourModeAndFrameOnlyOnThePicturesRectangle) {
  Fixture f;
  DrawingSettings settings;
  settings.drawPosision = 0;
  settings.graphicsSize = 0;
  settings.drawColor = 1;
  settings.dispFileName = true;
  PictureComposer composer(settings, f.Hooks());
  Bitmap24 screen = Filled(40, 30, {0, 0, 250});
  const Bitmap24 start = Filled(40, 30, {0, 0, 250});
  PreparedPicture prepared = composer.Prepare(Filled(10, 6, {100, 100, 100}), 0, {screen.width, screen.height});
  EXPECT_EQ(prepared.at, (Point{15, 12}));
  composer.DrawPicture(prepared, screen.View(), Bitmap24(start).View());
  EXPECT_EQ(At(screen, 14, 12), (Bgr{0, 0, 250}));          // outside: still red
  EXPECT_EQ(At(screen, 15, 12), (Bgr{180, 180, 180}));      // top-left: lightened
  EXPECT_EQ(At(screen, 24, 17), (Bgr{50, 50, 50}));         // bottom-right: darkened
  EXPECT_EQ(At(screen, 20, 14), (Bgr{100, 100, 100}));      // inside: grey stays grey
  composer.DrawCaption(prepared, screen.View());
  ASSERT_EQ(f.captions.size(), 1u);
  EXPECT_EQ(f.captions[0], (Point{19, 16}));
}

TEST(PictureComposer, ScreenClearRestoresTheStartImageAndDrawsNoFrame) {
  Fixture f;
  DrawingSettings settings;
  settings.drawPosision = 0;
  settings.graphicsSize = 3;
  settings.screenClear = true;
  PictureComposer composer(settings, f.Hooks());
  Bitmap24 screen = Filled(40, 30, {1, 2, 3});
  Bitmap24 start = Filled(40, 30, {7, 7, 7});
  PreparedPicture prepared = composer.Prepare(Filled(4, 4, {60, 60, 60}), 0, {screen.width, screen.height});
  EXPECT_EQ(prepared.shown, (Size{30, 30}));
  composer.DrawPicture(prepared, screen.View(), start.View());
  EXPECT_EQ(At(screen, 0, 0), (Bgr{7, 7, 7}));
  EXPECT_EQ(At(screen, 5, 0), (Bgr{60, 60, 60}));
  EXPECT_EQ(At(screen, 34, 29), (Bgr{60, 60, 60}));
  EXPECT_EQ(At(screen, 35, 29), (Bgr{7, 7, 7}));
}

TEST(PictureComposer, FullTilingGridRestoresThenDarkensBeforeTheNextPicture) {
  Fixture f;
  DrawingSettings settings;
  settings.drawPosision = 2;
  settings.screenClear = true;
  settings.brightness = true;
  PictureComposer composer(settings, f.Hooks());
  Bitmap24 screen = Filled(512, 384, {200, 200, 200});
  Bitmap24 start = Filled(512, 384, {100, 100, 100});
  for (int i = 0; i < 4; ++i) {
    PreparedPicture prepared = composer.Prepare(Filled(256, 192, {0, 0, 0}), 0, {screen.width, screen.height});
    composer.DrawPicture(prepared, screen.View(), start.View());
  }
  EXPECT_EQ(At(screen, 100, 100), (Bgr{0, 0, 0}));  // every cell holds a picture
  // The fifth picture: the start image comes back, darkened by half, before
  // the picture takes one cell.
  PreparedPicture fifth = composer.Prepare(Filled(256, 192, {0, 0, 0}), 0, {screen.width, screen.height});
  composer.DrawPicture(fifth, screen.View(), start.View());
  int darkened = 0;
  for (Point p : {Point{100, 100}, Point{300, 100}, Point{100, 300}, Point{300, 300}}) {
    if (At(screen, p.x, p.y) == Bgr{50, 50, 50}) ++darkened;
  }
  EXPECT_EQ(darkened, 3);
}

TEST(PictureComposer, TurnedPictureKeepsItsBlackPixelsAndShowsTheScreenInItsCorners) {
  Fixture f;
  DrawingSettings settings;
  settings.drawPosision = 0;
  settings.graphicsSize = 0;
  settings.rotate = true;
  settings.screenClear = true;  // no frame: the picture stays all black
  settings.backColor = 0x00000000;
  settings.dispFileName = true;
  PictureComposer composer(settings, f.Hooks());
  Bitmap24 screen = Filled(300, 300, {0, 250, 0});
  Bitmap24 start = Filled(300, 300, {0, 250, 0});
  PreparedPicture prepared;
  // Draw until a turn that is not a quarter turn comes up.
  do {
    prepared = composer.Prepare(Filled(100, 50, {0, 0, 0}), 0, {screen.width, screen.height});
  } while (prepared.shown == Size{80, 40} || prepared.shown == Size{40, 80});
  ASSERT_TRUE(prepared.turned);
  EXPECT_EQ(f.captions.back(), (Point{4, 4}));  // written before turning
  composer.DrawPicture(prepared, screen.View(), start.View());
  const Point c{prepared.at.x + prepared.shown.width / 2, prepared.at.y + prepared.shown.height / 2};
  EXPECT_EQ(At(screen, c.x, c.y), (Bgr{0, 0, 0}));  // black picture pixel drawn
  // The bounding box's corner lies outside the turned picture.
  EXPECT_EQ(At(screen, prepared.at.x, prepared.at.y), (Bgr{0, 250, 0}));
  // Every screen pixel is either the picture's black or the screen's green;
  // the count of black ones is the area the turn covered.
  int64_t black = 0, covered = 0;
  for (int32_t y = 0; y < 300; ++y) {
    for (int32_t x = 0; x < 300; ++x) black += At(screen, x, y) == Bgr{0, 0, 0};
  }
  for (const auto& span : prepared.covered) covered += span.last - span.first;
  EXPECT_EQ(black, covered);
  EXPECT_NEAR(static_cast<double>(covered), 80.0 * 40.0, 80.0 * 40.0 * 0.05);
}

TEST(PictureComposer, PicturesLargerThanTheScreenAreCutAtItsEdges) {
  Fixture f;
  DrawingSettings settings;
  settings.drawPosision = 1;
  settings.graphicsSize = 0;
  PictureComposer composer(settings, f.Hooks());
  Bitmap24 screen = Filled(64, 48, {0, 0, 0});
  PreparedPicture prepared = composer.Prepare(Filled(70000, 3, {90, 90, 90}), 0, {screen.width, screen.height});
  EXPECT_EQ(prepared.at, (Point{0, prepared.at.y}));
  composer.DrawPicture(prepared, screen.View(), {});
  // Cut at the right edge; its top edge lightened, its bottom edge darkened.
  EXPECT_EQ(At(screen, 63, prepared.at.y), (Bgr{170, 170, 170}));
  EXPECT_EQ(At(screen, 63, prepared.at.y + 2), (Bgr{45, 45, 45}));
}

}  // namespace
}  // namespace lumora
