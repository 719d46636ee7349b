#include "saver/rotate_image.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace lumora {

namespace {

using Real = long double;

// Picture pixels between two calls of the busy hook: about a millisecond of
// turning.
constexpr int64_t kBusyPixels = 1 << 18;

// Rows (and columns) of one block of a quarter turn: a block's source and
// destination lines stay in the first-level cache.
constexpr int32_t kTile = 64;

// Rows of one band of an arbitrary turn, and columns of one strip of it:
// narrow strips keep the source lines and pages one row of a strip touches
// cached for the next row, which touches nearly the same ones.
constexpr int32_t kBandRows = 256;
constexpr int64_t kStripPixels = 16;

// How many rows ahead, within a strip, the source lines are asked for.
constexpr int32_t kPrefetchRows = 8;

// Pixels are moved as little-endian 32-bit words.
static_assert(std::endian::native == std::endian::little);

// Fixed-point source coordinates: 32 bits of fraction.
constexpr int kFractionBits = 32;
constexpr double kOne = 4294967296.0;

struct Bgr {
  uint8_t blue, green, red;
};

Bgr ColorBytes(uint32_t color) {
  return {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8), static_cast<uint8_t>(color)};
}

// Makes the bitmap the size, under the same budget as Bitmap24::Resize
// (which raises the error) but without Resize's pixel-by-pixel fill: every
// pixel is written once afterwards. Storage the bitmap already has is
// reused, which spares fresh pages when pictures of one size follow each
// other; when it is too small, or over twice the size (a 32-bit process
// should not sit on it), it is freed before the new one is taken.
void Allocate(Bitmap24& bitmap, Size size) {
  if (size.width < 0 || size.height < 0 || static_cast<int64_t>(size.width) * size.height > kMaxPicturePixels) {
    bitmap.Resize(size.width, size.height);
  }
  bitmap.width = size.width;
  bitmap.height = size.height;
  const size_t bytes = static_cast<size_t>(bitmap.Stride()) * static_cast<size_t>(size.height);
  if (bitmap.bits.capacity() < bytes || bitmap.bits.capacity() / 2 > bytes) bitmap.bits = std::vector<uint8_t>();
  bitmap.bits.resize(bytes);
}

// Reused storage holds old bytes in the row padding; a DIB wants zeros.
void ClearPadding(Bitmap24& bitmap) {
  const size_t used = static_cast<size_t>(bitmap.width) * 3;
  const size_t padding = static_cast<size_t>(bitmap.Stride()) - used;
  if (padding == 0) return;
  for (int32_t y = 0; y < bitmap.height; ++y) std::memset(bitmap.Row(y) + used, 0, padding);
}

// One row of the fill colour, copied into the parts of rows no picture
// pixel covers.
class FillRow {
 public:
  FillRow(Bgr fill, int32_t width) : bytes_(static_cast<size_t>(width) * 3) {
    for (size_t i = 0; i < bytes_.size(); i += 3) {
      bytes_[i] = fill.blue;
      bytes_[i + 1] = fill.green;
      bytes_[i + 2] = fill.red;
    }
  }
  void Fill(uint8_t* row, int64_t first, int64_t last) const {
    if (first < last) std::memcpy(row + first * 3, bytes_.data(), static_cast<size_t>(last - first) * 3);
  }

 private:
  std::vector<uint8_t> bytes_;
};

// The angle in [0, 360); anything not finite counts as no turn.
double Normalized(double angle) {
  if (!std::isfinite(angle)) return 0;
  double a = std::fmod(angle, 360.0);
  if (a < 0) a += 360.0;
  if (a >= 360.0) a -= 360.0;  // a tiny negative angle rounds up to 360
  return a;
}

// Number of quarter turns when the angle is an exact multiple of 90, else -1.
int QuarterTurns(double normalized) {
  if (normalized == 0) return 0;
  if (normalized == 90) return 1;
  if (normalized == 180) return 2;
  if (normalized == 270) return 3;
  return -1;
}

