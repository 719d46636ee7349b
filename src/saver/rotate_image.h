// The turning engine: holds a picture, turns it by an angle (degrees,
// counter-clockwise on the screen) with nearest-neighbour sampling, and
// keeps the turned result in RotatedBitmap. Corners the turned picture does
// not cover take the control's colour. The saver window has one hidden
// instance: it puts a picture in, sets the angle and copies RotatedBitmap
// out; its close handling calls AbortRotation to stop a long turn.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/geometry.h"
#include "imaging/bitmap24.h"

namespace lumora {

class TRotateImage {
 public:
  // Called between bands of rows while a turn runs (every quarter of a
  // megapixel or so): the place to process window messages, whose close
  // handling may call AbortRotation.
  using BusyHook = std::function<void()>;

  // --- Properties. Each setter that changes its value rebuilds
  // RotatedBitmap at once, so setting the picture and then the angle turns
  // twice; Assign sets both and turns once, with the same result.

  const Bitmap24& Picture() const { return picture_; }
  void SetPicture(Bitmap24 picture);
  void Assign(Bitmap24 picture, double angle);

  double Angle() const { return angle_; }
  void SetAngle(double degrees);

  // Background of the corners and of the UniqueSize square, 0x00BBGGRR
  // (a system colour must be resolved by the caller).
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color);

  // With UniqueSize: the turned picture in the middle of its square rather
  // than at its top-left corner.
  bool Center() const { return center_; }
  void SetCenter(bool center);

  // RotatedBitmap is a square large enough for every angle (UniqueSide),
  // so its size does not change with the angle.
  bool UniqueSize() const { return uniqueSize_; }
  void SetUniqueSize(bool uniqueSize);

  BusyHook OnBusy;

  // The result of the last Rebuild; empty for an empty picture.
  const Bitmap24& RotatedBitmap() const { return rotated_; }

  // Turns the picture again with the current properties. A turned bitmap
  // over the pixel budget raises PictureError and leaves RotatedBitmap
  // empty.
  void Rebuild();

  // Stops a running turn at its next row; every turn clears the request
  // when it starts, so one raised between turns stops nothing.
  static void AbortRotation() { aborted_.store(true, std::memory_order_relaxed); }
  // True when the last turn was stopped (its bitmap is filled from the
  // bottom row up to where it stopped).
  static bool RotationAborted() { return aborted_.load(std::memory_order_relaxed); }

  // --- The engine itself.

  // Size of the picture turned by the angle: its bounding box, each side
  // rounded to the nearest integer (ties to even). Quarter turns exchange
  // the sides exactly.
  static Size RotatedSize(Size picture, double angle);

  // The columns [first, last) of each row of Rotate's result that the
  // turned picture covers; the rest of the row is fill. Drawing through
  // these spans keeps every picture pixel, whatever its colour, and lets
  // the screen show through the corners only.
  struct RowSpan {
    int32_t first = 0;
    int32_t last = 0;
  };
  static std::vector<RowSpan> CoveredSpans(Size picture, double angle);

  // Side of the UniqueSize square: the diagonal of the picture enlarged by
  // 2 pixels each way, rounded to the nearest integer.
  static int32_t UniqueSide(Size picture);

  // The picture turned by the angle into a new bitmap of RotatedSize,
  // filled with the colour where no picture pixel lands. Exact multiples of
  // 90 degrees move every pixel exactly (a transposition or a reversal).
  static Bitmap24 Rotate(const Bitmap24& source, uint32_t fillColor, double angle, const BusyHook& busy = {});
  // The same into an existing bitmap, whose storage is reused when large
  // enough.
  static void RotateInto(const Bitmap24& source, uint32_t fillColor, double angle, Bitmap24& turned,
                         const BusyHook& busy = {});

 private:
  void Changed();
  void PlaceInSquare(const Bitmap24& turned);

  Bitmap24 picture_;
  Bitmap24 rotated_;
  double angle_ = 0;
  uint32_t color_ = 0x00FFFFFF;
  bool center_ = false;
  bool uniqueSize_ = true;

  static inline std::atomic<bool> aborted_{false};
};

}  // namespace lumora
