// Throughput of the turning engine on a 6000 × 4000 picture by 30 degrees,
// next to a plain memcpy of the same number of bytes (the picture's), so the
// ratio of the two rates says how far the turn is from a straight copy.
// Both report bytes and items (pixels) of the picture per second.
//
//   lumora-rotate-bench [--benchmark_repetitions=N ...]
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/bitmap24.h"
#include "saver/rotate_image.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

const lumora::Bitmap24& Photo() {
  static const lumora::Bitmap24 photo = [] {
    lumora::Bitmap24 p;
    p.Resize(kWidth, kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = p.Row(y);
      for (int32_t x = 0; x < kWidth * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
    }
    return p;
  }();
  return photo;
}

void Count(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Photo().bits.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight);
}

// The turned bitmap kept from one turn to the next, as the saver keeps its
// turned picture: the engine's own speed.
void BM_Rotate30(benchmark::State& state) {
  const lumora::Bitmap24& photo = Photo();
  lumora::Bitmap24 turned;
  lumora::TRotateImage::RotateInto(photo, 0x00000000, 30, turned);
  for (auto _ : state) {
    lumora::TRotateImage::RotateInto(photo, 0x00000000, 30, turned);
    benchmark::DoNotOptimize(turned.bits.data());
    benchmark::ClobberMemory();
  }
  Count(state);
}
BENCHMARK(BM_Rotate30)->Unit(benchmark::kMillisecond)->UseRealTime();

// A new turned bitmap every time: adds taking fresh pages from the system.
void BM_Rotate30NewBitmap(benchmark::State& state) {
  const lumora::Bitmap24& photo = Photo();
  for (auto _ : state) {
    lumora::Bitmap24 turned = lumora::TRotateImage::Rotate(photo, 0x00000000, 30);
    benchmark::DoNotOptimize(turned.bits.data());
    benchmark::ClobberMemory();
  }
  Count(state);
}
BENCHMARK(BM_Rotate30NewBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Memcpy(benchmark::State& state) {
  const lumora::Bitmap24& photo = Photo();
  std::vector<uint8_t> copy(photo.bits.size(), 1);
  for (auto _ : state) {
    std::memcpy(copy.data(), photo.bits.data(), photo.bits.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  Count(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
