#include "saver/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace lumora {
namespace {

Bitmap24 Filled(int32_t width, int32_t height, uint8_t blue, uint8_t green, uint8_t red) {
  Bitmap24 b;
  b.Resize(width, height, blue, green, red);
  return b;
}

// A picture whose three channels all follow one row of values.
Bitmap24 GreyRow(const std::vector<uint8_t>& values) {
  Bitmap24 b;
  b.Resize(static_cast<int32_t>(values.size()), 1);
  for (size_t x = 0; x < values.size(); ++x) {
    for (int ch = 0; ch < 3; ++ch) b.Row(0)[x * 3 + ch] = values[x];
  }
  return b;
}

std::vector<uint8_t> BlueRow(const Bitmap24& b, int32_t y = 0) {
  std::vector<uint8_t> row;
  for (int32_t x = 0; x < b.width; ++x) row.push_back(b.Row(y)[x * 3]);
  return row;
}

Bitmap24 Random(int32_t width, int32_t height, std::mt19937& rng, int maxValue = 255) {
  Bitmap24 b;
  b.Resize(width, height);
  std::uniform_int_distribution<int> value(0, maxValue);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width * 3; ++x) b.Row(y)[x] = static_cast<uint8_t>(value(rng));
  }
  return b;
}

// --- Colour modes --------------------------------------------------------

TEST(ColourMode, BlackAndWhiteAndSepiaOfSinglePixels) {
  Bitmap24 grey = Filled(1, 1, 10, 20, 31);
  ApplyColourMode(grey, 1);
  EXPECT_EQ(grey.Row(0)[0], 20);  // Trunc(61 / 3)
  EXPECT_EQ(grey.Row(0)[1], 20);
  EXPECT_EQ(grey.Row(0)[2], 20);

  Bitmap24 sepia = Filled(1, 1, 255, 255, 255);
  ApplyColourMode(sepia, 2);
  EXPECT_EQ(sepia.Row(0)[0], 165);  // blue
  EXPECT_EQ(sepia.Row(0)[1], 215);  // green
  EXPECT_EQ(sepia.Row(0)[2], 255);  // red
}

// Every channel sum against the formula in floating point.
TEST(ColourMode, EverySumFollowsTheFormula) {
  Bitmap24 grey;
  grey.Resize(766, 1);
  for (int sum = 0; sum < 766; ++sum) {
    uint8_t* p = grey.Row(0) + sum * 3;
    p[0] = static_cast<uint8_t>(std::min(sum, 255));
    p[1] = static_cast<uint8_t>(std::min(std::max(sum - 255, 0), 255));
    p[2] = static_cast<uint8_t>(std::max(sum - 510, 0));
  }
  Bitmap24 sepia = grey;
  ApplyColourMode(grey, 1);
  ApplyColourMode(sepia, 2);
  for (int sum = 0; sum < 766; ++sum) {
    const auto v = static_cast<int>(std::trunc(sum / 3.0));
    const uint8_t* g = grey.Row(0) + sum * 3;
    const uint8_t* s = sepia.Row(0) + sum * 3;
    ASSERT_EQ(g[0], v) << sum;
    ASSERT_EQ(g[1], v) << sum;
    ASSERT_EQ(g[2], v) << sum;
    ASSERT_EQ(s[2], static_cast<int>(std::trunc(v * 256 / 256.0))) << sum;
    ASSERT_EQ(s[1], static_cast<int>(std::trunc(v * 216 / 256.0))) << sum;
    ASSERT_EQ(s[0], static_cast<int>(std::trunc(v * 166 / 256.0))) << sum;
  }
}

// The pixel formulas, for comparing whole pictures.
void ColourPixel(uint8_t* p, int32_t drawColor) {
  const int v = (p[0] + p[1] + p[2]) / 3;
  p[0] = static_cast<uint8_t>(drawColor == 1 ? v : v * 166 / 256);
  p[1] = static_cast<uint8_t>(drawColor == 1 ? v : v * 216 / 256);
  p[2] = static_cast<uint8_t>(v);
}

