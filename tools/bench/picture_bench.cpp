// Benchmarks of the picture readers: decoding a 24-megapixel JPEG to the
// 24-bit working picture, and reading the EXIF block of each of 1,000
// JPEG files.
//   lumora-picture-bench --jpeg=FILE --exif-folder=FOLDER [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/file_bytes.h"
#include "imaging/exif.h"
#include "imaging/picture_formats.h"

namespace {

std::string g_jpeg;
std::string g_exifFolder;

void DecodeJpeg(benchmark::State& state) {
  const std::vector<uint8_t> bytes = lumora::ReadFileBytes(g_jpeg, 1ull << 30);
  int64_t pixels = 0;
  for (auto _ : state) {
    lumora::Bitmap24 picture = lumora::BuiltInFormats().Decode(bytes, "jpg");
    pixels = static_cast<int64_t>(picture.width) * picture.height;
    benchmark::DoNotOptimize(picture.bits.data());
  }
  state.counters["megapixels"] = static_cast<double>(pixels) / 1e6;
}

void ExifFolder(benchmark::State& state) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(g_exifFolder)) files.push_back(entry.path().string());
  for (auto _ : state) {
    for (const std::string& file : files) {
      lumora::TExif exif;
      exif.ReadFromFile(file);
      benchmark::DoNotOptimize(exif.Orientation);
    }
  }
  // One iteration reads every file: the time per file is Time / files.
  state.counters["files"] = static_cast<double>(files.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--jpeg=", 7) == 0) {
      g_jpeg = argv[i] + 7;
    } else if (std::strncmp(argv[i], "--exif-folder=", 14) == 0) {
      g_exifFolder = argv[i] + 14;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (!g_jpeg.empty()) benchmark::RegisterBenchmark("DecodeJpeg", DecodeJpeg)->Unit(benchmark::kMillisecond);
  if (!g_exifFolder.empty()) benchmark::RegisterBenchmark("ExifFolder", ExifFolder)->Unit(benchmark::kMillisecond);
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
