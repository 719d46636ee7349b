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

// The colour modes and the darkening work in integers: multiplications and
// shifts in place of the divisions, in loops over plain byte arrays that the
// compiler turns into vector code. The constants are checked here against
// the divisions they replace, for every value they can meet.

// Trunc(sum / 3) = (sum × 21846) >> 16 for a channel sum 0 … 765: the high
// half of a 16-bit product.
constexpr uint32_t kThirdMultiplier = 21846;
// Trunc(v × f / 256) = ((v × 256) × f) >> 16 for v ≤ 255 and f ≤ 256, again
// a high half of a 16-bit product (f = 256 gives v itself).
constexpr uint16_t kSepiaGreen = 216;
constexpr uint16_t kSepiaBlue = 166;
constexpr uint16_t kSepiaRed = 256;
// Trunc(v × 0.8) = (v × 205) >> 8 for v ≤ 255 (the product fits 16 bits).
constexpr uint32_t kFourFifthsMultiplier = 205;

constexpr bool MultipliersAreExact() {
  for (uint32_t sum = 0; sum <= 765; ++sum) {
    if (((sum * kThirdMultiplier) >> 16) != sum / 3) return false;
  }
  for (uint32_t v = 0; v <= 255; ++v) {
    if (((v * kFourFifthsMultiplier) >> 8) != v * 4 / 5 || v * kFourFifthsMultiplier > 0xFFFF) return false;
    for (uint32_t f : {kSepiaGreen, kSepiaBlue, kSepiaRed}) {
      if ((((v << 8) * f) >> 16) != v * f / 256) return false;
    }
  }
  return true;
}
static_assert(MultipliersAreExact());

// The colour modes go by blocks of 64 pixels. Byte k of a block belongs to
// the pixel starting at k − k mod 3. The block first takes the third of the
// sum of every three consecutive bytes (at each k, so that the loop runs
// over contiguous bytes), keeping it where k mod 3 = 0 and zero elsewhere;
// byte k then gets the value kept at k, k − 1 or k − 2 (the other two are
// zero), scaled by its channel's factor.
constexpr int32_t kColourBlockPixels = 64;
constexpr int32_t kColourBlockBytes = kColourBlockPixels * 3;

struct ColourLanes {
  std::array<uint8_t, kColourBlockBytes> first{};  // 0xFF where a pixel starts
  std::array<uint16_t, kColourBlockBytes> sepia{};

  constexpr ColourLanes() {
    for (int32_t k = 0; k < kColourBlockBytes; ++k) {
      first[k] = k % 3 == 0 ? 0xFF : 0;
      sepia[k] = k % 3 == 0 ? kSepiaBlue : (k % 3 == 1 ? kSepiaGreen : kSepiaRed);
    }
  }
};
constexpr ColourLanes kLanes;

// One block in place. It reads two bytes past its end (the next pixel's,
// still unaltered), so the row must hold at least one more pixel.
template <bool kSepia>
void ColourBlock(uint8_t* p) {
  // third[k + 2]: Trunc of the sum of bytes k … k + 2 over 3 where a pixel
  // starts at k, else 0.
  alignas(16) uint8_t third[kColourBlockBytes + 2];
  third[0] = 0;
  third[1] = 0;
  for (int32_t k = 0; k < kColourBlockBytes; ++k) {
    const auto sum = static_cast<uint16_t>(p[k] + p[k + 1] + p[k + 2]);
    third[k + 2] = static_cast<uint8_t>(((uint32_t{sum} * kThirdMultiplier) >> 16) & kLanes.first[k]);
  }
  for (int32_t k = 0; k < kColourBlockBytes; ++k) {
    const auto v = static_cast<uint8_t>(third[k + 2] | third[k + 1] | third[k]);
    if constexpr (kSepia) {
      p[k] = static_cast<uint8_t>((uint32_t{static_cast<uint16_t>(v << 8)} * kLanes.sepia[k]) >> 16);
    } else {
      p[k] = v;
    }
  }
}

