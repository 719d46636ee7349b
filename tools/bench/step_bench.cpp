// The picture step from the file name to the drawn screen image, for one
// JPEG on a 3840 × 2160 screen with smooth resampling ("SmoothZoom"), fit
// to the screen: the whole step, and its three parts measured alone —
// reading and decoding the file (with its EXIF block), the smooth
// resampling to the displayed size, and drawing the resampled picture with
// its frame on the screen image.
//   lumora-step-bench --jpeg=FILE [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/file_bytes.h"
#include "imaging/exif.h"
#include "imaging/picture_formats.h"
#include "saver/effects.h"
#include "saver/picture_drawing.h"

namespace {

using namespace lumora;

std::string g_jpeg;
constexpr Size kScreen{3840, 2160};

DrawingHooks Hooks() {
  DrawingHooks hooks;
  hooks.uniform = [] { return 0.5; };
  hooks.below = [](int32_t) { return 0; };
  return hooks;
}

DrawingSettings Smooth() {
  DrawingSettings settings;
  settings.drawPosision = 0;
  settings.graphicsSize = 3;  // fit to the screen, enlarging too
  settings.smoothZoom = true;
  return settings;
}

Bitmap24 Screen() {
  Bitmap24 screen;
  screen.Resize(kScreen.width, kScreen.height, 40, 40, 40);
  return screen;
}

Bitmap24 Load(TExif& exif) {
  const std::vector<uint8_t> bytes = ReadFileBytes(g_jpeg, 1ull << 30);
  exif.ReadFromBytes(bytes.data(), bytes.size());
  return BuiltInFormats().Decode(bytes, ExtensionOf(g_jpeg));
}

void WholeStep(benchmark::State& state) {
  Bitmap24 screen = Screen();
  Bitmap24 start = Screen();
  PictureComposer composer(Smooth(), Hooks());
  for (auto _ : state) {
    TExif exif;
    Bitmap24 work = Load(exif);
    const PreparedPicture prepared = composer.Prepare(std::move(work), exif.Orientation, kScreen);
    composer.DrawPicture(prepared, screen.View(), start.View());
    benchmark::DoNotOptimize(screen.bits.data());
  }
}

void DecodePart(benchmark::State& state) {
  for (auto _ : state) {
    TExif exif;
    Bitmap24 work = Load(exif);
    benchmark::DoNotOptimize(work.bits.data());
  }
}

void ResamplePart(benchmark::State& state) {
  TExif exif;
  const Bitmap24 work = Load(exif);
  PictureComposer composer(Smooth(), Hooks());
  const Size shown = composer.Prepare(Bitmap24(work), 1, kScreen).shown;
  Bitmap24 smooth;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ResampleSmooth(work, shown.width, shown.height, smooth).bits.data());
  }
  state.counters["width"] = shown.width;
  state.counters["height"] = shown.height;
}

void DrawPart(benchmark::State& state) {
  // The resampled picture drawn unscaled where the step puts it, with the
  // frame: what the step does after resampling.
  TExif exif;
  DrawingSettings settings = Smooth();
  PictureComposer fitter(settings, Hooks());
  const PreparedPicture fitted = fitter.Prepare(Load(exif), 1, kScreen);
  Bitmap24 smooth;
  ResampleSmooth(fitted.picture, fitted.shown.width, fitted.shown.height, smooth);
  settings.graphicsSize = 0;
  PictureComposer composer(settings, Hooks());
  const PreparedPicture prepared = composer.Prepare(std::move(smooth), 1, kScreen);
  Bitmap24 screen = Screen();
  Bitmap24 start = Screen();
  for (auto _ : state) {
    composer.DrawPicture(prepared, screen.View(), start.View());
    benchmark::DoNotOptimize(screen.bits.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--jpeg=", 7) == 0) {
      g_jpeg = argv[i] + 7;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (g_jpeg.empty()) return 2;
  for (auto [name, function] : {std::pair{"WholeStep", &WholeStep}, std::pair{"Decode", &DecodePart},
                                std::pair{"Resample", &ResamplePart}, std::pair{"Draw", &DrawPart}}) {
    benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
