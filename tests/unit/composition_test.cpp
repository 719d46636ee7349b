#include "saver/composition.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <set>
#include <string>
#include <vector>

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

TEST(DisplaySize, ExamplesOnA1024By768Window) {
  const auto shown = [](SizeModes modes, Size picture) {
    return ComputeDisplaySize(modes, {1024, 768}, picture, {}, [] { return 0.0; });
  };
  // Small tiles: 300 × 256 / 400 = 192 exactly, not above the cell.
  EXPECT_EQ(shown({2, 0}, {400, 300}), (Size{256, 192}));
  EXPECT_EQ(shown({2, 0}, {300, 400}), (Size{144, 192}));
  // Fit without enlarging: Ceil(341.33…) = 342.
  EXPECT_EQ(shown({0, 1}, {3000, 1000}), (Size{1024, 342}));
}

TEST(Position, CentredAndAnchoredWhenLarger) {
  EXPECT_EQ(CenterPosition({1280, 800}, {400, 300}), (Point{440, 250}));
  EXPECT_EQ(CenterPosition({1280, 800}, {401, 301}), (Point{439, 249}));
  EXPECT_EQ(CenterPosition({1280, 800}, {4000, 300}), (Point{0, 250}));
}

// Scripted draws: `uniform` and `below` hand out the queued values in order
// and record the n each integer draw was asked for.
struct Draws {
  std::deque<double> uniforms;
  std::deque<int32_t> integers;
  std::vector<int32_t> asked;

  PositionRandom Random() {
    return {[this] {
              EXPECT_FALSE(uniforms.empty());
              if (uniforms.empty()) return 0.0;
              const double v = uniforms.front();
              uniforms.pop_front();
              return v;
            },
            [this](int32_t n) {
              asked.push_back(n);
              EXPECT_FALSE(integers.empty());
              if (integers.empty()) return 0;
              const int32_t v = integers.front();
              integers.pop_front();
              return v;
            }};
  }
};

Placement Place(int32_t mode, Size window, Size shown, TileCells& cells, Draws& draws, bool screenClear = false,
                bool brightness = false) {
  return ComputePosition({mode, screenClear, brightness}, window, shown, cells, draws.Random());
}

TEST(Position, CentreModesAndClamping) {
  TileCells cells;
  Draws none;
  for (int32_t mode : {0, 4, -1, 99}) {
    EXPECT_EQ(Place(mode, {1024, 768}, {400, 300}, cells, none).at, (Point{312, 234})) << mode;
  }
  // Full size, larger than the window: anchored at the top-left corner.
  EXPECT_EQ(Place(0, {1024, 768}, {4000, 3000}, cells, none).at, (Point{0, 0}));
  EXPECT_EQ(Place(0, {1024, 768}, {2000, 301}, cells, none).at, (Point{0, 233}));
  EXPECT_EQ(cells.CountTaken(), 0);
}

TEST(Position, RandomDrawsTheRowFirstAndCuts) {
  TileCells cells;
  Draws draws;
  draws.uniforms = {0.5, 0.25, 0.999, 0.999};
  EXPECT_EQ(Place(1, {1000, 800}, {200, 100}, cells, draws).at, (Point{200, 350}));
  // 0.999 × 800 = 799.2 and 0.999 × 700 = 699.3 are cut, not rounded.
  EXPECT_EQ(Place(1, {1000, 800}, {200, 100}, cells, draws).at, (Point{799, 699}));
  // Wider than the window: the negative x clamps to 0.
  draws.uniforms = {0.5, 0.9};
  const Placement wide = Place(1, {1000, 800}, {1200, 100}, cells, draws);
  EXPECT_EQ(wide.at, (Point{0, 350}));
  EXPECT_EQ(wide.cell, -1);
  EXPECT_TRUE(draws.asked.empty());
}

