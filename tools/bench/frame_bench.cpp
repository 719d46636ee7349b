// The raised frame on a 3840 × 2160 screen image: around the whole screen
// and around a 1920 × 1280 picture in its middle, against a memcpy of the
// screen's bytes. Each frame is drawn on the same screen again and again;
// the lightened edges saturate and the darkened ones go to 0, which costs
// the same as any other values.
//
//   lumora-frame-bench [--benchmark_repetitions=N ...]
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/bitmap24.h"
#include "saver/composition.h"

namespace {

lumora::Bitmap24 Screen() {
  lumora::Bitmap24 screen;
  screen.Resize(3840, 2160);
  for (int32_t y = 0; y < screen.height; ++y) {
    uint8_t* row = screen.Row(y);
    for (int32_t x = 0; x < screen.width * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
  }
  return screen;
}

void BM_FrameWholeScreen(benchmark::State& state) {
  lumora::Bitmap24 screen = Screen();
  for (auto _ : state) {
    lumora::DrawRaisedFrame(screen, 0, 0, screen.height - 1, screen.width - 1);
    benchmark::DoNotOptimize(screen.bits.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameWholeScreen);

void BM_FramePicture1920x1280(benchmark::State& state) {
  lumora::Bitmap24 screen = Screen();
  const int32_t top = (2160 - 1280) / 2, left = (3840 - 1920) / 2;
  for (auto _ : state) {
    lumora::DrawRaisedFrame(screen, top, left, top + 1280 - 1, left + 1920 - 1);
    benchmark::DoNotOptimize(screen.bits.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FramePicture1920x1280);

void BM_MemcpyScreen(benchmark::State& state) {
  const lumora::Bitmap24 screen = Screen();
  std::vector<uint8_t> copy(screen.bits.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), screen.bits.data(), screen.bits.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(screen.bits.size()));
}
BENCHMARK(BM_MemcpyScreen);

}  // namespace

BENCHMARK_MAIN();
