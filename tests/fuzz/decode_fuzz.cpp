// Feeds arbitrary bytes to the picture container: the first byte chooses
// the format, the rest is the file. A decoder may refuse the file with
// PictureError; anything else (a crash, a leak, another exception, a huge
// allocation) is a finding.
#include <cstdint>
#include <vector>

#include "imaging/picture_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static constexpr const char* kExtensions[] = {"bmp", "ico", "jpg", "gif", "png"};
  if (size == 0) return 0;
  const char* extension = kExtensions[data[0] % (sizeof kExtensions / sizeof kExtensions[0])];
  const std::vector<uint8_t> file(data + 1, data + size);
  try {
    const lumora::Bitmap24 picture = lumora::BuiltInFormats().Decode(file, extension);
    if (picture.bits.size() != static_cast<size_t>(picture.Stride()) * static_cast<size_t>(picture.height)) {
      __builtin_trap();
    }
  } catch (const lumora::PictureError&) {
  }
  return 0;
}
