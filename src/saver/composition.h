// Where a picture goes on the screen image: its displayed size by the size
// and position modes, its position (centred, random, or in a cell of one of
// the two tiling grids), and the raised frame drawn around it. Arithmetic in
// extended precision, brought to whole pixels by cutting toward zero or by
// ceiling as each rule says.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/geometry.h"
#include "imaging/bitmap24.h"
#include "imaging/pixels.h"

namespace lumora {

struct SizeModes {
  int32_t drawPosision = 1;  // 0 centre, 1 random, 2 tile small, 3 tile large
  int32_t graphicsSize = 2;  // 0 full, 1 fit without enlarging, 2 random, 3 fit
};

// The displayed size of a w × h picture in a W × H window; `random` gives
// uniform numbers in [0, 1). A picture with no width or height keeps
// `current`.
Size ComputeDisplaySize(const SizeModes& modes, Size window, Size picture, Size current,
                        const std::function<double()>& random);

// Centred in the window; a picture larger than the window is anchored at
// its left or top edge.
Point CenterPosition(Size window, Size shown);

// The cell grid of a tiling mode: "Draw Posision" 2 has 256 × 192 cells,
// 3 has two columns or two rows of 4:3 cells, whichever the window's shape
// allows. Cell (c, r) has the index c × rows + r.
struct TileGrid {
  int32_t cols = 1;
  int32_t rows = 1;
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int64_t Cells() const { return static_cast<int64_t>(cols) * rows; }
};

// Most cells a grid may have; far beyond any desktop (256 × 256 small cells
// are 65536 × 49152 pixels). A grid above it loses rows until it fits, so
// that the occupancy table stays allocatable.
inline constexpr int64_t kMaxTileCells = 65536;

// The grid of mode 2 or 3 in a W × H window (any other mode is treated as
// 3). Columns and rows are at least 1, even in a window smaller than one
// cell, so that a cell can always be drawn.
TileGrid ComputeTileGrid(int32_t drawPosision, Size window);

// Which cells of the tiling grid hold a picture of the current screen. The
// saver window owns one for the whole show; the flags persist across picture
// groups and only a full grid resets them.
//
// The table starts with 256 cells, enough for every single-monitor desktop.
// A larger grid (several 4K monitors side by side in the small tiling mode:
// 11520 × 2160 gives 45 × 11 = 495 cells) grows the table to the grid's
// size instead of shrinking the grid, so every picture keeps its 256 × 192
// cell and every index c × rows + r lies inside the table. The table never
// shrinks: flags of a larger grid seen earlier stay where they were.
class TileCells {
 public:
  static constexpr int64_t kInitialCells = 256;

  TileCells() : flags_(kInitialCells, 0) {}

  // Grows the table to at least `cells` flags (at most kMaxTileCells).
  void Reserve(int64_t cells);
  int64_t Size() const { return static_cast<int64_t>(flags_.size()); }
  // Cells outside the table count as taken and are never written.
  bool Taken(int64_t index) const { return index < 0 || index >= Size() || flags_[static_cast<size_t>(index)] != 0; }
  void Take(int64_t index) {
    if (index >= 0 && index < Size()) flags_[static_cast<size_t>(index)] = 1;
  }
  void ClearAll() { std::fill(flags_.begin(), flags_.end(), uint8_t{0}); }
  int64_t CountTaken() const;

 private:
  std::vector<uint8_t> flags_;
};

struct PositionModes {
  int32_t drawPosision = 1;  // 0 centre, 1 random, 2 tile small, 3 tile large
  bool screenClear = false;  // "Screen Clear": a full grid restores the start image
  bool brightness = false;   // "Brightness": a full grid darkens the screen
};

// The random sources of the position: `uniform` gives numbers in [0, 1),
// `below(n)` an integer in 0 … n − 1 (a value outside is brought into that
// range).
struct PositionRandom {
  std::function<double()> uniform;
  std::function<int32_t(int32_t n)> below;
};

// Where the picture goes, and what the caller must do to the screen image
// before drawing it: a full tiling grid was just emptied, and the screen is
// to be restored (the start image drawn at (0, 0) by plain copy) and then
// darkened (factor 0.5), each when its setting is on.
struct Placement {
  Point at;
  bool restoreScreen = false;
  bool darkenScreen = false;
  int64_t cell = -1;  // index of the cell taken in a tiling mode, else -1
};

// The top-left corner of a dw × dh picture in a W × H window:
// - mode 1: y = Trunc(Random × (H − dh)), then x = Trunc(Random × (W − dw));
// - modes 2 and 3: a free cell of the grid, drawn at random (column first,
//   then row) at most 1 + cols × rows times, else the first free cell in
//   column order; a full grid is emptied first. The cell is marked taken
//   and the picture centred in it, the grid centred in the window;
// - any other mode: centred.
// A negative x or y becomes 0.
Placement ComputePosition(const PositionModes& modes, Size window, Size shown, TileCells& cells,
                          const PositionRandom& random);

// Asked before each row of the frame; true stops it there (the saver is
// closing).
using FrameClosing = std::function<bool()>;

// Columns of the top and bottom edges of the frame beyond this one are left
// as they are (the left and right edges are drawn in every column).
inline constexpr int32_t kFrameMaxColumns = 32768;

// The raised frame of the rectangle from (left, top) to (right, bottom),
// bounds inclusive: the top edge and the left edge are lightened (each
// channel + 80, at most 255), the bottom edge and the right edge darkened
// (each channel halved, cut toward zero). A top or bottom at or below the
// bitmap's height is drawn on its last row instead; the left and right
// edges run from row top + 1 to row bottom − 1. Pixels outside the bitmap
// are left alone.
void DrawRaisedFrame(PixelView bitmap, int32_t top, int32_t left, int32_t bottom, int32_t right,
                     const FrameClosing& closing = {});
void DrawRaisedFrame(Bitmap24& bitmap, int32_t top, int32_t left, int32_t bottom, int32_t right,
                     const FrameClosing& closing = {});

}  // namespace lumora