template <bool kSepia>
void ColourRow(uint8_t* p, int32_t width) {
  int32_t x = 0;
  for (; x + kColourBlockPixels < width; x += kColourBlockPixels) {
    ColourBlock<kSepia>(p + static_cast<ptrdiff_t>(x) * 3);
  }
  for (uint8_t* q = p + static_cast<ptrdiff_t>(x) * 3; x < width; ++x, q += 3) {
    const auto v = static_cast<uint8_t>(((q[0] + q[1] + q[2]) * kThirdMultiplier) >> 16);
    if constexpr (kSepia) {
      q[0] = static_cast<uint8_t>((uint32_t{static_cast<uint16_t>(v << 8)} * kSepiaBlue) >> 16);
      q[1] = static_cast<uint8_t>((uint32_t{static_cast<uint16_t>(v << 8)} * kSepiaGreen) >> 16);
    } else {
      q[0] = v;
      q[1] = v;
    }
    q[2] = v;
  }
}

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
  // The weights in single precision, as the passes use them.
  std::vector<float> columnWeights;
  std::vector<float> rowWeights;
  // Per destination row: how far from a half-integer a quotient of the
  // single-precision passes must lie for its rounding to be certain (see
  // ResampleSmooth).
  std::vector<float> rowMargin;
  // The same for the separable sum in double precision of pixel (i, j):
  //   marginColumn[i] · marginRow[j] · (cells of i · cells of j + cells of i + cells of j + 40).
  std::vector<double> marginColumn;
  std::vector<double> marginRow;
};