// Rows are done in blocks of pixels and a rest: every width around the
// block lengths, every sum at the start and at the end of a row, and rows
// of different lengths one after another must follow the formula.
TEST(ColourMode, WholePicturesOfEveryWidthFollowTheFormula) {
  std::mt19937 rng(31);
  std::vector<int32_t> widths;
  for (int32_t w = 1; w <= 200; ++w) widths.push_back(w);
  for (int32_t w : {255, 256, 257, 766, 1000}) widths.push_back(w);
  for (int32_t mode : {1, 2}) {
    for (int32_t width : widths) {
      Bitmap24 picture = Random(width, 3, rng);
      if (width >= 256) {  // sums 0 … 765 rising in row 0, falling in row 1
        for (int32_t x = 0; x < width; ++x) {
          const int sum = x * 765 / (width - 1);
          for (int32_t y : {0, 1}) {
            uint8_t* p = picture.Row(y) + (y == 0 ? x : width - 1 - x) * 3;
            p[0] = static_cast<uint8_t>(std::min(sum, 255));
            p[1] = static_cast<uint8_t>(std::clamp(sum - 255, 0, 255));
            p[2] = static_cast<uint8_t>(std::max(sum - 510, 0));
          }
        }
      }
      Bitmap24 expected = picture;
      for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < width; ++x) ColourPixel(expected.Row(y) + x * 3, mode);
      }
      ApplyColourMode(picture, mode);
      ASSERT_EQ(picture.bits, expected.bits) << "mode " << mode << ", width " << width;
    }
  }
}

TEST(ColourMode, OtherModesLeaveThePictureAlone) {
  std::mt19937 rng(7);
  const Bitmap24 picture = Random(5, 3, rng);
  for (int32_t mode : {0, 3, -1, 100}) {
    Bitmap24 copy = picture;
    ApplyColourMode(copy, mode);
    EXPECT_EQ(copy.bits, picture.bits) << mode;
  }
}

// Padding bytes, columns past 32768 and rows after a close request stay.
TEST(ColourMode, AltersOnlyPixelsWithinTheLimits) {
  Bitmap24 wide = Filled(32769, 1, 10, 20, 31);
  ApplyColourMode(wide, 1);
  EXPECT_EQ(wide.Row(0)[32767 * 3 + 2], 20);
  EXPECT_EQ(wide.Row(0)[32768 * 3 + 2], 31);
  EXPECT_EQ(wide.Row(0)[32769 * 3], 0) << "padding";

  Bitmap24 rows = Filled(3, 4, 10, 20, 31);
  int asked = 0;
  ApplyColourMode(rows, 1, [&] { return ++asked > 2; });
  EXPECT_EQ(rows.Row(1)[2], 20);
  EXPECT_EQ(rows.Row(2)[2], 31) << "rows after the close request";
  EXPECT_EQ(rows.Row(3)[2], 31);
}

// --- Darkening -------------------------------------------------------------

TEST(DarkenScreen, TwiceInRandomPositionMode) {
  Bitmap24 screen = Filled(3, 2, 200, 200, 200);
  DarkenScreen(screen, 1);
  EXPECT_EQ(screen.Row(1)[8], 160);
  DarkenScreen(screen, 1);
  EXPECT_EQ(screen.Row(1)[8], 128);
  EXPECT_EQ(BlueRow(screen, 0), (std::vector<uint8_t>{128, 128, 128}));
}

TEST(DarkenScreen, FactorByPositionModeForEveryValue) {
  Bitmap24 values;
  values.Resize(86, 1);  // 258 bytes: every value 0 … 255 once, row padded
  for (int v = 0; v < 256; ++v) values.Row(0)[v] = static_cast<uint8_t>(v);
  for (int32_t mode : {0, 1, 2, 3, 7}) {
    const double factor = mode == 2 || mode == 3 ? 0.5 : 0.8;
    Bitmap24 screen = values;
    DarkenScreen(screen, mode);
    for (int v = 0; v < 256; ++v) {
      ASSERT_EQ(screen.Row(0)[v], static_cast<int>(std::trunc(v * factor))) << "mode " << mode << " value " << v;
    }
  }
}

