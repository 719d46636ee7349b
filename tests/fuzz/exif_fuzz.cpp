// Feeds arbitrary bytes to the EXIF reader as the head of a JPEG file, then
// once more through the stream entry point, which must agree with it.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "imaging/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumora::TExif fromBytes;
  fromBytes.ReadFromBytes(data, size);
  const auto fields = lumora::ExifFieldList(fromBytes);

  std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
  lumora::TExif fromStream;
  fromStream.ReadFromStream(stream);
  if (lumora::ExifFieldList(fromStream) != fields) std::abort();
  return 0;
}
