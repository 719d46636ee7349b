#include "saver/composition.h"

#include <cmath>

namespace lumora {

namespace {

using Real = long double;

int32_t Ceil(Real value) { return static_cast<int32_t>(std::ceil(value)); }
int32_t Trunc(Real value) { return static_cast<int32_t>(value); }

Size FitToWidth(Size picture, int32_t width) {
  return {width, Ceil(static_cast<Real>(picture.height) * width / picture.width)};
}

Size FitToHeight(Size picture, int32_t height) {
  return {Ceil(static_cast<Real>(picture.width) * height / picture.height), height};
}

// Fitted into the box by the side that matters for its shape.
Size BoxFit(Size picture, int32_t width, int32_t height) {
  if (picture.height < picture.width) {
    const Size fitted = FitToWidth(picture, width);
    return fitted.height > height ? FitToHeight(picture, height) : fitted;
  }
  const Size fitted = FitToHeight(picture, height);
  return fitted.width > width ? FitToWidth(picture, width) : fitted;
}

Size WidthThenHeight(Size picture, Size window) {
  const Size fitted = FitToWidth(picture, window.width);
  return fitted.height > window.height ? FitToHeight(picture, window.height) : fitted;
}

Size HeightThenWidth(Size picture, Size window) {
  const Size fitted = FitToHeight(picture, window.height);
  return fitted.width > window.width ? FitToWidth(picture, window.width) : fitted;
}

}  // namespace

Size ComputeDisplaySize(const SizeModes& modes, Size window, Size picture, Size current,
                        const std::function<double()>& random) {
  const int32_t w = picture.width, h = picture.height, W = window.width, H = window.height;
  if (w <= 0 || h <= 0) return current;
  if (modes.drawPosision == 2) return BoxFit(picture, 256, 192);
  if (modes.drawPosision == 3) {
    if (static_cast<Real>(H) / W > 0.75L) {
      return BoxFit(picture, Trunc(static_cast<Real>(W) / 2), Trunc(static_cast<Real>(W) / 2 * 3 / 4));
    }
    return BoxFit(picture, Trunc(static_cast<Real>(H) / 2 * 4 / 3), Trunc(static_cast<Real>(H) / 2));
  }
  switch (modes.graphicsSize) {
    case 1:
      if (w > W && h <= H) return WidthThenHeight(picture, window);
      if (w <= W && h > H) return HeightThenWidth(picture, window);
      if (w > W && h > H) {
        return static_cast<Real>(W) / w < static_cast<Real>(H) / h ? WidthThenHeight(picture, window)
                                                                   : HeightThenWidth(picture, window);
      }
      return picture;
    case 2: {
      const Real a = random();
      const Real b = random();
      const Real scale = h < w ? static_cast<Real>(W) / w : static_cast<Real>(H) / h;
      const double r = static_cast<double>((a + b + 0.3L) / 3 * scale);
      return {Ceil(static_cast<Real>(w) * r), Ceil(static_cast<Real>(h) * r)};
    }
    case 3:
      return BoxFit(picture, W, H);
    default:
      return picture;
  }
}

Point CenterPosition(Size window, Size shown) {
  Point at{Trunc(static_cast<Real>(window.width - shown.width) / 2),
           Trunc(static_cast<Real>(window.height - shown.height) / 2)};
  if (at.x < 0) at.x = 0;
  if (at.y < 0) at.y = 0;
  return at;
}

}  // namespace lumora
