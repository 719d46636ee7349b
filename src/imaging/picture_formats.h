// The picture container: turns the bytes of a picture file into a 24-bit
// picture, choosing the decoder by the file's extension.
//
// Built in: bmp, ico, jpg, jpeg, gif, png. The Windows shell adds wmf and
// emf, and the plug-in host adds every extension a loaded import plug-in
// announces; a later registration of an extension replaces the earlier one,
// so a plug-in that announces "jpg" decodes JPEG files from then on.
//
// Transparency: every decoder delivers the picture as a Windows program sees
// it after drawing the file onto a fresh 24-bit bitmap filled with white.
// Partly transparent pixels (PNG alpha, tRNS, 32-bit icons) are blended onto
// white (255, 255, 255); fully transparent ones (a GIF's transparent colour,
// the part of a GIF's screen that its first image leaves uncovered) become
// white. An icon without alpha is drawn through its AND mask as DrawIcon does:
// a masked pixel becomes white XOR its colour, white for the usual black.
// The fourth byte of a 32-bit BMP is ignored, as GDI ignores it when it
// copies such a bitmap.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/bitmap24.h"

namespace lumora {

class PictureFormats {
 public:
  // Decodes a whole file; throws PictureError when it cannot.
  using Decoder = std::function<Bitmap24(const std::vector<uint8_t>&)>;
  // Decodes a file that may be read again by its path (a plug-in reads the
  // file itself); `path` (UTF-8) is empty for data that is no file's.
  using FileDecoder = std::function<Bitmap24(const std::vector<uint8_t>& bytes, const std::string& path)>;

  // `extension` without its dot (a leading dot is dropped), any letter case.
  // Replaces an earlier decoder of the same extension.
  void Register(std::string extension, Decoder decoder);
  void Register(std::string extension, FileDecoder decoder);
  bool Knows(std::string_view extension) const;

  // Decodes with the decoder of `extension` the bytes of the file at
  // `path` (when they come from one). Throws PictureError: "no decoder for
  // .xyz", the decoder's own error, or running out of memory.
  Bitmap24 Decode(const std::vector<uint8_t>& bytes, std::string_view extension, const std::string& path = {}) const;

  // The registered extensions in lower case, sorted.
  std::vector<std::string> Extensions() const;

 private:
  std::map<std::string, FileDecoder, std::less<>> decoders_;
};

// Registers bmp, ico, jpg, jpeg, gif and png.
void RegisterBuiltInFormats(PictureFormats& formats);

// The program's container, with the built-in formats registered on first
// use. Registration and decoding happen on the user-interface thread.
PictureFormats& BuiltInFormats();

}  // namespace lumora
