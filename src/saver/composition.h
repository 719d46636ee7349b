// Where a picture goes on the screen image: its displayed size by the size
// and position modes, and its position. Arithmetic in extended precision,
// brought to whole pixels by cutting toward zero or by ceiling as each rule
// says.
#pragma once

#include <cstdint>
#include <functional>

#include "app/geometry.h"

namespace lumora {

struct SizeModes {
  int32_t drawPosision = 1;  // 0 centre, 1 random, 2 tile small, 3 tile large
  int32_t graphicsSize = 2;  // 0 full, 1 fit without enlarging, 2 random, 3 fit
};

// The displayed size of a w × h picture in a W × H window; `random` gives
// uniform numbers in [0, 1). A picture with no width or height keeps
// `current`.
Size ComputeDisplaySize(const SizeModes& modes, Size window, Size picture, Size current,
                        const std::function<double()>& random);

// Centred in the window; a picture larger than the window is anchored at
// its left or top edge.
Point CenterPosition(Size window, Size shown);

}  // namespace lumora