TEST(TileGrid, CellsAndCountsOfBothModes) {
  const auto grid = [](int32_t mode, Size window) {
    const TileGrid g = ComputeTileGrid(mode, window);
    return std::vector<int32_t>{g.cols, g.rows, g.cellWidth, g.cellHeight};
  };
  EXPECT_EQ(grid(2, {1024, 768}), (std::vector<int32_t>{4, 4, 256, 192}));
  EXPECT_EQ(grid(2, {11520, 2160}), (std::vector<int32_t>{45, 11, 256, 192}));
  // H / W = 0.8: two columns; rows = Trunc(1024 / 480).
  EXPECT_EQ(grid(3, {1280, 1024}), (std::vector<int32_t>{2, 2, 640, 480}));
  EXPECT_EQ(grid(3, {1920, 1080}), (std::vector<int32_t>{2, 2, 720, 540}));
  // The divisor is the untruncated cell width 540.5 × 4 / 3 = 720.67:
  // 2161 / 720.67 gives 2 columns where 2161 / 720 would give 3.
  EXPECT_EQ(grid(3, {2161, 1081}), (std::vector<int32_t>{2, 2, 720, 540}));
  // Windows smaller than a cell, or empty, still have one cell.
  EXPECT_EQ(grid(2, {200, 100}), (std::vector<int32_t>{1, 1, 256, 192}));
  EXPECT_EQ(ComputeTileGrid(3, {0, 0}).Cells(), 1);
  EXPECT_LE(ComputeTileGrid(2, {2147483647, 2147483647}).Cells(), kMaxTileCells);
}

TEST(TilePosition, SmallTilesOnA1024By768Window) {
  TileCells cells;
  Draws draws;
  draws.integers = {1, 2};  // column 1, then row 2
  const Placement landscape = Place(2, {1024, 768}, {256, 192}, cells, draws);
  EXPECT_EQ(landscape.at, (Point{256, 384}));
  EXPECT_EQ(landscape.cell, 1 * 4 + 2);
  EXPECT_TRUE(cells.Taken(6));
  EXPECT_EQ(cells.CountTaken(), 1);
  EXPECT_FALSE(landscape.restoreScreen || landscape.darkenScreen);

  draws.integers = {0, 0};
  EXPECT_EQ(Place(2, {1024, 768}, {144, 192}, cells, draws).at, (Point{56, 0}));
  EXPECT_EQ(draws.asked, (std::vector<int32_t>{4, 4, 4, 4}));
}

TEST(TilePosition, LargeTilesCentreTheGrid) {
  TileCells cells;
  Draws draws;
  draws.integers = {0, 0, 1, 1};
  EXPECT_EQ(Place(3, {1280, 1024}, {640, 480}, cells, draws).at, (Point{0, 32}));
  EXPECT_EQ(Place(3, {1280, 1024}, {640, 480}, cells, draws).at, (Point{640, 512}));
  // A portrait in a 720 × 540 cell, grid offset 240 horizontally.
  TileCells other;
  draws.integers = {0, 0, 1, 1};
  EXPECT_EQ(Place(3, {1920, 1080}, {405, 540}, other, draws).at, (Point{397, 0}));
  EXPECT_EQ(Place(3, {1920, 1080}, {720, 540}, other, draws).at, (Point{960, 540}));
}

TEST(TilePosition, TakenCellsAreDrawnAgainColumnFirst) {
  // 1280 × 768: 5 columns × 4 rows, so the asked bounds show the order.
  TileCells cells;
  Draws draws;
  draws.integers = {1, 2, 1, 2, 3, 0};
  EXPECT_EQ(Place(2, {1280, 768}, {256, 192}, cells, draws).cell, 6);
  const Placement again = Place(2, {1280, 768}, {256, 192}, cells, draws);
  EXPECT_EQ(again.cell, 3 * 4 + 0);
  EXPECT_EQ(again.at, (Point{768, 0}));
  EXPECT_EQ(draws.asked, (std::vector<int32_t>{5, 4, 5, 4, 5, 4}));
}

TEST(TilePosition, SearchGivesUpAfterAsManyPicksAsCells) {
  // 4 × 4 grid with cells 5 (1, 1) and 9 (2, 1) free.
  TileCells cells;
  for (int64_t i = 0; i < 16; ++i) {
    if (i != 5 && i != 9) cells.Take(i);
  }
  Draws draws;
  for (int i = 0; i < 16; ++i) draws.integers.insert(draws.integers.end(), {0, 0});
  draws.integers.insert(draws.integers.end(), {2, 1});  // the 16th further pick is free
  const Placement placed = Place(2, {1024, 768}, {256, 192}, cells, draws);
  EXPECT_TRUE(draws.integers.empty());
  EXPECT_EQ(placed.cell, 5);  // the first free cell in column order, not 9
  EXPECT_EQ(placed.at, (Point{256, 192}));
  EXPECT_FALSE(cells.Taken(9));

  // A draw outside 0 … n − 1 from a faulty source stays inside the grid.
  TileCells empty;
  draws.integers = {7, -3};
  EXPECT_EQ(Place(2, {1024, 768}, {256, 192}, empty, draws).cell, 3 * 4 + 0);
}

