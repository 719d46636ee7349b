// GIF through giflib: the first image of the file, placed on the logical
// screen. Screen pixels that the image does not cover and the image's
// transparent colour show white (see picture_formats.h); later images of an
// animation are not read.
#include <algorithm>
#include <cstring>
#include <memory>

#include <gif_lib.h>

#include "imaging/decoders.h"

namespace lumora {

namespace {

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* source = static_cast<Source*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), source->size - source->pos);
  if (n > 0) std::memcpy(buffer, source->data + source->pos, n);
  source->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const noexcept {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

[[noreturn]] void Fail(int error) {
  const char* text = GifErrorString(error);
  throw PictureError(std::string("GIF: ") + (text ? text : "damaged file"));
}

// The row of the image that the n-th stored line fills: interlaced images
// store every 8th row from 0, every 8th from 4, every 4th from 2, then
// every 2nd from 1.
int32_t InterlacedRow(int32_t n, int32_t height) {
  static constexpr int32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const int32_t rows = kStart[pass] < height ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (n < rows) return kStart[pass] + n * kStep[pass];
    n -= rows;
  }
  return height;  // beyond the image
}

}  // namespace

Bitmap24 DecodeGif(const std::vector<uint8_t>& bytes) {
  Source source{bytes.data(), bytes.size()};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadFromMemory, &error));
  if (!gif) Fail(error);
  CheckDeclaredSize(gif->SWidth, gif->SHeight, "GIF");

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) Fail(gif->Error);
    if (record == TERMINATE_RECORD_TYPE) break;  // no image: the empty screen
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) Fail(gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock control{};
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
      }
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) Fail(gif->Error);
      }
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;

    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Fail(gif->Error);
    const GifImageDesc& desc = gif->Image;
    Bitmap24 picture;
    picture.Resize(gif->SWidth, gif->SHeight);
    if (desc.Width <= 0 || desc.Height <= 0) return picture;
    CheckDeclaredSize(desc.Width, desc.Height, "GIF");
    const ColorMapObject* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;

    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    for (int32_t n = 0; n < desc.Height; ++n) {
      if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) Fail(gif->Error);
      const int32_t y = desc.Top + (desc.Interlace ? InterlacedRow(n, desc.Height) : n);
      if (y >= picture.height) {
        if (!desc.Interlace) break;  // the rest lies below the screen
        continue;
      }
      uint8_t* row = picture.Row(y);
      for (int32_t i = 0; i < desc.Width; ++i) {
        const int64_t x = int64_t{desc.Left} + i;
        if (x >= picture.width) break;
        const int index = line[static_cast<size_t>(i)];
        if (index == transparent) continue;
        uint8_t* px = row + 3 * x;
        if (colors != nullptr && index < colors->ColorCount) {
          const GifColorType& c = colors->Colors[index];
          px[0] = c.Blue;
          px[1] = c.Green;
          px[2] = c.Red;
        } else {
          px[0] = px[1] = px[2] = 0;  // a colour the file does not define
        }
      }
    }
    return picture;
  }
  Bitmap24 picture;
  picture.Resize(gif->SWidth, gif->SHeight);
  return picture;
}

}  // namespace lumora
