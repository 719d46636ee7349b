// Picture effects at photo and screen sizes. Smooth resampling of a
// 6000 × 4000 picture to 1920 × 1280, in one thread and in all, against the
// footprint sum done cell by cell (the formula as written, run once over the
// whole picture, with the one-thread speed-up measured beside it); the
// colour modes and the darkening of a 3840 × 2160 screen image against a
// memcpy of the same bytes. Each reports the bytes of its input per second.
//
//   lumora-effects-bench [--benchmark_repetitions=N ...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "imaging/bitmap24.h"
#include "saver/effects.h"

namespace {

lumora::Bitmap24 Pattern(int32_t width, int32_t height) {
  lumora::Bitmap24 p;
  p.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = p.Row(y);
    for (int32_t x = 0; x < width * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13 + (x * y >> 5));
  }
  return p;
}

const lumora::Bitmap24& Photo() {
  static const lumora::Bitmap24 photo = Pattern(6000, 4000);
  return photo;
}

const lumora::Bitmap24& Screen() {
  static const lumora::Bitmap24 screen = Pattern(3840, 2160);
  return screen;
}

void CountBytes(benchmark::State& state, const lumora::Bitmap24& input) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.bits.size()));
}

// The footprint sum of every destination pixel, cell by cell.
void Overlap(double lo, double hi, int c, double& l, double& m) {
  const double cl = c;
  const double cr = cl + 1;
  if (cl > lo && cr < hi) {
    l = 1;
    m = 0.5;
  } else if (cl > lo) {
    l = hi - cl;
    m = (hi - cl) / 2;
  } else if (cr >= hi) {
    l = hi - lo;
    m = (lo + hi) / 2 - cl;
  } else {
    l = cr - lo;
    m = (lo + cr) / 2 - cl;
  }
}

void CellByCell(const lumora::Bitmap24& source, int32_t dw, int32_t dh, lumora::Bitmap24& out) {
  const int32_t sw = source.width;
  const int32_t sh = source.height;
  const double sx = static_cast<double>(sw) / dw;
  const double sy = static_cast<double>(sh) / dh;
  const double area = static_cast<double>(sw) * sh / dw / dh;
  out.Resize(dw, dh);
  for (int j = 0; j < dh; ++j) {
    for (int i = 0; i < dw; ++i) {
      const double x0 = i * sx - 0.5;
      const double y0 = j * sy - 0.5;
      const double x1 = (i + 1) * sx - 0.500001;
      const double y1 = (j + 1) * sy - 0.500001;
      double s[3] = {0, 0, 0};
      for (int r = static_cast<int>(std::floor(y0)); r <= static_cast<int>(std::floor(y1)); ++r) {
        double ly, my;
        Overlap(y0, y1, r, ly, my);
        const uint8_t* row0 = source.Row(std::clamp(r, 0, sh - 1));
        const uint8_t* row1 = source.Row(std::clamp(r + 1, 0, sh - 1));
        for (int c = static_cast<int>(std::floor(x0)); c <= static_cast<int>(std::floor(x1)); ++c) {
          double lx, mx;
          Overlap(x0, x1, c, lx, mx);
          const int k0 = std::clamp(c, 0, sw - 1) * 3;
          const int k1 = std::clamp(c + 1, 0, sw - 1) * 3;
          for (int ch = 0; ch < 3; ++ch) {
            const double p00 = row0[k0 + ch], p01 = row0[k1 + ch], p10 = row1[k0 + ch], p11 = row1[k1 + ch];
            const double a = p00, bx = p01 - p00, by = p10 - p00, bxy = p00 + p11 - p01 - p10;
            s[ch] += lx * ly * (a + bx * mx + by * my + bxy * mx * my);
          }
        }
      }
      for (int ch = 0; ch < 3; ++ch) {
        out.Row(j)[i * 3 + ch] = static_cast<uint8_t>(std::clamp(std::nearbyint(s[ch] / area), 0.0, 255.0));
      }
    }
  }
}