// Nearest integer, ties to even (the default rounding mode); sizes beyond
// the 32-bit range saturate and are then refused by the pixel budget.
int32_t Nearest(Real value) {
  const Real rounded = std::nearbyint(value);
  if (!(rounded < static_cast<Real>(std::numeric_limits<int32_t>::max()))) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(rounded);
}

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {  // b > 0
  const int64_t q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

// Narrows [first, last) to the integers x with 0 <= start + step·x < limit.
void Clip(int64_t start, int64_t step, int64_t limit, int64_t& first, int64_t& last) {
  int64_t low, high;
  if (step > 0) {
    low = CeilDiv(-start, step);
    high = FloorDiv(limit - 1 - start, step) + 1;
  } else if (step < 0) {
    low = CeilDiv(start - limit + 1, -step);
    high = FloorDiv(start, -step) + 1;
  } else {
    if (start >= 0 && start < limit) return;
    low = high = 0;
  }
  first = std::max(first, low);
  last = std::min(last, high);
}

// Watches the abort request and calls the busy hook now and then.
class Pacer {
 public:
  Pacer(const std::atomic<bool>& aborted, const TRotateImage::BusyHook& busy, int32_t rowPixels)
      : aborted_(aborted), busy_(busy), rowPixels_(rowPixels) {}

  bool Stopped() const { return aborted_.load(std::memory_order_relaxed); }

  void RowsDone(int32_t rows) {
    if (!busy_) return;
    pending_ += static_cast<int64_t>(rows) * rowPixels_;
    if (pending_ >= kBusyPixels) {
      pending_ = 0;
      busy_();
    }
  }

 private:
  const std::atomic<bool>& aborted_;
  const TRotateImage::BusyHook& busy_;
  int64_t rowPixels_;
  int64_t pending_ = 0;
};

// Source pixels addressed by fixed-point coordinates (cut down to whole
// pixels).
struct SourcePixels {
  const uint8_t* bits;
  ptrdiff_t stride;
  const uint8_t* At(int64_t u, int64_t v) const {
    return bits + (v >> kFractionBits) * stride + (u >> kFractionBits) * 3;
  }
};

inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

inline void CopyPixel(uint8_t* to, const uint8_t* from) {
  to[0] = from[0];
  to[1] = from[1];
  to[2] = from[2];
}

// Exact turns by 0, 90, 180 or 270 degrees: every source pixel lands on one
// destination pixel. Bands of rows from the bottom up, so a stopped turn
// leaves the same kind of partial bitmap as an arbitrary angle. Returns the
// number of rows left undone at the top.
int32_t QuarterTurn(const Bitmap24& source, Bitmap24& turned, int quarters, Pacer& pacer) {
  // Locals, not the bitmaps' fields: byte stores could alias those, and the
  // compiler would reload them for every pixel.
  const int32_t w = source.width;
  const int32_t h = source.height;
  const uint8_t* const sourceBits = source.bits.data();
  const ptrdiff_t sourceStride = source.Stride();
  for (int32_t bandEnd = turned.height; bandEnd > 0; bandEnd -= kTile) {
    if (pacer.Stopped()) return bandEnd;
    const int32_t bandStart = std::max(0, bandEnd - kTile);
    switch (quarters) {
      case 0:
        for (int32_t y = bandStart; y < bandEnd; ++y) {
          std::memcpy(turned.Row(y), source.Row(y), static_cast<size_t>(w) * 3);
        }
        break;
      case 2:  // reversal of rows and columns
        for (int32_t y = bandStart; y < bandEnd; ++y) {
          uint8_t* to = turned.Row(y);
          const uint8_t* from = sourceBits + (h - 1 - y) * sourceStride + static_cast<ptrdiff_t>(w - 1) * 3;
          for (int32_t x = 0; x < w; ++x, to += 3, from -= 3) CopyPixel(to, from);
        }
        break;
      case 1:  // the top row becomes the left column, its right end on top
      case 3:  // the top row becomes the right column, its left end on top
        for (int32_t tileStart = 0; tileStart < turned.width; tileStart += kTile) {
          const int32_t tileEnd = std::min(turned.width, tileStart + kTile);
          for (int32_t y = bandStart; y < bandEnd; ++y) {
            uint8_t* to = turned.Row(y) + static_cast<ptrdiff_t>(tileStart) * 3;
            if (quarters == 1) {
              const ptrdiff_t column = static_cast<ptrdiff_t>(w - 1 - y) * 3;
              const uint8_t* from = sourceBits + tileStart * sourceStride + column;
              for (int32_t x = tileStart; x < tileEnd; ++x, to += 3, from += sourceStride) CopyPixel(to, from);
            } else {
              const ptrdiff_t column = static_cast<ptrdiff_t>(y) * 3;
              const uint8_t* from = sourceBits + (h - 1 - tileStart) * sourceStride + column;
              for (int32_t x = tileStart; x < tileEnd; ++x, to += 3, from -= sourceStride) CopyPixel(to, from);
            }
          }
        }
        break;
    }
    pacer.RowsDone(bandEnd - bandStart);
  }
  return 0;
}

// Any other angle. Destination pixel (x, y) takes source pixel
//   sx = scx + Nearest(c·(x − dcx) − s·(y − dcy)),
//   sy = scy + Nearest(s·(x − dcx) + c·(y − dcy)),
// with the centres dcx, dcy of the turned bitmap and scx, scy of the
// picture (one less on the side whose factor is negative). Along a row both
// coordinates grow by a constant step, so each row starts from its own
// fixed-point position, is clipped once to the columns whose source pixel
// exists, and then needs only additions; the columns outside take the fill.
// A row walks the picture on a slant, touching a new source line every few
// pixels, so a band of rows is done in narrow strips: the source lines one
// strip touches are still cached for the next row of the band. Returns the
// number of rows left undone at the top.
// Where the rows of a turned picture read the source: for row y, the source
// position of column 0 and the fixed-point step from one column to the
// next, and the columns whose source pixel exists.
class TurnGeometry {
 public:
  TurnGeometry(Size picture, Size turned, double angle) : turned_(turned) {
    const Real theta = static_cast<Real>(angle) * std::numbers::pi_v<Real> / 180;
    c_ = static_cast<double>(std::cos(theta));
    s_ = static_cast<double>(std::sin(theta));
    dcx_ = turned.width / 2;
    dcy_ = turned.height / 2;
    scx_ = picture.width / 2;
    scy_ = picture.height / 2;
    if (c_ < 0) --scx_;
    if (s_ < 0) --scy_;
    stepU = std::llround(c_ * kOne);
    stepV = std::llround(s_ * kOne);
    limitU_ = static_cast<int64_t>(picture.width) << kFractionBits;
    limitV_ = static_cast<int64_t>(picture.height) << kFractionBits;
  }

  struct Span {
    int64_t startU, startV;  // source position of column 0
    int64_t first, last;     // columns whose source pixel exists
  };

  Span Row(int32_t y) const {
    Span span;
    const double dy = static_cast<double>(y - dcy_);
    // Plus one half, so that cutting the fixed-point value down takes the
    // nearest pixel.
    span.startU = std::llround((scx_ + 0.5 - c_ * dcx_ - s_ * dy) * kOne);
    span.startV = std::llround((scy_ + 0.5 - s_ * dcx_ + c_ * dy) * kOne);
    span.first = 0;
    span.last = turned_.width;
    Clip(span.startU, stepU, limitU_, span.first, span.last);
    Clip(span.startV, stepV, limitV_, span.first, span.last);
    return span;
  }

  int64_t stepU = 0, stepV = 0;

 private:
  Size turned_;
  double c_ = 1, s_ = 0;
  int32_t dcx_ = 0, dcy_ = 0, scx_ = 0, scy_ = 0;
  int64_t limitU_ = 0, limitV_ = 0;
};

int32_t ArbitraryTurn(const Bitmap24& picture, Bitmap24& turned, const FillRow& fill, double angle, Pacer& pacer) {
  const TurnGeometry geometry({picture.width, picture.height}, {turned.width, turned.height}, angle);
  const int64_t stepU = geometry.stepU;
  const int64_t stepV = geometry.stepV;
  const SourcePixels source{picture.bits.data(), picture.Stride()};
  using Span = TurnGeometry::Span;
  Span spans[kBandRows];

  for (int32_t bandEnd = turned.height; bandEnd > 0; bandEnd -= kBandRows) {
    if (pacer.Stopped()) return bandEnd;
    const int32_t bandStart = std::max(0, bandEnd - kBandRows);
    int64_t bandFirst = turned.width;
    int64_t bandLast = 0;
    for (int32_t y = bandStart; y < bandEnd; ++y) {
      Span& span = spans[y - bandStart];
      span = geometry.Row(y);
      uint8_t* row = turned.Row(y);
      if (span.first >= span.last) {
        fill.Fill(row, 0, turned.width);
        continue;
      }
      fill.Fill(row, 0, span.first);
      fill.Fill(row, span.last, turned.width);
      bandFirst = std::min(bandFirst, span.first);
      bandLast = std::max(bandLast, span.last);
    }
    for (int64_t stripStart = bandFirst; stripStart < bandLast; stripStart += kStripPixels) {
      const int64_t stripEnd = std::min(bandLast, stripStart + kStripPixels);
      for (int32_t y = bandEnd - 1; y >= bandStart; --y) {
        if (y - kPrefetchRows >= bandStart) {
          // Both ends of the strip a few rows up: one of them reaches a
          // source line no row of the strip has touched yet.
          const Span& ahead = spans[y - kPrefetchRows - bandStart];
          const int64_t a = std::max(stripStart, ahead.first);
          const int64_t b = std::min(stripEnd, ahead.last) - 1;
          if (a <= b) {
            Prefetch(source.At(ahead.startU + a * stepU, ahead.startV + a * stepV));
            Prefetch(source.At(ahead.startU + b * stepU, ahead.startV + b * stepV));
          }
        }
        const Span& span = spans[y - bandStart];
        const int64_t first = std::max(stripStart, span.first);
        const int64_t last = std::min(stripEnd, span.last);
        if (first >= last) continue;
        int64_t u = span.startU + first * stepU;
        int64_t v = span.startV + first * stepV;
        uint8_t* to = turned.Row(y) + first * 3;
        // Four-byte stores, each one's last byte overwritten by the next
        // pixel; the last pixel of the piece takes three, so that nothing
        // beyond it is touched.
        for (int64_t x = first + 1; x < last; ++x, to += 3, u += stepU, v += stepV) {
          const uint8_t* from = source.At(u, v);
          uint16_t low;
          std::memcpy(&low, from, 2);
          const uint32_t pixel = low | (uint32_t{from[2]} << 16);
          std::memcpy(to, &pixel, 4);
        }
        CopyPixel(to, source.At(u, v));
      }
    }
    pacer.RowsDone(bandEnd - bandStart);
  }
  return 0;
}

}  // namespace

