#include "saver/effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace lumora {
namespace {

bool IsClosing(const EffectsClosing& closing) { return closing && closing(); }

int32_t AlteredWidth(int32_t width) { return std::min(width, kEffectsMaxRowPixels); }

// Channel values by the sum R + G + B of a pixel (0 … 765), so the colour
// modes need no division per pixel.
struct ColourTables {
  std::array<uint8_t, 766> grey{};
  std::array<uint8_t, 766> sepiaGreen{};
  std::array<uint8_t, 766> sepiaBlue{};

  constexpr ColourTables() {
    for (int sum = 0; sum < 766; ++sum) {
      const int v = sum / 3;
      grey[sum] = static_cast<uint8_t>(v);
      sepiaGreen[sum] = static_cast<uint8_t>(v * 216 / 256);
      sepiaBlue[sum] = static_cast<uint8_t>(v * 166 / 256);
    }
  }
};
constexpr ColourTables kColour;

// Trunc(v × 0.8) and Trunc(v × 0.5) of every channel value, in integers.
struct DarkenTables {
  std::array<uint8_t, 256> fourFifths{};
  std::array<uint8_t, 256> half{};

  constexpr DarkenTables() {
    for (int v = 0; v < 256; ++v) {
      fourFifths[v] = static_cast<uint8_t>(v * 4 / 5);
      half[v] = static_cast<uint8_t>(v / 2);
    }
  }
};
constexpr DarkenTables kDarken;

// ---------------------------------------------------------------------------
// Smooth resampling.
//
// Along one axis, destination index d covers the source interval
// [lo, hi] = [d × s − 0.5, (d + 1) × s − 0.500001] (s = source / destination
// length), which meets the cells [c, c + 1] for c = Floor(lo) … Floor(hi).
// In each cell the overlap has length l and midpoint offset m from c, and
// the bilinear surface's integral over the footprint is
//   Σ over cells (c, r) of lx·ly·(P00 + (P01 − P00)·mx + (P10 − P00)·my
//                                + (P00 + P11 − P01 − P10)·mx·my)
// = Σ over cells of lx(1 − mx)·ly(1 − my)·P(c, r) + lx·mx·ly(1 − my)·P(c + 1, r)
//                 + lx(1 − mx)·ly·my·P(c, r + 1) + lx·mx·ly·my·P(c + 1, r + 1),
// a product of a column weight and a row weight per source pixel (indices
// clamped to the picture). The separable sum is done per destination row:
// the rows' weighted sum first (one value per source column and channel),
// then each destination pixel's columns.

// Overlap of [lo, hi] with the cell [c, c + 1]: its length and the offset of
// its midpoint from c.
inline void CellOverlap(double lo, double hi, int32_t c, double& length, double& middle) {
  const double left = c;
  const double right = left + 1;
  if (left > lo) {
    if (right < hi) {
      length = 1;
      middle = 0.5;
    } else {
      length = hi - left;
      middle = (hi - left) / 2;
    }
  } else if (right >= hi) {
    length = hi - lo;
    middle = (lo + hi) / 2 - left;
  } else {
    length = right - lo;
    middle = (lo + right) / 2 - left;
  }
}

inline int32_t Clamp(int32_t v, int32_t last) { return v < 0 ? 0 : (v > last ? last : v); }

inline uint8_t ToChannel(double q) {
  const double v = std::nearbyint(q);  // the default rounding: to nearest, ties to even
  if (!(v > 0)) return 0;
  if (v > 255) return 255;
  return static_cast<uint8_t>(v);
}

// Per-axis weights: for destination index d, `span` weights for the source
// indices first[d] … first[d] + span − 1 (zeros where the footprint does not
// reach), `count[d]` of them meaningful from first[d] on when not shifted.
struct AxisWeights {
  int32_t span = 0;
  std::vector<int32_t> first;
  std::vector<int32_t> count;
  std::vector<double> weights;
  // For the rounding margin: the number of cells and Σ |l|·(1 + 2|m|) over
  // them, which bounds the magnitude of the terms of either summation.
  std::vector<int32_t> cells;
  std::vector<double> magnitude;
};

// Builds the weights of one axis. With `fixedSpan`, every first[d] is moved
// back so that first[d] + span stays inside the source, and the weights
// shifted with it, letting the inner loop run over exactly `span` entries.
AxisWeights BuildAxis(int32_t sourceLength, int32_t destinationLength, bool fixedSpan) {
  AxisWeights axis;
  const double scale = static_cast<double>(sourceLength) / destinationLength;
  const int32_t last = sourceLength - 1;
  const auto n = static_cast<size_t>(destinationLength);
  axis.first.resize(n);
  axis.count.resize(n);
  axis.cells.resize(n);
  axis.magnitude.resize(n);

  std::vector<std::pair<int32_t, int32_t>> cellRange(n);
  for (int32_t d = 0; d < destinationLength; ++d) {
    const double lo = d * scale - 0.5;
    const double hi = (d + 1) * scale - 0.500001;
    const auto cLo = static_cast<int32_t>(std::floor(lo));
    const auto cHi = static_cast<int32_t>(std::floor(hi));
    cellRange[d] = {cLo, cHi};
    const int32_t from = Clamp(cLo, last);
    const int32_t to = cHi >= cLo ? Clamp(cHi + 1, last) : from;
    axis.first[d] = from;
    axis.count[d] = cHi >= cLo ? to - from + 1 : 0;
    axis.span = std::max(axis.span, axis.count[d]);
  }
  axis.span = std::max(axis.span, 1);
  axis.weights.assign(n * static_cast<size_t>(axis.span), 0.0);

  for (int32_t d = 0; d < destinationLength; ++d) {
    const double lo = d * scale - 0.5;
    const double hi = (d + 1) * scale - 0.500001;
    int32_t first = axis.first[d];
    if (fixedSpan && first + axis.span > sourceLength) first = sourceLength - axis.span;
    double* w = axis.weights.data() + static_cast<size_t>(d) * axis.span;  // w[0] is source index `first`
    double magnitude = 0;
    const auto [cLo, cHi] = cellRange[d];
    for (int32_t c = cLo; c <= cHi; ++c) {
      double length = 0;
      double middle = 0;
      CellOverlap(lo, hi, c, length, middle);
      w[Clamp(c, last) - first] += length * (1 - middle);
      w[Clamp(c + 1, last) - first] += length * middle;
      magnitude += std::fabs(length) * (1 + 2 * std::fabs(middle));
    }
    axis.first[d] = first;
    axis.cells[d] = cHi >= cLo ? cHi - cLo + 1 : 0;
    axis.magnitude[d] = magnitude;
  }
  return axis;
}

struct ResampleJob {
  const Bitmap24* source;
  Bitmap24* destination;
  double scaleX, scaleY, area;
  AxisWeights columns;  // fixed span
  AxisWeights rows;
  std::vector<double> marginColumn;  // the margin's factors per column and row
  std::vector<double> marginRow;
};

// The footprint sum of one destination pixel (i, j), cell by cell, into
// out[0 … 2]: the reference the separable sum must agree with.
void CellSumPixel(const ResampleJob& job, int32_t i, int32_t j, uint8_t* out) {
  const Bitmap24& source = *job.source;
  const int32_t lastX = source.width - 1;
  const int32_t lastY = source.height - 1;
  const double x0 = i * job.scaleX - 0.5;
  const double y0 = j * job.scaleY - 0.5;
  const double x1 = (i + 1) * job.scaleX - 0.500001;
  const double y1 = (j + 1) * job.scaleY - 0.500001;
  double sum[3] = {0, 0, 0};
  const auto rFrom = static_cast<int32_t>(std::floor(y0));
  const auto rTo = static_cast<int32_t>(std::floor(y1));
  const auto cFrom = static_cast<int32_t>(std::floor(x0));
  const auto cTo = static_cast<int32_t>(std::floor(x1));
  for (int32_t r = rFrom; r <= rTo; ++r) {
    const uint8_t* row0 = source.Row(Clamp(r, lastY));
    const uint8_t* row1 = source.Row(Clamp(r + 1, lastY));
    double ly = 0;
    double my = 0;
    CellOverlap(y0, y1, r, ly, my);
    for (int32_t c = cFrom; c <= cTo; ++c) {
      double lx = 0;
      double mx = 0;
      CellOverlap(x0, x1, c, lx, mx);
      const int32_t k0 = Clamp(c, lastX) * 3;
      const int32_t k1 = Clamp(c + 1, lastX) * 3;
      for (int ch = 0; ch < 3; ++ch) {
        const double p00 = row0[k0 + ch];
        const double p01 = row0[k1 + ch];
        const double p10 = row1[k0 + ch];
        const double p11 = row1[k1 + ch];
        const double a = p00;
        const double bx = p01 - p00;
        const double by = p10 - p00;
        const double bxy = p00 + p11 - p01 - p10;
        sum[ch] += lx * ly * (a + bx * mx + by * my + bxy * mx * my);
      }
    }
  }
  for (int ch = 0; ch < 3; ++ch) out[ch] = ToChannel(sum[ch] / job.area);
}

// Destination rows [rowFrom, rowTo) into the destination; `columnSums`
// holds source width × 3 values.
void ResampleRows(const ResampleJob& job, int32_t rowFrom, int32_t rowTo, std::vector<double>& columnSums) {
  const Bitmap24& source = *job.source;
  Bitmap24& destination = *job.destination;
  const size_t rowValues = static_cast<size_t>(source.width) * 3;
  const int32_t spanX = job.columns.span;
  const double inverseArea = 1 / job.area;
  double* sums = columnSums.data();

  for (int32_t j = rowFrom; j < rowTo; ++j) {
    // The rows' weighted sum, per source column and channel.
    const int32_t count = job.rows.count[j];
    const int32_t firstRow = job.rows.first[j];
    const double* wy = job.rows.weights.data() + static_cast<size_t>(j) * job.rows.span;
    if (count == 0) {
      std::fill(sums, sums + rowValues, 0.0);
    } else {
      {
        const uint8_t* p = source.Row(firstRow);
        const double w = wy[0];
        for (size_t k = 0; k < rowValues; ++k) sums[k] = w * p[k];
      }
      int32_t t = 1;
      for (; t + 1 < count; t += 2) {
        const uint8_t* p = source.Row(firstRow + t);
        const uint8_t* q = source.Row(firstRow + t + 1);
        const double w = wy[t];
        const double v = wy[t + 1];
        for (size_t k = 0; k < rowValues; ++k) sums[k] += w * p[k] + v * q[k];
      }
      for (; t < count; ++t) {
        const uint8_t* p = source.Row(firstRow + t);
        const double w = wy[t];
        for (size_t k = 0; k < rowValues; ++k) sums[k] += w * p[k];
      }
    }

    // Each destination pixel's columns; channels near a rounding boundary
    // are summed again cell by cell.
    uint8_t* out = destination.Row(j);
    const double rowMargin = job.marginRow[j];
    const double rowCells = job.rows.cells[j];
    for (int32_t i = 0; i < destination.width; ++i, out += 3) {
      const double* wx = job.columns.weights.data() + static_cast<size_t>(i) * spanX;
      const double* v = sums + static_cast<size_t>(job.columns.first[i]) * 3;
      double s0 = 0;
      double s1 = 0;
      double s2 = 0;
      for (int32_t t = 0; t < spanX; ++t, v += 3) {
        s0 += wx[t] * v[0];
        s1 += wx[t] * v[1];
        s2 += wx[t] * v[2];
      }
      const double columnCells = job.columns.cells[i];
      const double margin = job.marginColumn[i] * rowMargin *
                            (columnCells * rowCells + columnCells + rowCells + 40);
      bool exact = true;
      const double sum[3] = {s0, s1, s2};
      for (int ch = 0; ch < 3; ++ch) {
        double q = sum[ch] * inverseArea;
        if (!(q > -1.0)) q = -1.0;
        if (!(q < 256.0)) q = 256.0;
        const auto whole = static_cast<int32_t>(q + 1.0) - 1;  // Floor, as q + 1 ≥ 0
        const double fraction = q - whole;
        if (std::fabs(fraction - 0.5) <= margin) {
          exact = false;
          break;
        }
        const int32_t value = whole + (fraction > 0.5 ? 1 : 0);
        out[ch] = static_cast<uint8_t>(std::clamp(value, 0, 255));
      }
      if (!exact) CellSumPixel(job, i, j, out);
    }
    // The row's padding bytes.
    std::memset(destination.Row(j) + static_cast<ptrdiff_t>(destination.width) * 3, 0,
                static_cast<size_t>(destination.Stride() - static_cast<ptrdiff_t>(destination.width) * 3));
  }
}

}  // namespace