void BM_ResampleOneThread(benchmark::State& state) {
  lumora::Bitmap24 smooth;
  for (auto _ : state) {
    lumora::ResampleSmooth(Photo(), 1920, 1280, smooth, 1);
    benchmark::DoNotOptimize(smooth.bits.data());
    benchmark::ClobberMemory();
  }
  CountBytes(state, Photo());
}
BENCHMARK(BM_ResampleOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResampleAllThreads(benchmark::State& state) {
  lumora::Bitmap24 smooth;
  for (auto _ : state) {
    lumora::ResampleSmooth(Photo(), 1920, 1280, smooth);
    benchmark::DoNotOptimize(smooth.bits.data());
    benchmark::ClobberMemory();
  }
  CountBytes(state, Photo());
  state.counters["threads"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_ResampleAllThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

// Run once per repetition on the whole picture; also checks that the two
// agree. Beside the reference's time it reports, measured in the same run
// right after it, the fast version's median of five in one thread
// (one_thread_ms) and how many times faster that is (speedup).
void BM_ResampleCellByCell(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  lumora::Bitmap24 reference;
  double referenceMs = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    CellByCell(Photo(), 1920, 1280, reference);
    benchmark::DoNotOptimize(reference.bits.data());
    benchmark::ClobberMemory();
    referenceMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  lumora::Bitmap24 smooth;
  std::vector<double> fastMs;
  for (int run = 0; run < 5; ++run) {
    const auto start = Clock::now();
    lumora::ResampleSmooth(Photo(), 1920, 1280, smooth, 1);
    benchmark::DoNotOptimize(smooth.bits.data());
    benchmark::ClobberMemory();
    fastMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::nth_element(fastMs.begin(), fastMs.begin() + 2, fastMs.end());
  lumora::Bitmap24 allThreads;
  lumora::ResampleSmooth(Photo(), 1920, 1280, allThreads);
  if (smooth.bits != reference.bits || allThreads.bits != reference.bits) {
    state.SkipWithError("the resampled pictures differ");
  }
  CountBytes(state, Photo());
  state.counters["one_thread_ms"] = fastMs[2];
  state.counters["speedup"] = referenceMs / fastMs[2];
}
BENCHMARK(BM_ResampleCellByCell)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The screen-sized effects work in place on one copy, pass after pass: the
// cost per byte does not depend on the values (repeated darkening soon
// reaches black).
void BM_BlackAndWhite(benchmark::State& state) {
  lumora::Bitmap24 screen = Screen();
  for (auto _ : state) {
    lumora::ApplyColourMode(screen, 1);
    benchmark::DoNotOptimize(screen.bits.data());
    benchmark::ClobberMemory();
  }
  CountBytes(state, screen);
}
BENCHMARK(BM_BlackAndWhite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Sepia(benchmark::State& state) {
  lumora::Bitmap24 screen = Screen();
  for (auto _ : state) {
    lumora::ApplyColourMode(screen, 2);
    benchmark::DoNotOptimize(screen.bits.data());
    benchmark::ClobberMemory();
  }
  CountBytes(state, screen);
}
BENCHMARK(BM_Sepia)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Darken(benchmark::State& state) {
  lumora::Bitmap24 screen = Screen();
  for (auto _ : state) {
    lumora::DarkenScreen(screen, 1);
    benchmark::DoNotOptimize(screen.bits.data());
    benchmark::ClobberMemory();
  }
  CountBytes(state, screen);
}
BENCHMARK(BM_Darken)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpyScreen(benchmark::State& state) {
  const lumora::Bitmap24& screen = Screen();
  std::vector<uint8_t> copy(screen.bits.size(), 1);
  for (auto _ : state) {
    std::memcpy(copy.data(), screen.bits.data(), screen.bits.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  CountBytes(state, screen);
}
BENCHMARK(BM_MemcpyScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