void TRotateImage::SetPicture(Bitmap24 picture) {
  picture_ = std::move(picture);
  Changed();
}

void TRotateImage::Assign(Bitmap24 picture, double angle) {
  picture_ = std::move(picture);
  angle_ = angle;
  Changed();
}

void TRotateImage::SetAngle(double degrees) {
  if (degrees == angle_) return;
  angle_ = degrees;
  Changed();
}

void TRotateImage::SetColor(uint32_t color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TRotateImage::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  Changed();
}

void TRotateImage::SetUniqueSize(bool uniqueSize) {
  if (uniqueSize == uniqueSize_) return;
  uniqueSize_ = uniqueSize;
  Changed();
}

void TRotateImage::Changed() { Rebuild(); }

void TRotateImage::Rebuild() {
  if (picture_.width < 1 || picture_.height < 1) {
    rotated_ = Bitmap24{};
    return;
  }
  try {
    if (!uniqueSize_) {
      // Straight into the old result, whose storage usually fits.
      RotateInto(picture_, color_, angle_, rotated_, OnBusy);
      return;
    }
    // The old square goes first: in a 32-bit process the picture, its
    // turned copy and the square may be all the room there is.
    rotated_ = Bitmap24{};
    PlaceInSquare(Rotate(picture_, color_, angle_, OnBusy));
  } catch (...) {
    rotated_ = Bitmap24{};
    throw;
  }
}

