// Drawing a 24-bit picture of the core onto a device context.
#pragma once

#include <windows.h>

#include "app/geometry.h"
#include "imaging/bitmap24.h"

namespace lumora::win {

// Stretches the picture into the target rectangle with the plain
// (non-smoothing) stretch; unscaled when the sizes agree.
void DrawBitmap24(HDC dc, const Rect& target, const Bitmap24& picture);

}  // namespace lumora::win