TEST(TilePosition, FullGridResetsAndAsksForRestoreAndDarken) {
  for (const bool settingsOn : {true, false}) {
    TileCells cells;
    std::mt19937 engine(7);
    const PositionRandom random{[] { return 0.0; },
                                [&](int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(engine); }};
    const PositionModes modes{2, settingsOn, settingsOn};
    std::set<int64_t> used;
    for (int picture = 0; picture < 16; ++picture) {
      const Placement p = ComputePosition(modes, {1024, 768}, {256, 192}, cells, random);
      EXPECT_FALSE(p.restoreScreen || p.darkenScreen);
      used.insert(p.cell);
    }
    EXPECT_EQ(used.size(), 16u);
    // The 17th picture finds the grid full: all flags go, its own is set.
    Draws draws;
    draws.integers = {3, 3};
    const Placement seventeenth = Place(2, {1024, 768}, {256, 192}, cells, draws, settingsOn, settingsOn);
    EXPECT_EQ(seventeenth.restoreScreen, settingsOn);
    EXPECT_EQ(seventeenth.darkenScreen, settingsOn);
    EXPECT_EQ(seventeenth.cell, 15);
    EXPECT_EQ(cells.CountTaken(), 1);
    EXPECT_TRUE(draws.integers.empty());
  }
}

TEST(TileCells, GridOfMoreThan256CellsFillsEveryCellOnce) {
  // Three 4K monitors side by side, small tiles: 45 × 11 = 495 cells.
  const Size window{11520, 2160};
  TileCells cells;
  std::mt19937 engine(11);
  const PositionRandom random{[] { return 0.0; },
                              [&](int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(engine); }};
  std::set<int64_t> used;
  for (int picture = 0; picture < 495; ++picture) {
    const Placement p = ComputePosition({2, true, true}, window, {256, 192}, cells, random);
    ASSERT_FALSE(p.restoreScreen) << picture;
    ASSERT_GE(p.cell, 0);
    ASSERT_LT(p.cell, 495);
    EXPECT_TRUE(used.insert(p.cell).second) << "cell " << p.cell << " given twice";
    // Grid offset (11520 − 45 × 256) / 2 = 0 and (2160 − 11 × 192) / 2 = 24.
    EXPECT_EQ(p.at, (Point{static_cast<int32_t>(p.cell / 11) * 256, static_cast<int32_t>(p.cell % 11) * 192 + 24}));
  }
  EXPECT_GE(cells.Size(), 495);
  EXPECT_EQ(cells.CountTaken(), 495);
  const Placement next = ComputePosition({2, true, true}, window, {256, 192}, cells, random);
  EXPECT_TRUE(next.restoreScreen && next.darkenScreen);
  EXPECT_EQ(cells.CountTaken(), 1);
}

// A 24-bit picture of one colour (blue 200, green 100, red 1), whose
// frame is checked against a map: '.' untouched, 'L' lightened,
// 'D' darkened, 'X' lightened then darkened, 'Y' darkened then lightened,
// 'Z' darkened twice.
Bitmap24 Plain(int32_t width, int32_t height) {
  Bitmap24 b;
  b.Resize(width, height, 200, 100, 1);
  return b;
}

void ExpectFrame(const Bitmap24& b, const std::vector<std::string>& map) {
  ASSERT_EQ(map.size(), static_cast<size_t>(b.height));
  for (int32_t y = 0; y < b.height; ++y) {
    const uint8_t* row = b.Row(y);
    for (int32_t x = 0; x < b.width; ++x) {
      std::vector<int> want{200, 100, 1};
      switch (map[y][x]) {
        case 'L': want = {255, 180, 81}; break;
        case 'D': want = {100, 50, 0}; break;
        case 'X': want = {127, 90, 40}; break;
        case 'Y': want = {180, 130, 80}; break;
        case 'Z': want = {50, 25, 0}; break;
      }
      EXPECT_EQ((std::vector<int>{row[3 * x], row[3 * x + 1], row[3 * x + 2]}), want)
          << "pixel (" << x << ", " << y << ") '" << map[y][x] << "'";
    }
    for (ptrdiff_t pad = b.width * 3; pad < b.Stride(); ++pad) EXPECT_EQ(row[pad], 0) << "padding of row " << y;
  }
}

