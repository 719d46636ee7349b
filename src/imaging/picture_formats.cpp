#include "imaging/picture_formats.h"

#include <new>
#include <utility>

#include "imaging/decoders.h"

namespace lumora {

namespace {

std::string NormalExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  std::string key(extension);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

}  // namespace

void PictureFormats::Register(std::string extension, Decoder decoder) {
  FileDecoder fileDecoder;
  if (decoder) {
    fileDecoder = [decoder = std::move(decoder)](const std::vector<uint8_t>& bytes, const std::string&) {
      return decoder(bytes);
    };
  }
  Register(std::move(extension), std::move(fileDecoder));
}

void PictureFormats::Register(std::string extension, FileDecoder decoder) {
  decoders_[NormalExtension(extension)] = std::move(decoder);
}

bool PictureFormats::Knows(std::string_view extension) const {
  return decoders_.find(NormalExtension(extension)) != decoders_.end();
}

Bitmap24 PictureFormats::Decode(const std::vector<uint8_t>& bytes, std::string_view extension,
                                const std::string& path) const {
  const std::string key = NormalExtension(extension);
  const auto found = decoders_.find(key);
  if (found == decoders_.end() || !found->second) throw PictureError("no decoder for ." + key);
  try {
    return found->second(bytes, path);
  } catch (const PictureError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw PictureError("not enough memory to decode the ." + key + " picture");
  } catch (const std::exception& e) {
    // A registered decoder (a plug-in's, say) may report in its own way;
    // callers only need to know that this file did not load.
    throw PictureError(e.what());
  }
}

std::vector<std::string> PictureFormats::Extensions() const {
  std::vector<std::string> list;
  for (const auto& entry : decoders_) list.push_back(entry.first);
  return list;
}

void RegisterBuiltInFormats(PictureFormats& formats) {
  formats.Register("bmp", DecodeBmp);
  formats.Register("ico", DecodeIco);
  formats.Register("jpg", DecodeJpeg);
  formats.Register("jpeg", DecodeJpeg);
  formats.Register("gif", DecodeGif);
  formats.Register("png", DecodePng);
}

PictureFormats& BuiltInFormats() {
  static PictureFormats formats = [] {
    PictureFormats built;
    RegisterBuiltInFormats(built);
    return built;
  }();
  return formats;
}

void CheckDeclaredSize(int64_t width, int64_t height, const char* format) {
  if (width <= 0 || height <= 0) {
    throw PictureError(std::string(format) + " picture without pixels (" + std::to_string(width) + " x " +
                       std::to_string(height) + ")");
  }
  // Both sides are checked first, so the product below cannot overflow.
  if (width > kMaxPicturePixels || height > kMaxPicturePixels || width * height > kMaxPicturePixels) {
    throw PictureError(std::string(format) + " picture too large: " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels (at most " + std::to_string(kMaxPicturePixels / 1'000'000) +
                       " megapixels)");
  }
}

}  // namespace lumora
