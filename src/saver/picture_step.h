// The parts of the picture step that are pure picture work: turning a
// decoded picture upright by its EXIF orientation.
#pragma once

#include <cstdint>

#include "imaging/bitmap24.h"
#include "saver/rotate_image.h"

namespace lumora {

// The turn (degrees counter-clockwise) for an EXIF orientation value, 0 for
// none. Orientations 2, 4 and 7 turn like 6, 8 and 3 (their mirroring is
// not applied), 5 is left alone, and values outside 1 … 8 count as 1.
int32_t OrientationAngle(int32_t orientation);

// Turns the picture upright by its orientation value.
void ApplyExifOrientation(Bitmap24& picture, int32_t orientation, const TRotateImage::BusyHook& busy = {});

}  // namespace lumora