TEST(Frame, RaisedEdgesInsideThePicture) {
  Bitmap24 b = Plain(7, 6);
  DrawRaisedFrame(b, 1, 1, 4, 5);
  ExpectFrame(b, {".......",
                  ".LLLLL.",
                  ".L...D.",
                  ".L...D.",
                  ".DDDDD.",
                  "......."});
  // A one-pixel rectangle is lightened, then darkened.
  Bitmap24 dot = Plain(3, 3);
  DrawRaisedFrame(dot, 1, 1, 1, 1);
  ExpectFrame(dot, {"...", ".X.", "..."});
}

TEST(Frame, PictureCutByTheScreenEdge) {
  // A 10 × 10 picture at (3, 2) on a 7 × 6 screen: the bottom edge moves
  // to the last row, the right edge is outside, the left edge runs on.
  Bitmap24 b = Plain(7, 6);
  DrawRaisedFrame(b, 2, 3, 11, 12);
  ExpectFrame(b, {".......",
                  ".......",
                  "...LLLL",
                  "...L...",
                  "...L...",
                  "...YDDD"});
  // Top and bottom both below the screen: both on the last row.
  Bitmap24 low = Plain(4, 3);
  DrawRaisedFrame(low, 8, 1, 9, 2);
  ExpectFrame(low, {"....", "....", ".XX."});
  // Above and left of the screen: only what lies inside is drawn.
  Bitmap24 high = Plain(5, 4);
  DrawRaisedFrame(high, -2, -3, 2, 3);
  ExpectFrame(high, {"...D.",
                     "...D.",
                     "DDDD.",
                     "....."});
}

TEST(Frame, ViewShorterThanItsBufferLeavesTheRestAlone) {
  // The screen control shows 3 of the bitmap's 5 rows. The bottom edge
  // moves to row 2, which the side edges (rows 1 to 5, cut at 2) reach too.
  Bitmap24 b = Plain(4, 5);
  PixelView view = b.View();
  view.height = 3;
  DrawRaisedFrame(view, 0, 0, 6, 3);
  ExpectFrame(b, {"LLLL",
                  "L..D",
                  "YDDZ",
                  "....",
                  "...."});
}

TEST(Frame, ClosingStopsBetweenRows) {
  Bitmap24 b = Plain(7, 6);
  int asked = 0;
  DrawRaisedFrame(b, 1, 1, 4, 5, [&] { return ++asked > 2; });
  ExpectFrame(b, {".......",
                  ".LLLLL.",
                  ".L...D.",
                  ".......",
                  ".DDDDD.",
                  "......."});
}

TEST(Frame, BitmapWiderThan32768Columns) {
  // 40000 × 3 with a guard row below the view: the top and bottom edges
  // stop at column 32767; the right edge at column 39999 is still drawn.
  Bitmap24 b = Plain(40000, 4);
  const Bitmap24 before = b;
  PixelView view = b.View();
  view.height = 3;
  DrawRaisedFrame(view, 0, 32760, 2, 39999);
  const auto changed = [&](int32_t x, int32_t y) { return std::memcmp(b.Row(y) + 3 * x, before.Row(y) + 3 * x, 3) != 0; };
  int64_t count = 0;
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 40000; ++x) count += changed(x, y);
  }
  EXPECT_EQ(count, 8 + 8 + 2);
  EXPECT_EQ(b.Row(0)[3 * 32767], 255);
  EXPECT_FALSE(changed(32768, 0));
  EXPECT_EQ(b.Row(2)[3 * 32767], 100);
  EXPECT_FALSE(changed(32768, 2));
  EXPECT_EQ(b.Row(1)[3 * 32760], 255);
  EXPECT_EQ(b.Row(1)[3 * 39999], 100);
  // A right edge beyond the width is not drawn; nothing past the end moves.
  Bitmap24 whole = Plain(40000, 2);
  DrawRaisedFrame(whole, 0, 39990, 5, 70000);
  EXPECT_EQ(whole.bits.size(), static_cast<size_t>(whole.Stride()) * 2);
  EXPECT_EQ(whole.Row(0)[3 * 39990], 200);  // top and bottom edges beyond the cap
  EXPECT_EQ(whole.Row(1)[3 * 39999], 200);
  EXPECT_EQ(whole.Row(1)[3 * 39990], 255);  // left edge in the rows between
}

}  // namespace
}  // namespace lumora
