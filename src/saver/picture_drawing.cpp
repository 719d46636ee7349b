#include "saver/picture_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "saver/caption.h"
#include "saver/effects.h"
#include "saver/picture_step.h"

namespace lumora {

namespace {

// The part of `view` from (x, y) of the given size, clipped to the view;
// empty when nothing of it lies inside.
PixelView SubView(const PixelView& view, Point at, Size size) {
  const int32_t left = std::max(0, at.x);
  const int32_t top = std::max(0, at.y);
  const int64_t right = std::min<int64_t>(view.width, static_cast<int64_t>(at.x) + size.width);
  const int64_t bottom = std::min<int64_t>(view.height, static_cast<int64_t>(at.y) + size.height);
  if (left >= right || top >= bottom) return PixelView{};
  return PixelView{view.bits + view.stride * top + static_cast<ptrdiff_t>(left) * 3, static_cast<int32_t>(right - left),
                   static_cast<int32_t>(bottom - top), view.stride};
}

// Read-only pixel access to a bitmap through the one view type.
PixelView ViewOf(const Bitmap24& bitmap) {
  return PixelView{const_cast<uint8_t*>(bitmap.bits.data()), bitmap.width, bitmap.height, bitmap.Stride()};
}

bool TilingMode(int32_t drawPosision) { return drawPosision == 2 || drawPosision == 3; }

}  // namespace

void BlitPixels(PixelView to, Point at, const PixelView& from) {
  const PixelView target = SubView(to, at, {from.width, from.height});
  if (!target.bits) return;
  // The source pixels that land on the target's first row and column.
  const int32_t skipX = std::max(0, -at.x);
  const int32_t skipY = std::max(0, -at.y);
  const size_t bytes = static_cast<size_t>(target.width) * 3;
  for (int32_t y = 0; y < target.height; ++y) {
    std::memcpy(target.Row(y), from.Row(skipY + y) + static_cast<ptrdiff_t>(skipX) * 3, bytes);
  }
}

void StretchNearest(PixelView to, Point at, Size shown, const PixelView& from) {
  if (from.width < 1 || from.height < 1 || shown.width < 1 || shown.height < 1) return;
  const PixelView target = SubView(to, at, shown);
  if (!target.bits) return;
  const int32_t skipX = std::max(0, -at.x);
  const int32_t skipY = std::max(0, -at.y);
  // Target column i (of the whole rectangle) reads source column
  // Floor((i + 0.5) × sw / dw), in exact integer arithmetic.
  std::vector<ptrdiff_t> columnOffset(static_cast<size_t>(target.width));
  for (int32_t i = 0; i < target.width; ++i) {
    const int64_t column = ((2 * static_cast<int64_t>(skipX + i) + 1) * from.width) / (2 * int64_t{shown.width});
    columnOffset[static_cast<size_t>(i)] = static_cast<ptrdiff_t>(std::min<int64_t>(column, from.width - 1)) * 3;
  }
  const uint8_t* previousSource = nullptr;
  for (int32_t y = 0; y < target.height; ++y) {
    const int64_t row = ((2 * static_cast<int64_t>(skipY + y) + 1) * from.height) / (2 * int64_t{shown.height});
    const uint8_t* source = from.Row(static_cast<int32_t>(std::min<int64_t>(row, from.height - 1)));
    uint8_t* out = target.Row(y);
    if (source == previousSource) {
      // An enlarged picture repeats source rows: copy the row just made.
      std::memcpy(out, target.Row(y - 1), static_cast<size_t>(target.width) * 3);
      continue;
    }
    previousSource = source;
    for (int32_t i = 0; i < target.width; ++i) {
      const uint8_t* pixel = source + columnOffset[static_cast<size_t>(i)];
      out[0] = pixel[0];
      out[1] = pixel[1];
      out[2] = pixel[2];
      out += 3;
    }
  }
}

PictureComposer::PictureComposer(DrawingSettings settings, DrawingHooks hooks)
    : settings_(settings), hooks_(std::move(hooks)) {}

double PictureComposer::RandomTurnAngle() {
  const int32_t first = hooks_.below(180);
  const int32_t second = hooks_.below(180);
  return (first + second) / 2.0 - 90;
}

PreparedPicture PictureComposer::Prepare(Bitmap24 work, int32_t orientation, Size window) {
  PreparedPicture prepared;
  if (settings_.rotate) {
    prepared = PrepareTurnedPicture(std::move(work), window);
  } else {
    ApplyExifOrientation(work, Closing() ? 1 : orientation, hooks_.yield);
    const Size size{work.width, work.height};
    prepared.shown = ComputeDisplaySize({settings_.drawPosision, settings_.graphicsSize}, window, size, size,
                                        hooks_.uniform);
    prepared.picture = std::move(work);
  }

  const Placement placement =
      ComputePosition({settings_.drawPosision, settings_.screenClear, settings_.brightness}, window, prepared.shown,
                      cells_, {hooks_.uniform, hooks_.below});
  prepared.restoreScreen = placement.restoreScreen;
  prepared.darkenScreen = placement.darkenScreen;
  prepared.at = placement.at;
  return prepared;
}

PreparedPicture PictureComposer::PrepareTurnedPicture(Bitmap24 work, Size window) {
  const Size size{work.width, work.height};
  Size shown = ComputeDisplaySize({settings_.drawPosision, settings_.graphicsSize}, window, size, size, hooks_.uniform);
  shown.width = static_cast<int32_t>(std::ceil(shown.width * 0.8L));
  shown.height = static_cast<int32_t>(std::ceil(shown.height * 0.8L));

  // Turned pictures are always resampled smoothly.
  Bitmap24 picture = ResampleSmooth(work, shown.width, shown.height, smooth_);
  work = Bitmap24{};
  if (settings_.dispFileName && hooks_.caption) {
    hooks_.caption(picture.View(), CaptionOrigin({0, 0}, true));
  }
  ApplyColourMode(picture, settings_.drawColor, hooks_.closing);
  if (!settings_.screenClear) {
    DrawRaisedFrame(picture, 0, 0, picture.height - 1, picture.width - 1, hooks_.closing);
  }

  PreparedPicture prepared;
  prepared.turned = true;
  double angle = 0;
  if (!Closing()) angle = RandomTurnAngle();
  const Size before{picture.width, picture.height};
  prepared.picture = TRotateImage::Rotate(picture, settings_.backColor, angle, hooks_.yield);
  prepared.covered = TRotateImage::CoveredSpans(before, angle);
  LetMessagesRun();
  prepared.shown = {prepared.picture.width, prepared.picture.height};
  return prepared;
}

void PictureComposer::Frame(PixelView screen, Point at, Size size) const {
  if (settings_.screenClear) return;
  DrawRaisedFrame(screen, at.y, at.x, at.y + size.height - 1, at.x + size.width - 1, hooks_.closing);
}

void PictureComposer::DrawPicture(const PreparedPicture& prepared, PixelView screen, const PixelView& start) {
  // The older pictures fade, or a full grid starts over; both become
  // visible together with the new picture.
  if (TilingMode(settings_.drawPosision)) {
    if (prepared.restoreScreen) BlitPixels(screen, {0, 0}, start);
    if (prepared.darkenScreen) DarkenScreen(screen, settings_.drawPosision, hooks_.closing);
  } else {
    if (settings_.brightness) DarkenScreen(screen, settings_.drawPosision, hooks_.closing);
    if (settings_.screenClear) BlitPixels(screen, {0, 0}, start);
  }

  const Point at = prepared.at;
  if (prepared.turned) {
    if (Closing()) return;
    // Only the pixels the turn covered: picture pixels of any colour stay,
    // the corners show the screen beneath.
    const Bitmap24& picture = prepared.picture;
    for (int32_t y = 0; y < picture.height; ++y) {
      const int64_t screenY = static_cast<int64_t>(at.y) + y;
      if (screenY < 0) continue;
      if (screenY >= screen.height) break;
      const TRotateImage::RowSpan span = prepared.covered[static_cast<size_t>(y)];
      const int64_t first = std::max<int64_t>(span.first, -static_cast<int64_t>(at.x));
      const int64_t last = std::min<int64_t>(span.last, static_cast<int64_t>(screen.width) - at.x);
      if (first >= last) continue;
      std::memcpy(screen.Row(static_cast<int32_t>(screenY)) + (at.x + first) * 3, picture.Row(y) + first * 3,
                  static_cast<size_t>(last - first) * 3);
    }
    return;
  }

  const Bitmap24& work = prepared.picture;
  const bool scaled = TilingMode(settings_.drawPosision) || settings_.graphicsSize != 0;
  Size drawn = prepared.shown;
  if (scaled && settings_.smoothZoom) {
    const Bitmap24& smooth = ResampleSmooth(work, drawn.width, drawn.height, smooth_);
    BlitPixels(screen, at, ViewOf(smooth));
  } else if (scaled) {
    StretchNearest(screen, at, drawn, ViewOf(work));
  } else {
    drawn = {work.width, work.height};
    BlitPixels(screen, at, ViewOf(work));
  }
  // The colour mode works pixel by pixel, so applying it to the drawn part
  // of the screen gives what applying it to the picture first would, with
  // no work on the parts that fall outside the window.
  ApplyColourMode(SubView(screen, at, drawn), settings_.drawColor, hooks_.closing);
  Frame(screen, at, drawn);
}

void PictureComposer::DrawCaption(const PreparedPicture& prepared, PixelView screen) const {
  if (!settings_.dispFileName || settings_.rotate || !hooks_.caption) return;
  hooks_.caption(screen, CaptionOrigin(prepared.at, false));
}

}  // namespace lumora