void ApplyColourMode(PixelView picture, int32_t drawColor, const EffectsClosing& closing) {
  if (drawColor != 1 && drawColor != 2) return;
  const uint8_t* red = kColour.grey.data();
  const uint8_t* green = drawColor == 1 ? kColour.grey.data() : kColour.sepiaGreen.data();
  const uint8_t* blue = drawColor == 1 ? kColour.grey.data() : kColour.sepiaBlue.data();
  const int32_t width = AlteredWidth(picture.width);
  for (int32_t y = 0; y < picture.height; ++y) {
    if (IsClosing(closing)) return;
    uint8_t* p = picture.Row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      const int sum = p[0] + p[1] + p[2];
      p[0] = blue[sum];
      p[1] = green[sum];
      p[2] = red[sum];
    }
  }
}

void ApplyColourMode(Bitmap24& picture, int32_t drawColor, const EffectsClosing& closing) {
  ApplyColourMode(picture.View(), drawColor, closing);
}

void DarkenScreen(PixelView screen, int32_t drawPosision, const EffectsClosing& closing) {
  const uint8_t* table = drawPosision == 2 || drawPosision == 3 ? kDarken.half.data() : kDarken.fourFifths.data();
  const auto bytes = static_cast<size_t>(AlteredWidth(screen.width)) * 3;
  for (int32_t y = 0; y < screen.height; ++y) {
    if (IsClosing(closing)) return;
    uint8_t* p = screen.Row(y);
    for (size_t k = 0; k < bytes; ++k) p[k] = table[p[k]];
  }
}