// The footprint sum of one destination pixel (i, j), cell by cell, into
// out[0 … 2]: the reference the separable sum must agree with.
// Kept out of line: the passes below may be compiled for other instruction
// sets, and this sum must be evaluated exactly as written.
__attribute__((noinline)) void CellSumPixel(const ResampleJob& job, int32_t i, int32_t j, uint8_t* out) {
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

// The separable sum of pixel (i, j) in double precision, for a pixel the
// single-precision passes left undecided. Writes out[0 … 2] and returns true
// unless a channel lies so close to a rounding boundary that the order of
// summation could matter; then only the footprint sum can tell.
__attribute__((noinline)) bool SeparablePixel(const ResampleJob& job, int32_t i, int32_t j, uint8_t* out) {
  const Bitmap24& source = *job.source;
  const int32_t spanX = job.columns.span;
  const double* wx = job.columns.weights.data() + static_cast<size_t>(i) * spanX;
  const double* wy = job.rows.weights.data() + static_cast<size_t>(j) * job.rows.span;
  const ptrdiff_t firstX = static_cast<ptrdiff_t>(job.columns.first[i]) * 3;
  double sum[3] = {0, 0, 0};
  for (int32_t t = 0; t < job.rows.count[j]; ++t) {
    const uint8_t* p = source.Row(job.rows.first[j] + t) + firstX;
    double row[3] = {0, 0, 0};
    for (int32_t c = 0; c < spanX; ++c, p += 3) {
      for (int ch = 0; ch < 3; ++ch) row[ch] += wx[c] * p[ch];
    }
    for (int ch = 0; ch < 3; ++ch) sum[ch] += wy[t] * row[ch];
  }
  const double columnCells = job.columns.cells[i];
  const double rowCells = job.rows.cells[j];
  const double margin =
      job.marginColumn[i] * job.marginRow[j] * (columnCells * rowCells + columnCells + rowCells + 40);
  uint8_t value[3];
  for (int ch = 0; ch < 3; ++ch) {
    double q = sum[ch] / job.area;
    if (!(q > -1.0)) q = -1.0;
    if (!(q < 256.0)) q = 256.0;
    const auto whole = static_cast<int32_t>(q + 1.0) - 1;  // Floor, as q + 1 ≥ 0
    const double fraction = q - whole;
    if (std::fabs(fraction - 0.5) <= margin) return false;
    value[ch] = static_cast<uint8_t>(std::clamp(whole + (fraction > 0.5 ? 1 : 0), 0, 255));
  }
  std::copy_n(value, 3, out);
  return true;
}

// The passes are inlined into one function per instruction set they are
// compiled for (see ResampleRows).
#define LUMORA_PASS __attribute__((always_inline)) inline

// The most source rows one sweep of the vertical pass takes.
constexpr int32_t kRowsPerSweep = 6;

// sums[k] (+)= Σ weights[t] × rows[t][k] over N rows, k < values: the
// vertical pass, N rows of source bytes per sweep.
template <int N, bool kFirst>
LUMORA_PASS void AddRows(float* sums, const uint8_t* const* rows, const float* weights, size_t values) {
  const uint8_t* r[N];
  float w[N];
  for (int t = 0; t < N; ++t) {
    r[t] = rows[t];
    w[t] = weights[t];
  }
  for (size_t k = 0; k < values; ++k) {
    float s = kFirst ? w[0] * r[0][k] : sums[k] + w[0] * r[0][k];
    for (int t = 1; t < N; ++t) s += w[t] * r[t][k];
    sums[k] = s;
  }
}

template <bool kFirst>
LUMORA_PASS void AddRowGroup(float* sums, const uint8_t* const* rows, const float* weights, int32_t n,
                             size_t values) {
  static_assert(kRowsPerSweep == 6);
  switch (n) {
    case 1: AddRows<1, kFirst>(sums, rows, weights, values); break;
    case 2: AddRows<2, kFirst>(sums, rows, weights, values); break;
    case 3: AddRows<3, kFirst>(sums, rows, weights, values); break;
    case 4: AddRows<4, kFirst>(sums, rows, weights, values); break;
    case 5: AddRows<5, kFirst>(sums, rows, weights, values); break;
    default: AddRows<6, kFirst>(sums, rows, weights, values); break;
  }
}

// The horizontal pass of destination row j: each pixel's channel sums from
// the vertical pass's sums (source width × 3 values) into out (width × 3).
// Four lanes are summed per pixel, the fourth being the next pixel's first
// channel (a lane the compiler can fill a vector with); it lands on out's
// next pixel, which the next pixel's sums then overwrite. So `sums` needs
// one value and `out` one place past their ends. kSpan is the column span
// when known at compile time, 0 when not.
template <int kSpan>
LUMORA_PASS void SumColumns(const ResampleJob& job, const float* sums, float* out) {
  const int32_t spanX = kSpan > 0 ? kSpan : job.columns.span;
  const int32_t width = job.destination->width;
  const float* wx = job.columnWeights.data();
  const int32_t* first = job.columns.first.data();
  for (int32_t i = 0; i < width; ++i, out += 3, wx += spanX) {
    const float* v = sums + static_cast<size_t>(first[i]) * 3;
    float lanes[4] = {0, 0, 0, 0};
    for (int32_t t = 0; t < spanX; ++t, v += 3) {
      for (int ch = 0; ch < 4; ++ch) lanes[ch] += wx[t] * v[ch];
    }
    for (int ch = 0; ch < 4; ++ch) out[ch] = lanes[ch];
  }
}

LUMORA_PASS void SumColumns(const ResampleJob& job, const float* sums, float* out) {
  switch (job.columns.span) {
    case 2: SumColumns<2>(job, sums, out); break;
    case 3: SumColumns<3>(job, sums, out); break;
    case 4: SumColumns<4>(job, sums, out); break;
    case 5: SumColumns<5>(job, sums, out); break;
    case 6: SumColumns<6>(job, sums, out); break;
    default: SumColumns<0>(job, sums, out); break;
  }
}

// Rounds n channel sums to bytes, sets near[k] where the quotient lies
// within `margin` of a half-integer (there a more precise sum decides), and
// tells whether any does. Away from a half-integer, rounding half up is
// rounding to the nearest. The weights are not negative and their products
// add up to less than the area, so the quotients lie in 0 … 255 (give or
// take rounding errors) and their conversion needs no range check.
LUMORA_PASS bool RoundChannels(const float* sums, size_t n, float inverseArea, float margin, uint8_t* out,
                               uint8_t* near) {
  const float upper = 1 - margin;
  uint8_t any = 0;
  for (size_t k = 0; k < n; ++k) {
    const float shifted = sums[k] * inverseArea + 0.5f;
    const auto whole = static_cast<int32_t>(shifted);  // Floor, as shifted > 0
    const float fraction = shifted - static_cast<float>(whole);
    const auto close = static_cast<uint8_t>((fraction < margin) | (fraction > upper));
    out[k] = static_cast<uint8_t>(std::min(whole, 255));
    near[k] = close;
    any |= close;
  }
  return any != 0;
}

// Destination rows [rowFrom, rowTo) into the destination; `columnSums`
// holds source width × 3 values.
LUMORA_PASS void ResampleRowsInline(const ResampleJob& job, int32_t rowFrom, int32_t rowTo,
                                    std::vector<float>& columnSums) {
  const Bitmap24& source = *job.source;
  Bitmap24& destination = *job.destination;
  const size_t rowValues = static_cast<size_t>(source.width) * 3;
  const size_t pixelValues = static_cast<size_t>(destination.width) * 3;
  const auto inverseArea = static_cast<float>(1 / job.area);
  float* sums = columnSums.data();
  std::vector<float> pixelSums(pixelValues + 1);
  std::vector<uint8_t> near(pixelValues);

  for (int32_t j = rowFrom; j < rowTo; ++j) {
    // The rows' weighted sum, per source column and channel.
    const int32_t count = job.rows.count[j];
    const int32_t firstRow = job.rows.first[j];
    const float* wy = job.rowWeights.data() + static_cast<size_t>(j) * job.rows.span;
    if (count == 0) std::fill(sums, sums + rowValues, 0.0f);
    for (int32_t t = 0; t < count; t += kRowsPerSweep) {
      const int32_t n = std::min(kRowsPerSweep, count - t);
      const uint8_t* rows[kRowsPerSweep];
      for (int32_t r = 0; r < n; ++r) rows[r] = source.Row(firstRow + t + r);
      if (t == 0) {
        AddRowGroup<true>(sums, rows, wy, n, rowValues);
      } else {
        AddRowGroup<false>(sums, rows, wy + t, n, rowValues);
      }
    }

    // Each destination pixel's columns, rounded; pixels with a channel near
    // a rounding boundary are summed again in double precision, and if need
    // be cell by cell.
    SumColumns(job, sums, pixelSums.data());
    uint8_t* out = destination.Row(j);
    const float margin = job.rowMargin[j];
    if (RoundChannels(pixelSums.data(), pixelValues, inverseArea, margin, out, near.data())) {
      const uint8_t* from = near.data();
      const uint8_t* end = from + pixelValues;
      while (const void* found = std::memchr(from, 1, static_cast<size_t>(end - from))) {
        const auto k = static_cast<size_t>(static_cast<const uint8_t*>(found) - near.data());
        const auto i = static_cast<int32_t>(k / 3);
        uint8_t* pixel = out + static_cast<size_t>(i) * 3;
        if (!SeparablePixel(job, i, j, pixel)) CellSumPixel(job, i, j, pixel);
        from = near.data() + (static_cast<size_t>(i) + 1) * 3;
      }
    }
    // The row's padding bytes.
    std::memset(destination.Row(j) + static_cast<ptrdiff_t>(destination.width) * 3, 0,
                static_cast<size_t>(destination.Stride() - static_cast<ptrdiff_t>(destination.width) * 3));
  }
}

void ResampleRowsPlain(const ResampleJob& job, int32_t rowFrom, int32_t rowTo, std::vector<float>& columnSums) {
  ResampleRowsInline(job, rowFrom, rowTo, columnSums);
}

// On x86-64 processors with AVX2 and FMA, the same passes compiled for
// them: eight floats per vector in the vertical pass, fused multiply-adds
// throughout. Left out on Windows, where GCC does not keep the stack aligned
// for AVX.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
__attribute__((target("avx2,fma"))) void ResampleRowsAvx2(const ResampleJob& job, int32_t rowFrom, int32_t rowTo,
                                                          std::vector<float>& columnSums) {
  ResampleRowsInline(job, rowFrom, rowTo, columnSums);
}

void ResampleRows(const ResampleJob& job, int32_t rowFrom, int32_t rowTo, std::vector<float>& columnSums) {
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (avx2) {
    ResampleRowsAvx2(job, rowFrom, rowTo, columnSums);
  } else {
    ResampleRowsPlain(job, rowFrom, rowTo, columnSums);
  }
}
#else
void ResampleRows(const ResampleJob& job, int32_t rowFrom, int32_t rowTo, std::vector<float>& columnSums) {
  ResampleRowsPlain(job, rowFrom, rowTo, columnSums);
}
#endif

#undef LUMORA_PASS

}  // namespace

