// lumora-cli: the picture pipeline of the saver from the command line.
//   exif FILE                    every EXIF field, "name: value" per line
//   decode FILE OUT.bmp          the 24-bit working copy, turned upright
//   rotate IN.bmp ANGLE OUT.bmp  turned by ANGLE degrees counter-clockwise
//   compose WxH SEED OUTPREFIX [NAME=VALUE ...] PICTURE ...
//       the saver's frames without a display: each picture drawn on a W × H
//       screen image (starting as "BackColor") as the slideshow would, with
//       the settings given by their registry names ("Draw Posision",
//       "Graphics Size", "Draw Color", "Screen Clear", "Brightness",
//       "SmoothZoom", "Rotate", "DispFileName", "BackColor") and the random
//       numbers of SEED; the screen after picture N goes to OUTPREFIX-NN.bmp
//       and one line per picture tells its size, corner and caption text
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/file_bytes.h"
#include "imaging/bitmap24.h"
#include "imaging/bmp_write.h"
#include "imaging/exif.h"
#include "imaging/picture_formats.h"
#include "saver/caption.h"
#include "saver/picture_drawing.h"
#include "saver/picture_step.h"
#include "saver/rotate_image.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace lumora;

constexpr uint64_t kMaxFileBytes = 1ull << 30;

int Usage() {
  std::fputs(
      "usage: lumora-cli exif FILE\n"
      "       lumora-cli decode FILE OUT.bmp\n"
      "       lumora-cli rotate IN.bmp ANGLE OUT.bmp\n"
      "       lumora-cli compose WxH SEED OUTPREFIX [NAME=VALUE ...] PICTURE ...\n",
      stderr);
  return 2;
}

Bitmap24 Decode(const std::string& path) {
  return BuiltInFormats().Decode(ReadFileBytes(path, kMaxFileBytes), ExtensionOf(path));
}

// Last-write time of a file in local time, nothing when it cannot be read.
std::optional<DateTime> FileWriteTime(const std::string& path) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(
      std::filesystem::path(std::u8string(path.begin(), path.end())), error);
  if (error) return std::nullopt;
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(
          std::chrono::file_clock::to_sys(written)));
  const std::tm* local = std::localtime(&seconds);
  if (!local) return std::nullopt;
  DateTime date = 0, time = 0;
  if (!TryEncodeDate(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, date)) return std::nullopt;
  TryEncodeTime(local->tm_hour, local->tm_min, local->tm_sec, 0, time);
  return date + time;
}

DateTime Today() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  DateTime today = 0;
  if (local) TryEncodeDate(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, today);
  return today;
}

bool ParseInt(const std::string& text, int64_t& value) {
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return !text.empty() && *end == '\0';
}