void DarkenScreen(Bitmap24& screen, int32_t drawPosision, const EffectsClosing& closing) {
  DarkenScreen(screen.View(), drawPosision, closing);
}

const Bitmap24& ResampleSmooth(const Bitmap24& source, int32_t dw, int32_t dh, Bitmap24& smooth, int32_t threads) {
  if (dw == 0 || dh == 0) return source;
  if (dw < 0 || dh < 0) throw PictureError("negative picture size");
  if (static_cast<int64_t>(dw) * dh > kMaxPicturePixels) {
    throw PictureError("resampled picture too large: " + std::to_string(dw) + " x " + std::to_string(dh) + " pixels");
  }
  if (source.width <= 0 || source.height <= 0) {
    smooth.Resize(dw, dh, 0, 0, 0);
    return smooth;
  }

  // The destination may be the source: work from a copy then.
  Bitmap24 copy;
  const Bitmap24* from = &source;
  if (&source == &smooth) {
    copy = source;
    from = &copy;
  }

  ResampleJob job;
  job.source = from;
  job.destination = &smooth;
  const int32_t sw = from->width;
  const int32_t sh = from->height;
  job.scaleX = static_cast<double>(sw) / dw;
  job.scaleY = static_cast<double>(sh) / dh;
  job.area = static_cast<double>(sw) * sh / dw / dh;
  job.columns = BuildAxis(sw, dw, true);
  job.rows = BuildAxis(sh, dh, false);

  // The two summations differ by rounding errors of at most a few units of
  // the last place per operation, on terms bounded by 255 × magnitude; a
  // quotient farther than this margin from a half-integer rounds the same
  // way in both. The constant leaves a factor of over a thousand to spare.
  const double perAxis = std::sqrt(1e-9 / std::fabs(job.area));
  job.marginColumn.resize(static_cast<size_t>(dw));
  job.marginRow.resize(static_cast<size_t>(dh));
  for (int32_t i = 0; i < dw; ++i) job.marginColumn[i] = perAxis * job.columns.magnitude[i];
  for (int32_t j = 0; j < dh; ++j) job.marginRow[j] = perAxis * job.rows.magnitude[j];

  smooth.width = dw;
  smooth.height = dh;
  smooth.bits.resize(static_cast<size_t>(smooth.Stride()) * static_cast<size_t>(dh));

  // Threads for large work only: below a few megapixels of source and
  // destination together, starting threads costs more than it saves.
  int32_t count = threads;
  if (count <= 0) {
    const int64_t work = static_cast<int64_t>(sw) * sh + static_cast<int64_t>(dw) * dh;
    count = work >= 2'000'000 ? static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency())) : 1;
  }
  count = std::clamp(count, 1, std::max(1, dh));

  std::vector<std::vector<double>> buffers(static_cast<size_t>(count),
                                           std::vector<double>(static_cast<size_t>(sw) * 3));
  auto bandStart = [&](int32_t band) { return static_cast<int32_t>(static_cast<int64_t>(dh) * band / count); };
  std::vector<std::thread> workers;
  std::vector<int32_t> inlineBands;
  for (int32_t band = 1; band < count; ++band) {
    try {
      workers.emplace_back(ResampleRows, std::cref(job), bandStart(band), bandStart(band + 1),
                           std::ref(buffers[band]));
    } catch (const std::system_error&) {
      inlineBands.push_back(band);  // no thread to be had: this thread does the band
    }
  }
  ResampleRows(job, bandStart(0), bandStart(1), buffers[0]);
  for (int32_t band : inlineBands) ResampleRows(job, bandStart(band), bandStart(band + 1), buffers[band]);
  for (std::thread& worker : workers) worker.join();
  return smooth;
}

}  // namespace lumora