TEST(DarkenScreen, WholePicturesOfEveryWidthFollowTheFactor) {
  std::mt19937 rng(17);
  for (int32_t mode : {1, 2}) {
    const int divisor = mode == 2 ? 2 : 5;
    const int multiplier = mode == 2 ? 1 : 4;
    for (int32_t width = 1; width <= 120; ++width) {
      Bitmap24 screen = Random(width, 2, rng);
      Bitmap24 expected = screen;
      for (int32_t y = 0; y < 2; ++y) {
        uint8_t* p = expected.Row(y);
        for (int32_t k = 0; k < width * 3; ++k) p[k] = static_cast<uint8_t>(p[k] * multiplier / divisor);
      }
      DarkenScreen(screen, mode);
      ASSERT_EQ(screen.bits, expected.bits) << "mode " << mode << ", width " << width;
    }
  }
}

TEST(DarkenScreen, AltersOnlyPixelsWithinTheLimits) {
  Bitmap24 wide = Filled(32769, 1, 200, 200, 200);
  DarkenScreen(wide, 0);
  EXPECT_EQ(wide.Row(0)[32767 * 3], 160);
  EXPECT_EQ(wide.Row(0)[32768 * 3], 200);
  EXPECT_EQ(wide.Row(0)[32769 * 3], 0) << "padding";

  // The control shorter than its bitmap: only its rows.
  Bitmap24 screen = Filled(2, 3, 200, 200, 200);
  PixelView view = screen.View();
  view.height = 2;
  DarkenScreen(view, 0);
  EXPECT_EQ(screen.Row(1)[0], 160);
  EXPECT_EQ(screen.Row(2)[0], 200);

  Bitmap24 closing = Filled(2, 3, 200, 200, 200);
  DarkenScreen(closing, 0, [] { return true; });
  EXPECT_EQ(closing.Row(0)[0], 200);
}

// --- Smooth resampling ------------------------------------------------------

double Floor(double v) { return std::floor(v); }

// The footprint sum cell by cell, straight from the formula: the reference.
void Overlap(double lo, double hi, int c, double& l, double& m) {
  const double cl = c;
  const double cr = cl + 1;
  if (cl > lo && cr < hi) {
    l = 1;
    m = 0.5;
  } else if (cl > lo) {  // [c, hi]
    l = hi - cl;
    m = (hi - cl) / 2;
  } else if (cr >= hi) {  // [lo, hi]
    l = hi - lo;
    m = (lo + hi) / 2 - cl;
  } else {  // [lo, c + 1]
    l = cr - lo;
    m = (lo + cr) / 2 - cl;
  }
}

Bitmap24 ReferenceResample(const Bitmap24& source, int32_t dw, int32_t dh) {
  const int32_t sw = source.width;
  const int32_t sh = source.height;
  const double sx = static_cast<double>(sw) / dw;
  const double sy = static_cast<double>(sh) / dh;
  const double area = static_cast<double>(sw) * sh / dw / dh;
  Bitmap24 out;
  out.Resize(dw, dh);
  auto at = [&](int c, int r, int ch) -> double {
    c = std::clamp(c, 0, sw - 1);
    r = std::clamp(r, 0, sh - 1);
    return source.Row(r)[c * 3 + ch];
  };
  for (int j = 0; j < dh; ++j) {
    for (int i = 0; i < dw; ++i) {
      const double x0 = i * sx - 0.5;
      const double y0 = j * sy - 0.5;
      const double x1 = (i + 1) * sx - 0.500001;
      const double y1 = (j + 1) * sy - 0.500001;
      double s[3] = {0, 0, 0};
      for (int r = static_cast<int>(Floor(y0)); r <= static_cast<int>(Floor(y1)); ++r) {
        double ly, my;
        Overlap(y0, y1, r, ly, my);
        for (int c = static_cast<int>(Floor(x0)); c <= static_cast<int>(Floor(x1)); ++c) {
          double lx, mx;
          Overlap(x0, x1, c, lx, mx);
          for (int ch = 0; ch < 3; ++ch) {
            const double p00 = at(c, r, ch), p01 = at(c + 1, r, ch);
            const double p10 = at(c, r + 1, ch), p11 = at(c + 1, r + 1, ch);
            const double a = p00, bx = p01 - p00, by = p10 - p00, bxy = p00 + p11 - p01 - p10;
            s[ch] += lx * ly * (a + bx * mx + by * my + bxy * mx * my);
          }
        }
      }
      for (int ch = 0; ch < 3; ++ch) {
        const double v = std::nearbyint(s[ch] / area);
        out.Row(j)[i * 3 + ch] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
      }
    }
  }
  return out;
}

