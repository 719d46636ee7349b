#include "saver/zoom_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "app/file_bytes.h"
#include "app/text.h"

namespace lumora {

namespace {

int32_t Nearest(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace

Rect ZoomSourceRect(Size picture, int32_t zoom) {
  if (zoom < 0 || zoom > 99) {
    throw ZoomRangeError("Value " + std::to_string(zoom) + " out of range. Value must bee between 0 -> 99");
  }
  const double w = picture.width;
  const double h = picture.height;
  const double width = w - zoom * w / 100;
  const double height = w > 0 ? width * h / w : 0;
  const int32_t left = Nearest((w - width) / 2);
  const int32_t top = Nearest((h - height) / 2);
  return Rect{left, top, left + Nearest(width), top + Nearest(height)};
}

int32_t ZoomStepSleepMs(int32_t zoom) {
  int32_t sleep = 0;
  if (zoom > 70) sleep += 25;
  if (zoom > 60) sleep += 15;
  if (zoom > 50) sleep += 5;
  return sleep;
}

bool ZoomApplies(bool zoomSetting, bool closing, const std::string& path) {
  return zoomSetting && !closing && AsciiUpper(ExtensionOf(path)) == "JPG";
}

bool ZoomFromTemporaryBitmap(bool rotate, int32_t orientation) {
  return rotate || !(orientation == 0 || orientation == 1 || orientation == 5);
}

void ShowZoomEffect(ZoomHost& host, const Rect& target, bool fromTemporaryBitmap, int32_t drawWait) {
  host.MoveWindow(target);
  host.YieldToMessages();
  try {
    host.Activate();
  } catch (...) {
    // Without a working window the picture comes without the effect.
  }
  try {
    host.Load(fromTemporaryBitmap);
    host.SetZoom(kZoomStart);
    host.Run();
    host.YieldToMessages();
    host.Sleep(100);
    host.ShowWindow();
    host.YieldToMessages();
    host.Sleep(drawWait * 200);
    for (int32_t zoom = kZoomStart; zoom >= 0 && !host.Closing(); --zoom) {
      host.SetZoom(zoom);
      if (const int32_t sleep = ZoomStepSleepMs(zoom)) host.Sleep(sleep);
      host.YieldToMessages();
    }
    if (!host.Closing()) host.SetZoom(0);
  } catch (...) {
    // The picture is drawn underneath in any case.
  }
}

}  // namespace lumora

namespace lumora {

namespace {

// Half the size (at least one pixel each way), each pixel the average of
// the 2 × 2 block above it (the last row or column repeated when odd).
Bitmap24 HalfSize(const Bitmap24& from) {
  Bitmap24 half;
  half.Resize(std::max(1, from.width / 2), std::max(1, from.height / 2));
  for (int32_t y = 0; y < half.height; ++y) {
    const uint8_t* a = from.Row(std::min(2 * y, from.height - 1));
    const uint8_t* b = from.Row(std::min(2 * y + 1, from.height - 1));
    uint8_t* out = half.Row(y);
    for (int32_t x = 0; x < half.width; ++x) {
      const int32_t left = std::min(2 * x, from.width - 1) * 3;
      const int32_t right = std::min(2 * x + 1, from.width - 1) * 3;
      for (int c = 0; c < 3; ++c) {
        out[x * 3 + c] = static_cast<uint8_t>((a[left + c] + a[right + c] + b[left + c] + b[right + c] + 2) >> 2);
      }
    }
  }
  return half;
}

// Per output column (or row): the first of the two source pixels and the
// weight of the second, in 1/256.
struct Tap {
  int32_t index;
  int32_t weight;
};

std::vector<Tap> Taps(double start, double step, int32_t count, int32_t limit) {
  std::vector<Tap> taps(static_cast<size_t>(std::max(0, count)));
  for (int32_t i = 0; i < count; ++i) {
    const double position = std::clamp(start + (i + 0.5) * step - 0.5, 0.0, static_cast<double>(limit - 1));
    int32_t index = static_cast<int32_t>(position);
    int32_t weight = static_cast<int32_t>((position - index) * 256 + 0.5);
    if (index >= limit - 1) {
      index = std::max(0, limit - 2);
      weight = limit > 1 ? 256 : 0;
    }
    taps[static_cast<size_t>(i)] = {index, weight};
  }
  return taps;
}

}  // namespace

ZoomPicture::ZoomPicture(Bitmap24 picture) : owned_(std::move(picture)) { MakeHalves(); }

ZoomPicture::ZoomPicture(const Bitmap24* picture) : base_(picture) { MakeHalves(); }

void ZoomPicture::MakeHalves() {
  if (Levels() == 0) return;
  while (Level(Levels() - 1).width > 64 && Level(Levels() - 1).height > 64) {
    halves_.push_back(HalfSize(Level(Levels() - 1)));
  }
}

Rect ZoomPicture::Letterbox(const Rect& source, Size window) {
  const int64_t sw = std::max(1, source.Width());
  const int64_t sh = std::max(1, source.Height());
  int32_t width = window.width;
  int32_t height = window.height;
  if (window.width * sh > window.height * sw) {
    width = static_cast<int32_t>((window.height * sw + sh / 2) / sh);
  } else {
    height = static_cast<int32_t>((window.width * sh + sw / 2) / sw);
  }
  const int32_t left = (window.width - width) / 2;
  const int32_t top = (window.height - height) / 2;
  return Rect{left, top, left + width, top + height};
}

void ZoomPicture::Render(const Rect& source, Size window, const Rect& part, PixelView out) const {
  for (int32_t y = 0; y < out.height; ++y) std::memset(out.Row(y), 0, static_cast<size_t>(out.width) * 3);
  if (Levels() == 0 || source.Width() < 1 || source.Height() < 1) return;
  const Rect box = Letterbox(source, window);
  // The letterbox's pixels that fall on the rendered part.
  const int32_t left = std::max({box.left, part.left, 0});
  const int32_t right = std::min({box.right, part.right, part.left + out.width});
  const int32_t top = std::max({box.top, part.top, 0});
  const int32_t bottom = std::min({box.bottom, part.bottom, part.top + out.height});
  if (left >= right || top >= bottom) return;

  // The smallest copy that still shows at least one pixel per window pixel.
  size_t level = 0;
  double scale = 1;
  while (level + 1 < Levels() && source.Width() * scale / 2 >= box.Width() &&
         source.Height() * scale / 2 >= box.Height()) {
    ++level;
    scale /= 2;
  }
  const Bitmap24& from = Level(level);
  const double sx = static_cast<double>(from.width) / base_->width;
  const double sy = static_cast<double>(from.height) / base_->height;
  const double stepX = source.Width() * sx / box.Width();
  const double stepY = source.Height() * sy / box.Height();
  const std::vector<Tap> columns =
      Taps(source.left * sx + (left - box.left) * stepX, stepX, right - left, from.width);
  const std::vector<Tap> rows = Taps(source.top * sy + (top - box.top) * stepY, stepY, bottom - top, from.height);

  for (int32_t j = 0; j < bottom - top; ++j) {
    const Tap row = rows[static_cast<size_t>(j)];
    const uint8_t* a = from.Row(row.index);
    const uint8_t* b = from.Row(std::min(row.index + 1, from.height - 1));
    uint8_t* to = out.Row(top - part.top + j) + static_cast<ptrdiff_t>(left - part.left) * 3;
    for (const Tap& column : columns) {
      const int32_t p = column.index * 3;
      const int32_t q = std::min(column.index + 1, from.width - 1) * 3;
      for (int c = 0; c < 3; ++c) {
        const int32_t upper = a[p + c] * (256 - column.weight) + a[q + c] * column.weight;
        const int32_t lower = b[p + c] * (256 - column.weight) + b[q + c] * column.weight;
        to[c] = static_cast<uint8_t>((upper * (256 - row.weight) + lower * row.weight + 32768) >> 16);
      }
      to += 3;
    }
  }
}

}  // namespace lumora
