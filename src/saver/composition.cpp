#include "saver/composition.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumora {

namespace {

using Real = long double;

// Whole pixels; values beyond the 32-bit range (never met with real
// windows) saturate instead of overflowing.
int32_t ToInt32(Real value) {
  if (!(value > static_cast<Real>(std::numeric_limits<int32_t>::min()))) return std::numeric_limits<int32_t>::min();
  if (value > static_cast<Real>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int32_t Ceil(Real value) { return ToInt32(std::ceil(value)); }
int32_t Trunc(Real value) { return ToInt32(value); }

Size FitToWidth(Size picture, int32_t width) {
  return {width, Ceil(static_cast<Real>(picture.height) * width / picture.width)};
}

Size FitToHeight(Size picture, int32_t height) {
  return {Ceil(static_cast<Real>(picture.width) * height / picture.height), height};
}

// Fitted into the box by the side that matters for its shape.
Size BoxFit(Size picture, int32_t width, int32_t height) {
  if (picture.height < picture.width) {
    const Size fitted = FitToWidth(picture, width);
    return fitted.height > height ? FitToHeight(picture, height) : fitted;
  }
  const Size fitted = FitToHeight(picture, height);
  return fitted.width > width ? FitToWidth(picture, width) : fitted;
}

Size WidthThenHeight(Size picture, Size window) {
  const Size fitted = FitToWidth(picture, window.width);
  return fitted.height > window.height ? FitToHeight(picture, window.height) : fitted;
}

Size HeightThenWidth(Size picture, Size window) {
  const Size fitted = FitToHeight(picture, window.height);
  return fitted.width > window.width ? FitToWidth(picture, window.width) : fitted;
}

}  // namespace

Size ComputeDisplaySize(const SizeModes& modes, Size window, Size picture, Size current,
                        const std::function<double()>& random) {
  const int32_t w = picture.width, h = picture.height, W = window.width, H = window.height;
  if (w <= 0 || h <= 0) return current;
  if (modes.drawPosision == 2) return BoxFit(picture, 256, 192);
  if (modes.drawPosision == 3) {
    if (static_cast<Real>(H) / W > 0.75L) {
      return BoxFit(picture, Trunc(static_cast<Real>(W) / 2), Trunc(static_cast<Real>(W) / 2 * 3 / 4));
    }
    return BoxFit(picture, Trunc(static_cast<Real>(H) / 2 * 4 / 3), Trunc(static_cast<Real>(H) / 2));
  }
  switch (modes.graphicsSize) {
    case 1:
      if (w > W && h <= H) return WidthThenHeight(picture, window);
      if (w <= W && h > H) return HeightThenWidth(picture, window);
      if (w > W && h > H) {
        return static_cast<Real>(W) / w < static_cast<Real>(H) / h ? WidthThenHeight(picture, window)
                                                                   : HeightThenWidth(picture, window);
      }
      return picture;
    case 2: {
      const Real a = random();
      const Real b = random();
      const Real scale = h < w ? static_cast<Real>(W) / w : static_cast<Real>(H) / h;
      const double r = static_cast<double>((a + b + 0.3L) / 3 * scale);
      return {Ceil(static_cast<Real>(w) * r), Ceil(static_cast<Real>(h) * r)};
    }
    case 3:
      return BoxFit(picture, W, H);
    default:
      return picture;
  }
}

Point CenterPosition(Size window, Size shown) {
  Point at{Trunc((static_cast<Real>(window.width) - shown.width) / 2),
           Trunc((static_cast<Real>(window.height) - shown.height) / 2)};
  if (at.x < 0) at.x = 0;
  if (at.y < 0) at.y = 0;
  return at;
}

namespace {

// A column or row count: at least 1, at most kMaxTileCells (also for the
// infinite or undefined quotients of a window without width or height).
int32_t CountOf(Real value) {
  if (!(value >= 1)) return 1;
  if (value >= static_cast<Real>(kMaxTileCells)) return static_cast<int32_t>(kMaxTileCells);
  return static_cast<int32_t>(value);
}

Point Clamped(Point at) {
  if (at.x < 0) at.x = 0;
  if (at.y < 0) at.y = 0;
  return at;
}

}  // namespace

TileGrid ComputeTileGrid(int32_t drawPosision, Size window) {
  const Real W = window.width, H = window.height;
  TileGrid grid;
  if (drawPosision == 2) {
    grid.cellWidth = 256;
    grid.cellHeight = 192;
    grid.cols = CountOf(W / 256);
    grid.rows = CountOf(H / 192);
  } else if (window.width <= 0 || window.height <= 0) {
    return grid;  // one empty cell
  } else if (H / W > 0.75L) {
    grid.cols = 2;
    grid.cellWidth = Trunc(W / 2);
    grid.cellHeight = Trunc(W / 2 * 3 / 4);
    grid.rows = CountOf(H / (W / 2 * 3 / 4));
  } else {
    grid.rows = 2;
    grid.cellHeight = Trunc(H / 2);
    grid.cellWidth = Trunc(H / 2 * 4 / 3);
    grid.cols = CountOf(W / (H / 2 * 4 / 3));
  }
  if (grid.Cells() > kMaxTileCells) grid.rows = std::max<int32_t>(1, static_cast<int32_t>(kMaxTileCells / grid.cols));
  return grid;
}

void TileCells::Reserve(int64_t cells) {
  cells = std::min(cells, kMaxTileCells);
  if (cells > Size()) flags_.resize(static_cast<size_t>(cells), 0);
}

int64_t TileCells::CountTaken() const { return std::count(flags_.begin(), flags_.end(), uint8_t{1}); }

Placement ComputePosition(const PositionModes& modes, Size window, Size shown, TileCells& cells,
                          const PositionRandom& random) {
  const Real W = window.width, H = window.height;
  Placement placement;
  if (modes.drawPosision == 1) {
    const Real forY = random.uniform();
    const Real forX = random.uniform();
    placement.at.y = Trunc(forY * (H - shown.height));
    placement.at.x = Trunc(forX * (W - shown.width));
    placement.at = Clamped(placement.at);
    return placement;
  }
  if (modes.drawPosision != 2 && modes.drawPosision != 3) {
    placement.at = CenterPosition(window, shown);
    return placement;
  }

  const TileGrid grid = ComputeTileGrid(modes.drawPosision, window);
  const int64_t total = grid.Cells();
  cells.Reserve(total);
  const auto index = [&](int32_t c, int32_t r) { return static_cast<int64_t>(c) * grid.rows + r; };

  // The first free cell in column order: the answer when the random picks
  // run out.
  int32_t fc = grid.cols, fr = 0;
  for (int32_t c = 0; c < grid.cols && fc == grid.cols; ++c) {
    for (int32_t r = 0; r < grid.rows; ++r) {
      if (!cells.Taken(index(c, r))) {
        fc = c;
        fr = r;
        break;
      }
    }
  }
  if (fc == grid.cols) {
    // A full screen: the caller restores and darkens it before drawing.
    placement.restoreScreen = modes.screenClear;
    placement.darkenScreen = modes.brightness;
    cells.ClearAll();
    fc = 0;
    fr = 0;
  }

  int32_t c = 0, r = 0;
  const auto pick = [&] {
    c = std::clamp<int32_t>(random.below(grid.cols), 0, grid.cols - 1);
    r = std::clamp<int32_t>(random.below(grid.rows), 0, grid.rows - 1);
  };
  pick();
  int64_t picks = 0;
  while (cells.Taken(index(c, r)) && picks < total) {
    pick();
    ++picks;
  }
  // After as many further picks as there are cells the fallback is used,
  // even when the last pick found a free cell.
  if (picks == total) {
    c = fc;
    r = fr;
  }
  placement.cell = index(c, r);
  cells.Take(placement.cell);

  const Real cw = grid.cellWidth, ch = grid.cellHeight;
  placement.at.x = Trunc(c * cw + (cw - shown.width) / 2 + (W - grid.cols * cw) / 2);
  placement.at.y = Trunc(r * ch + (ch - shown.height) / 2 + (H - grid.rows * ch) / 2);
  placement.at = Clamped(placement.at);
  return placement;
}

namespace {

// Each channel + 80, at most 255.
void LightenBytes(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[i] = bytes[i] > 175 ? uint8_t{255} : static_cast<uint8_t>(bytes[i] + 80);
}

// Each channel halved, cut toward zero.
void DarkenBytes(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(bytes[i] >> 1);
}

}  // namespace

void DrawRaisedFrame(PixelView bitmap, int32_t top, int32_t left, int32_t bottom, int32_t right,
                     const FrameClosing& closing) {
  if (bitmap.bits == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return;
  const int64_t width = bitmap.width, height = bitmap.height;
  const auto stop = [&] { return closing && closing(); };

  // Top and bottom edges: a row at or below the height moves to the last
  // row; a row above the bitmap is not drawn.
  const int64_t rowT = top >= height ? height - 1 : top;
  const int64_t rowB = bottom >= height ? height - 1 : bottom;
  const int64_t first = std::max<int64_t>(left, 0);
  const int64_t end = std::min({static_cast<int64_t>(right) + 1, width, static_cast<int64_t>(kFrameMaxColumns)});
  if (first < end) {
    if (stop()) return;
    const size_t from = static_cast<size_t>(first) * 3, count = static_cast<size_t>(end - first) * 3;
    // Lightening row T before darkening row B gives each pixel of a
    // one-row rectangle both changes in that order.
    if (rowT >= 0) LightenBytes(bitmap.Row(static_cast<int32_t>(rowT)) + from, count);
    if (rowB >= 0) DarkenBytes(bitmap.Row(static_cast<int32_t>(rowB)) + from, count);
  }

  // Left and right edges, between the top and bottom rows.
  const bool leftInside = left >= 0 && left < width;
  const bool rightInside = right >= 0 && right < width;
  if (!leftInside && !rightInside) return;
  const int64_t yEnd = std::min<int64_t>(bottom, height);
  for (int64_t y = std::max<int64_t>(static_cast<int64_t>(top) + 1, 0); y < yEnd; ++y) {
    if (stop()) return;
    uint8_t* row = bitmap.Row(static_cast<int32_t>(y));
    if (leftInside) LightenBytes(row + static_cast<size_t>(left) * 3, 3);
    if (rightInside) DarkenBytes(row + static_cast<size_t>(right) * 3, 3);
  }
}

void DrawRaisedFrame(Bitmap24& bitmap, int32_t top, int32_t left, int32_t bottom, int32_t right,
                     const FrameClosing& closing) {
  DrawRaisedFrame(bitmap.View(), top, left, bottom, right, closing);
}

}  // namespace lumora
