#include "imaging/win/metafile.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "app/win/handles.h"
#include "app/win/utilities.h"

namespace lumora::win {

namespace {

struct EnhMetafileDeleter {
  void operator()(HENHMETAFILE h) const noexcept { ::DeleteEnhMetaFile(h); }
};
using UniqueEnhMetafile = std::unique_ptr<std::remove_pointer_t<HENHMETAFILE>, EnhMetafileDeleter>;

// Plays the metafile into a width × height picture with a white background.
Bitmap24 Play(HENHMETAFILE metafile, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) throw PictureError("metafile without a size");
  Bitmap24 picture;
  picture.Resize(width, height);  // checks the budget
  BITMAPINFO info = TopDown24BitmapInfo(width, height);
  void* bits = nullptr;
  UniqueDC dc(::CreateCompatibleDC(nullptr));
  UniqueBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !bitmap || !bits) throw PictureError("not enough memory for the metafile picture");
  SelectGuard select(dc.get(), bitmap.get());
  std::memcpy(bits, picture.bits.data(), picture.bits.size());
  RECT target{0, 0, width, height};
  if (!::PlayEnhMetaFile(dc.get(), metafile, &target)) throw PictureError("the metafile could not be played");
  ::GdiFlush();
  std::memcpy(picture.bits.data(), bits, picture.bits.size());
  return picture;
}

// Pixels of the screen for a length in 0.01 mm.
int32_t FrameToPixels(LONG hundredthsMm, int pixelsPerInch) {
  return static_cast<int32_t>(std::lround(hundredthsMm / 2540.0 * pixelsPerInch));
}

int ScreenPixelsPerInch() {
  WindowDC screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

Bitmap24 DecodeEnhancedMetafile(const std::vector<uint8_t>& bytes) {
  UniqueEnhMetafile metafile(::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data()));
  if (!metafile) throw PictureError("not an enhanced metafile");
  ENHMETAHEADER header{};
  if (!::GetEnhMetaFileHeader(metafile.get(), sizeof header, &header)) throw PictureError("damaged enhanced metafile");
  const int dpi = ScreenPixelsPerInch();
  return Play(metafile.get(), FrameToPixels(header.rclFrame.right - header.rclFrame.left, dpi),
              FrameToPixels(header.rclFrame.bottom - header.rclFrame.top, dpi));
}

Bitmap24 DecodeWindowsMetafile(const std::vector<uint8_t>& bytes) {
  constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
  constexpr size_t kPlaceableSize = 22;
  int32_t width = 0, height = 0;
  size_t offset = 0;
  METAFILEPICT picture{MM_ANISOTROPIC, 0, 0, nullptr};
  uint32_t key = 0;
  if (bytes.size() >= 4) std::memcpy(&key, bytes.data(), 4);
  if (key == kPlaceableKey && bytes.size() > kPlaceableSize) {
    // Placeable header: bounding box in metafile units and units per inch.
    int16_t left, top, right, bottom;
    uint16_t unitsPerInch;
    std::memcpy(&left, bytes.data() + 6, 2);
    std::memcpy(&top, bytes.data() + 8, 2);
    std::memcpy(&right, bytes.data() + 10, 2);
    std::memcpy(&bottom, bytes.data() + 12, 2);
    std::memcpy(&unitsPerInch, bytes.data() + 14, 2);
    if (unitsPerInch == 0) throw PictureError("damaged metafile header");
    const int dpi = ScreenPixelsPerInch();
    width = static_cast<int32_t>(std::lround(std::abs(right - left) * static_cast<double>(dpi) / unitsPerInch));
    height = static_cast<int32_t>(std::lround(std::abs(bottom - top) * static_cast<double>(dpi) / unitsPerInch));
    picture.xExt = static_cast<LONG>(std::lround(std::abs(right - left) * 2540.0 / unitsPerInch));
    picture.yExt = static_cast<LONG>(std::lround(std::abs(bottom - top) * 2540.0 / unitsPerInch));
    offset = kPlaceableSize;
  } else {
    width = 256;  // a plain metafile carries no size
    height = 256;
    picture.xExt = static_cast<LONG>(width * 2540 / 96);
    picture.yExt = static_cast<LONG>(height * 2540 / 96);
  }
  if (bytes.size() <= offset) throw PictureError("empty metafile");
  UniqueEnhMetafile metafile(
      ::SetWinMetaFileBits(static_cast<UINT>(bytes.size() - offset), bytes.data() + offset, nullptr, &picture));
  if (!metafile) throw PictureError("not a Windows metafile");
  return Play(metafile.get(), width, height);
}

}  // namespace lumora::win
