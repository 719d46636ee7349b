#include "saver/picture_step.h"

#include <utility>

namespace lumora {

int32_t OrientationAngle(int32_t orientation) {
  switch (orientation) {
    case 2: return 270;
    case 3: return 180;
    case 4: return 90;
    case 6: return 270;
    case 7: return 180;
    case 8: return 90;
    default: return 0;
  }
}

void ApplyExifOrientation(Bitmap24& picture, int32_t orientation, const TRotateImage::BusyHook& busy) {
  const int32_t angle = OrientationAngle(orientation);
  if (angle == 0) return;
  // Quarter turns move pixels exactly, so the fill colour never shows.
  picture = TRotateImage::Rotate(picture, 0x00FFFFFF, angle, busy);
}

}  // namespace lumora