void TRotateImage::PlaceInSquare(const Bitmap24& turned) {
  const int32_t side = UniqueSide({picture_.width, picture_.height});
  Bitmap24 square;
  Allocate(square, {side, side});
  const FillRow fill(ColorBytes(color_), side);
  for (int32_t y = 0; y < side; ++y) fill.Fill(square.Row(y), 0, side);
  const int32_t left = center_ ? (side - turned.width) / 2 : 0;
  const int32_t top = center_ ? (side - turned.height) / 2 : 0;
  // The turned picture never exceeds the square; the clipping is a guard.
  const int32_t firstX = std::max(0, -left);
  const int32_t lastX = std::min(turned.width, side - left);
  const int32_t firstY = std::max(0, -top);
  const int32_t lastY = std::min(turned.height, side - top);
  for (int32_t y = firstY; y < lastY && firstX < lastX; ++y) {
    std::memcpy(square.Row(top + y) + static_cast<ptrdiff_t>(left + firstX) * 3,
                turned.Row(y) + static_cast<ptrdiff_t>(firstX) * 3, static_cast<size_t>(lastX - firstX) * 3);
  }
  rotated_ = std::move(square);
}

Size TRotateImage::RotatedSize(Size picture, double angle) {
  const double normalized = Normalized(angle);
  const int quarters = QuarterTurns(normalized);
  if (quarters == 0 || quarters == 2) return picture;
  if (quarters == 1 || quarters == 3) return {picture.height, picture.width};

  const Real theta = static_cast<Real>(normalized) * std::numbers::pi_v<Real> / 180;
  const Real c = std::cos(theta);
  const Real s = std::sin(theta);
  const Real w = picture.width;
  const Real h = picture.height;
  if (c * s >= 0) return {Nearest(std::fabs(c * w + s * h)), Nearest(std::fabs(s * w + c * h))};
  return {Nearest(std::fabs(c * w - s * h)), Nearest(std::fabs(s * w - c * h))};
}

