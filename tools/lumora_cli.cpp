// lumora-cli: the picture pipeline of the saver from the command line.
//   exif FILE                    every EXIF field, "name: value" per line
//   decode FILE OUT.bmp          the 24-bit working copy, turned upright
//   rotate IN.bmp ANGLE OUT.bmp  turned by ANGLE degrees counter-clockwise
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/file_bytes.h"
#include "imaging/bitmap24.h"
#include "imaging/bmp_write.h"
#include "imaging/exif.h"
#include "imaging/picture_formats.h"
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
      "       lumora-cli rotate IN.bmp ANGLE OUT.bmp\n",
      stderr);
  return 2;
}

Bitmap24 Decode(const std::string& path) {
  return BuiltInFormats().Decode(ReadFileBytes(path, kMaxFileBytes), ExtensionOf(path));
}

int Run(const std::vector<std::string>& args) {
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