// lumora-cli compose: see the top of this file.
int Compose(const std::vector<std::string>& args) {
  if (args.size() < 5) return Usage();
  int32_t width = 0, height = 0;
  if (std::sscanf(args[1].c_str(), "%dx%d", &width, &height) != 2 || width < 1 || height < 1) return Usage();
  int64_t seed = 0;
  if (!ParseInt(args[2], seed)) return Usage();
  const std::string prefix = args[3];

  DrawingSettings settings;
  std::vector<std::string> pictures;
  for (size_t i = 4; i < args.size(); ++i) {
    const size_t equals = args[i].find('=');
    if (equals == std::string::npos) {
      pictures.push_back(args[i]);
      continue;
    }
    const std::string name = args[i].substr(0, equals);
    int64_t value = 0;
    if (!ParseInt(args[i].substr(equals + 1), value)) return Usage();
    if (name == "Draw Posision") settings.drawPosision = static_cast<int32_t>(value);
    else if (name == "Graphics Size") settings.graphicsSize = static_cast<int32_t>(value);
    else if (name == "Draw Color") settings.drawColor = static_cast<int32_t>(value);
    else if (name == "Screen Clear") settings.screenClear = value != 0;
    else if (name == "Brightness") settings.brightness = value != 0;
    else if (name == "SmoothZoom") settings.smoothZoom = value != 0;
    else if (name == "Rotate") settings.rotate = value != 0;
    else if (name == "DispFileName") settings.dispFileName = value != 0;
    else if (name == "BackColor") settings.backColor = static_cast<uint32_t>(value) & 0x00FFFFFF;
    else {
      std::fprintf(stderr, "lumora-cli: unknown setting %s\n", name.c_str());
      return 2;
    }
  }

  std::mt19937 random(static_cast<uint32_t>(seed));
  DrawingHooks hooks;
  hooks.uniform = [&] { return std::uniform_real_distribution<double>(0, 1)(random); };
  hooks.below = [&](int32_t n) {
    return n < 1 ? 0 : std::uniform_int_distribution<int32_t>(0, n - 1)(random);
  };
  // No text drawing without a display: the caption's text is printed.
  std::string caption;
  std::optional<Point> captionAt;
  hooks.caption = [&](PixelView, Point at) { captionAt = at; };
  PictureComposer composer(settings, hooks);

  const uint32_t back = settings.backColor;
  Bitmap24 start;
  start.Resize(width, height, static_cast<uint8_t>(back >> 16), static_cast<uint8_t>(back >> 8),
               static_cast<uint8_t>(back));
  Bitmap24 screen = start;
  const DayNames dayNames{"日", "月", "火", "水", "木", "金", "土"};
  const DateTime today = Today();
  int failures = 0;
  for (size_t n = 0; n < pictures.size(); ++n) {
    const std::string& path = pictures[n];
    std::printf("%02zu %s:", n + 1, path.c_str());
    Bitmap24 work;
    TExif exif;
    try {
      const std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxFileBytes);
      try {
        exif.ReadFromBytes(bytes.data(), bytes.size());
      } catch (const std::exception&) {
        exif.Clear();
      }
      work = BuiltInFormats().Decode(bytes, ExtensionOf(path));
    } catch (const std::exception& error) {
      // As in the saver, a picture that does not load leaves the screen as
      // it was.
      std::printf(" not loaded: %s\n", error.what());
      ++failures;
      continue;
    }
    if (work.width < 1 || work.height < 1) {
      std::printf(" no pixels\n");
      continue;
    }
    captionAt.reset();
    caption = CaptionText({path, exif.DateTimeOriginal, exif.DateTime, FileWriteTime(path), today}, dayNames);
    const PreparedPicture prepared = composer.Prepare(std::move(work), exif.Orientation, {width, height});
    composer.DrawPicture(prepared, screen.View(), start.View());
    composer.DrawCaption(prepared, screen.View());
    std::printf(" shown %dx%d at %d,%d%s", prepared.shown.width, prepared.shown.height, prepared.at.x,
                prepared.at.y, prepared.turned ? " turned" : "");
    if (captionAt) std::printf(" caption at %d,%d: %s", captionAt->x, captionAt->y, caption.c_str());
    std::printf("\n");
    char name[32];
    std::snprintf(name, sizeof name, "-%02zu.bmp", n + 1);
    WriteFileBytes(prefix + name, EncodeBmp24(screen));
  }
  return failures == 0 ? 0 : 1;
}

int Run(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "compose") return Compose(args);
  if (args.size() == 2 && args[0] == "exif") {
    TExif exif;
    exif.ReadFromFile(args[1]);
    for (const auto& [name, value] : ExifFieldList(exif)) std::printf("%s: %s\n", name.c_str(), value.c_str());
    return 0;
  }
  if (args.size() == 3 && args[0] == "decode") {
    Bitmap24 picture = Decode(args[1]);
    TExif exif;
    exif.ReadFromFile(args[1]);
    ApplyExifOrientation(picture, exif.Orientation);
    WriteFileBytes(args[2], EncodeBmp24(picture));
    return 0;
  }
  if (args.size() == 4 && args[0] == "rotate") {
    char* end = nullptr;
    const double angle = std::strtod(args[2].c_str(), &end);
    if (end == args[2].c_str()) return Usage();
    const Bitmap24 picture = Decode(args[1]);
    WriteFileBytes(args[3], EncodeBmp24(TRotateImage::Rotate(picture, 0x00FFFFFF, angle)));
    return 0;
  }
  return Usage();
}

int Main(const std::vector<std::string>& args) {
  try {
    return Run(args);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lumora-cli: %s\n", error.what());
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text.data(), size, nullptr, nullptr);
    args.push_back(text);
  }
  return Main(args);
}
#else
int main(int argc, char** argv) { return Main(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