void ApplyColourMode(PixelView picture, int32_t drawColor, const EffectsClosing& closing) {
  if (drawColor != 1 && drawColor != 2) return;
  const int32_t width = AlteredWidth(picture.width);
  for (int32_t y = 0; y < picture.height; ++y) {
    if (IsClosing(closing)) return;
    if (drawColor == 1) {
      ColourRow<false>(picture.Row(y), width);
    } else {
      ColourRow<true>(picture.Row(y), width);
    }
  }
}

void ApplyColourMode(Bitmap24& picture, int32_t drawColor, const EffectsClosing& closing) {
  ApplyColourMode(picture.View(), drawColor, closing);
}

void DarkenScreen(PixelView screen, int32_t drawPosision, const EffectsClosing& closing) {
  const bool half = drawPosision == 2 || drawPosision == 3;
  const auto bytes = static_cast<size_t>(AlteredWidth(screen.width)) * 3;
  for (int32_t y = 0; y < screen.height; ++y) {
    if (IsClosing(closing)) return;
    uint8_t* p = screen.Row(y);
    if (half) {
      for (size_t k = 0; k < bytes; ++k) p[k] = static_cast<uint8_t>(p[k] >> 1);
    } else {
      for (size_t k = 0; k < bytes; ++k) p[k] = static_cast<uint8_t>((p[k] * kFourFifthsMultiplier) >> 8);
    }
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

  // The rounding margin of a destination row, an upper bound over its
  // pixels of the sum of three terms:
  // - The separable sum and the footprint sum, both in double precision,
  //   differ by rounding errors of at most a few units of the last place
  //   per operation, on terms bounded by 255 × magnitude; this term (the
  //   margin of SeparablePixel) leaves a factor of over a thousand to spare.
  // - The passes run in single precision (unit roundoff u = 2^-24).
  //   Rounding the weights, n products and n − 1 additions per pass keep
  //   the sum within (spanX + count + 2) · u · 255 · Σ|wx| · Σ|wy| (to first
  //   order) of the exact sum with the double weights; the term takes twice
  //   that, divided by the area as the quotient is.
  // - The quotient, its shift by 0.5 and the margin itself in single
  //   precision: a few units of 2^-24 × 256, taken as 256 × 2^-21.
  // A quotient farther than the margin from a half-integer rounds as the
  // footprint sum does.
  job.columnWeights.assign(job.columns.weights.begin(), job.columns.weights.end());
  job.rowWeights.assign(job.rows.weights.begin(), job.rows.weights.end());
  const double perAxis = std::sqrt(1e-9 / std::fabs(job.area));
  const double unit = std::ldexp(1.0, -23);
  double columnMagnitude = 0;
  double columnCells = 0;
  double columnWeight = 0;
  for (int32_t i = 0; i < dw; ++i) {
    columnMagnitude = std::max(columnMagnitude, job.columns.magnitude[i]);
    columnCells = std::max(columnCells, static_cast<double>(job.columns.cells[i]));
    const float* w = job.columnWeights.data() + static_cast<size_t>(i) * job.columns.span;
    double total = 0;
    for (int32_t t = 0; t < job.columns.span; ++t) total += std::fabs(static_cast<double>(w[t]));
    columnWeight = std::max(columnWeight, total);
  }
  job.marginColumn.resize(static_cast<size_t>(dw));
  job.marginRow.resize(static_cast<size_t>(dh));
  for (int32_t i = 0; i < dw; ++i) job.marginColumn[i] = perAxis * job.columns.magnitude[i];
  for (int32_t j = 0; j < dh; ++j) job.marginRow[j] = perAxis * job.rows.magnitude[j];
  job.rowMargin.resize(static_cast<size_t>(dh));
  for (int32_t j = 0; j < dh; ++j) {
    const double rowCells = job.rows.cells[j];
    const double summation = perAxis * columnMagnitude * perAxis * job.rows.magnitude[j] *
                             (columnCells * rowCells + columnCells + rowCells + 40);
    const float* w = job.rowWeights.data() + static_cast<size_t>(j) * job.rows.span;
    double rowWeight = 0;
    for (int32_t t = 0; t < job.rows.count[j]; ++t) rowWeight += std::fabs(static_cast<double>(w[t]));
    const double single = unit * 255 * columnWeight * rowWeight * (job.columns.span + job.rows.count[j] + 2) /
                          std::fabs(job.area);
    const double quotient = 256 * std::ldexp(1.0, -21);
    job.rowMargin[j] = static_cast<float>((summation + single + quotient) * (1 + 1e-6));
  }

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

  // Each thread's vertical sums, with the one value the horizontal pass reads
  // past the end.
  std::vector<std::vector<float>> buffers(static_cast<size_t>(count),
                                          std::vector<float>(static_cast<size_t>(sw) * 3 + 1));
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