std::vector<TRotateImage::RowSpan> TRotateImage::CoveredSpans(Size picture, double angle) {
  const double normalized = Normalized(angle);
  const Size turned = RotatedSize(picture, normalized);
  std::vector<RowSpan> spans(static_cast<size_t>(std::max(0, turned.height)));
  if (picture.width < 1 || picture.height < 1 || turned.width < 1) {
    for (RowSpan& span : spans) span = {0, 0};
    return spans;
  }
  if (QuarterTurns(normalized) >= 0) {
    for (RowSpan& span : spans) span = {0, turned.width};
    return spans;
  }
  const TurnGeometry geometry(picture, turned, normalized);
  for (int32_t y = 0; y < turned.height; ++y) {
    const TurnGeometry::Span span = geometry.Row(y);
    spans[static_cast<size_t>(y)] = span.first < span.last
                                        ? RowSpan{static_cast<int32_t>(span.first), static_cast<int32_t>(span.last)}
                                        : RowSpan{0, 0};
  }
  return spans;
}

int32_t TRotateImage::UniqueSide(Size picture) {
  const Real w = static_cast<Real>(picture.width) + 2;
  const Real h = static_cast<Real>(picture.height) + 2;
  return Nearest(std::sqrt(w * w + h * h));
}

Bitmap24 TRotateImage::Rotate(const Bitmap24& source, uint32_t fillColor, double angle, const BusyHook& busy) {
  Bitmap24 turned;
  RotateInto(source, fillColor, angle, turned, busy);
  return turned;
}

void TRotateImage::RotateInto(const Bitmap24& source, uint32_t fillColor, double angle, Bitmap24& turned,
                              const BusyHook& busy) {
  if (&source == &turned) {
    Bitmap24 copy = Rotate(source, fillColor, angle, busy);
    turned = std::move(copy);
    return;
  }
  aborted_.store(false, std::memory_order_relaxed);
  const double normalized = Normalized(angle);
  Allocate(turned, RotatedSize({source.width, source.height}, normalized));
  const FillRow fill(ColorBytes(fillColor), turned.width);
  int32_t undone = turned.height;
  if (source.width >= 1 && source.height >= 1 && turned.width >= 1) {
    Pacer pacer(aborted_, busy, turned.width);
    const int quarters = QuarterTurns(normalized);
    undone = quarters >= 0 ? QuarterTurn(source, turned, quarters, pacer)
                           : ArbitraryTurn(source, turned, fill, normalized, pacer);
  }
  // Rows a stopped turn did not reach show the fill colour.
  for (int32_t y = 0; y < undone; ++y) fill.Fill(turned.Row(y), 0, turned.width);
  ClearPadding(turned);
}

}  // namespace lumora
