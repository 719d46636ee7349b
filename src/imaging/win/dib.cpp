#include "imaging/win/dib.h"

namespace lumora::win {

void DrawBitmap24(HDC dc, const Rect& target, const Bitmap24& picture) {
  if (picture.width <= 0 || picture.height <= 0 || target.Width() <= 0 || target.Height() <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // rows top-down, as the core keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchDIBits(dc, target.left, target.top, target.Width(), target.Height(), 0, 0, picture.width, picture.height,
                  picture.bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace lumora::win