TEST(ResampleSmooth, ExamplesOfSmallPictures) {
  Bitmap24 smooth;
  Bitmap24 square;
  square.Resize(2, 2);
  const uint8_t values[2][2] = {{10, 20}, {30, 40}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) std::fill_n(square.Row(y) + x * 3, 3, values[y][x]);
  }
  const Bitmap24& one = ResampleSmooth(square, 1, 1, smooth);
  EXPECT_EQ(&one, &smooth);
  EXPECT_EQ(BlueRow(one), (std::vector<uint8_t>{25}));

  // Same size softens: 1/8 of each neighbour, 3/4 of the pixel itself.
  ResampleSmooth(GreyRow({0, 0, 255, 0, 0}), 5, 1, smooth);
  EXPECT_EQ(BlueRow(smooth), (std::vector<uint8_t>{0, 32, 191, 32, 0}));

  ResampleSmooth(GreyRow({0, 255}), 4, 1, smooth);
  EXPECT_EQ(BlueRow(smooth), (std::vector<uint8_t>{0, 64, 191, 255}));
  EXPECT_EQ(smooth.Row(0)[2 * 3 + 2], 191) << "every channel";
}

TEST(ResampleSmooth, UniformPicturesStayUniform) {
  Bitmap24 smooth;
  const Bitmap24 plain = Filled(7, 5, 255, 1, 128);
  for (auto [dw, dh] : {std::pair{7, 5}, {3, 2}, {20, 11}, {1, 1}}) {
    ResampleSmooth(plain, dw, dh, smooth);
    EXPECT_EQ(smooth.bits, Filled(dw, dh, 255, 1, 128).bits) << dw << " x " << dh;
  }
}

TEST(ResampleSmooth, SizesWithoutResampling) {
  const Bitmap24 picture = Filled(4, 3, 1, 2, 3);
  Bitmap24 smooth;
  EXPECT_EQ(&ResampleSmooth(picture, 0, 3, smooth), &picture);
  EXPECT_EQ(&ResampleSmooth(picture, 4, 0, smooth), &picture);
  EXPECT_EQ(smooth.width, 0) << "left alone";
  EXPECT_THROW(ResampleSmooth(picture, -1, 3, smooth), PictureError);
  EXPECT_THROW(ResampleSmooth(picture, 20000, 20000, smooth), PictureError) << "over the pixel budget";

  ResampleSmooth(Bitmap24{}, 3, 2, smooth);
  EXPECT_EQ(smooth.bits, Filled(3, 2, 0, 0, 0).bits) << "an empty source gives black";
}

// Random pictures, enlarged, shrunk and both, against the reference.
TEST(ResampleSmooth, AgreesWithTheFootprintSumOnRandomPictures) {
  std::mt19937 rng(20240601);
  std::uniform_int_distribution<int> side(1, 24);
  Bitmap24 smooth;
  for (int round = 0; round < 150; ++round) {
    const Bitmap24 source = Random(side(rng), side(rng), rng);
    const int32_t dw = side(rng) * (round % 3 == 0 ? 2 : 1);
    const int32_t dh = side(rng);
    ResampleSmooth(source, dw, dh, smooth, 1 + round % 3);
    const Bitmap24 expected = ReferenceResample(source, dw, dh);
    ASSERT_EQ(smooth.width, dw);
    ASSERT_EQ(smooth.height, dh);
    ASSERT_EQ(smooth.bits, expected.bits)
        << source.width << " x " << source.height << " -> " << dw << " x " << dh;
  }
}

// Pictures of two neighbouring values and simple ratios put many exact
// averages on or next to half-integers, where summation order decides the
// rounding.
TEST(ResampleSmooth, AgreesNearRoundingBoundaries) {
  std::mt19937 rng(99);
  Bitmap24 smooth;
  const std::pair<int, int> ratios[] = {{2, 1}, {4, 1}, {3, 2}, {1, 2}, {2, 4}, {5, 5}, {6, 4}, {8, 3}, {1, 8}};
  for (int32_t sw : {2, 4, 6, 8, 12}) {
    for (auto [num, den] : ratios) {
      const Bitmap24 source = Random(sw, sw, rng, 1);
      const int32_t d = std::max(1, sw * den / num);
      ResampleSmooth(source, d, d, smooth);
      ASSERT_EQ(smooth.bits, ReferenceResample(source, d, d).bits) << sw << " -> " << d;
    }
  }
}

// Two pictures (found by search) where a separable sum without the
// cell-by-cell recount rounds a channel the other way.
TEST(ResampleSmooth, AgreesWhereSummationOrderFlipsTheRounding) {
  struct Case {
    int32_t sw, sh, dw, dh;
    std::vector<uint8_t> bytes;  // rows of sw × 3 bytes
  };
  const Case cases[] = {
      {8, 3, 6, 1,
       {255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 255, 0, 0, 255,
        255, 0, 0, 0, 0, 255, 255, 0, 0, 0, 255, 0, 255, 255, 255, 255, 0, 255, 0, 255, 0, 0, 0, 255,
        255, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 0, 255, 255}},
      {10, 3, 3, 2,
       {0,   255, 0,   0,   255, 255, 255, 0,   255, 255, 0,   255, 255, 255, 255,
        0,   0,   255, 255, 255, 255, 0,   255, 255, 0,   255, 255, 0,   255, 255,
        255, 255, 255, 0,   255, 0,   0,   0,   255, 255, 0,   0,   255, 0,   0,
        255, 255, 0,   0,   0,   255, 0,   0,   255, 255, 0,   255, 0,   255, 0,
        255, 0,   255, 255, 255, 0,   255, 0,   0,   0,   255, 0,   0,   255, 255,
        0,   0,   0,   0,   255, 255, 0,   0,   0,   0,   0,   0,   0,   0,   0}},
  };
  for (const Case& c : cases) {
    Bitmap24 source;
    source.Resize(c.sw, c.sh);
    for (int32_t y = 0; y < c.sh; ++y) std::copy_n(c.bytes.data() + y * c.sw * 3, c.sw * 3, source.Row(y));
    Bitmap24 smooth;
    ResampleSmooth(source, c.dw, c.dh, smooth);
    EXPECT_EQ(smooth.bits, ReferenceResample(source, c.dw, c.dh).bits) << c.sw << " x " << c.sh;
  }
}

// Larger pictures: footprints of many rows and columns (several sweeps of
// the vertical pass, spans beyond the unrolled ones), pictures of two
// neighbouring values (many averages close to half-integers) and dark ones.
TEST(ResampleSmooth, AgreesOnLargerPicturesAndFootprints) {
  std::mt19937 rng(424242);
  struct Case {
    int32_t sw, sh, dw, dh, maxValue;
  };
  const Case cases[] = {
      {300, 200, 37, 23, 255}, {301, 203, 29, 31, 1},   {160, 120, 7, 5, 255},  {97, 61, 250, 170, 255},
      {640, 480, 205, 154, 255}, {333, 222, 106, 71, 1}, {90, 700, 40, 21, 3},  {700, 90, 33, 30, 255},
      {257, 255, 256, 254, 1},   {64, 48, 640, 480, 1},
  };
  for (const Case& c : cases) {
    const Bitmap24 source = Random(c.sw, c.sh, rng, c.maxValue);
    Bitmap24 smooth;
    ResampleSmooth(source, c.dw, c.dh, smooth, 1);
    ASSERT_EQ(smooth.bits, ReferenceResample(source, c.dw, c.dh).bits)
        << c.sw << " x " << c.sh << " -> " << c.dw << " x " << c.dh << ", values 0 … " << c.maxValue;
  }
}

TEST(ResampleSmooth, ThreadsAndSourceAsDestinationGiveTheSameResult) {
  std::mt19937 rng(5);
  const Bitmap24 source = Random(53, 41, rng);
  Bitmap24 one;
  ResampleSmooth(source, 37, 29, one, 1);
  EXPECT_EQ(one.bits, ReferenceResample(source, 37, 29).bits);
  for (int32_t threads : {0, 2, 4, 64}) {
    Bitmap24 many;
    ResampleSmooth(source, 37, 29, many, threads);
    EXPECT_EQ(many.bits, one.bits) << threads << " threads";
  }
  Bitmap24 same = source;
  EXPECT_EQ(&ResampleSmooth(same, 37, 29, same), &same);
  EXPECT_EQ(same.bits, one.bits);
}

}  // namespace
}  // namespace lumora
