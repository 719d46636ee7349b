// The zoom-out effect of JPEG pictures: a close-up of the picture's centre
// in a window over the picture's place, widening step by step to the whole
// picture. The window itself belongs to the shell; this is its arithmetic
// and its course.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/geometry.h"
#include "imaging/bitmap24.h"
#include "imaging/pixels.h"

namespace lumora {

// The first zoom value of the effect: the central 8 % of the picture.
inline constexpr int32_t kZoomStart = 92;

class ZoomRangeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The part of a w × h picture that zoom z (0 … 99) shows, stretched to the
// window: width w′ = w − z·w/100, height w′·h/w, centred; each edge taken to
// the nearest integer (ties to even). Any other z raises ZoomRangeError.
Rect ZoomSourceRect(Size picture, int32_t zoom);

// Sleep after setting zoom z: 25 ms above 70, 15 more above 60, 5 more
// above 50; nothing below.
int32_t ZoomStepSleepMs(int32_t zoom);

// Whether the effect runs for this file: "Zoom" on, not closing, and the
// extension, upper-cased, exactly ".JPG".
bool ZoomApplies(bool zoomSetting, bool closing, const std::string& path);

// Whether the picture on screen differs from the file, so that the effect
// plays the temporary bitmap instead: a turned picture ("Rotate"), or one
// turned upright by its EXIF orientation.
bool ZoomFromTemporaryBitmap(bool rotate, int32_t orientation);

// The picture as the zoom window shows it: any part of it smoothly
// stretched into the window, keeping its proportions, black around it. A
// chain of half-size copies is made once, so each frame reads from the
// smallest copy that still has at least as many pixels as it shows and
// costs about the same whatever the picture's size.
class ZoomPicture {
 public:
  // Owns the picture.
  explicit ZoomPicture(Bitmap24 picture);
  // Reads a picture that outlives it (the picture step's working copy).
  explicit ZoomPicture(const Bitmap24* picture);
  ZoomPicture(const ZoomPicture&) = delete;
  ZoomPicture& operator=(const ZoomPicture&) = delete;

  Size PictureSize() const { return {base_->width, base_->height}; }

  // Where the source rectangle lands in a window of that size: as large as
  // fits with the rectangle's proportions, centred.
  static Rect Letterbox(const Rect& source, Size window);

  // Fills the window's pixels: black, with the source rectangle (picture
  // pixels) stretched bilinearly into its letterbox. Only the part of the
  // window in `part` (window coordinates, the size of `out`) is rendered,
  // so a window reaching beyond the screen costs no more than the screen.
  void Render(const Rect& source, Size window, const Rect& part, PixelView out) const;
  void Render(const Rect& source, PixelView window) const {
    Render(source, {window.width, window.height}, {0, 0, window.width, window.height}, window);
  }

 private:
  void MakeHalves();
  const Bitmap24& Level(size_t i) const { return i == 0 ? *base_ : halves_[i - 1]; }
  size_t Levels() const { return base_->width < 1 || base_->height < 1 ? 0 : 1 + halves_.size(); }

  Bitmap24 owned_;
  const Bitmap24* base_ = &owned_;
  std::vector<Bitmap24> halves_;
};

// What the effect needs of its window and of the saver.
class ZoomHost {
 public:
  virtual ~ZoomHost() = default;
  virtual void MoveWindow(const Rect& target) = 0;  // left, top, right, bottom on the screen image
  virtual void Activate() = 0;                      // may throw; ignored
  virtual void Load(bool fromTemporaryBitmap) = 0;  // may throw; ends the effect
  virtual void SetZoom(int32_t zoom) = 0;
  virtual void Run() = 0;
  virtual void ShowWindow() = 0;
  virtual void Sleep(int32_t milliseconds) = 0;
  virtual void YieldToMessages() = 0;
  virtual bool Closing() = 0;
};

// The effect over the target rectangle: the close-up for drawWait × 200 ms,
// then zoom 92 down to 0 with the step sleeps, ending early when the saver
// closes (the zoom then stays where it was). Errors of the window are
// absorbed: the picture is then shown without the effect.
void ShowZoomEffect(ZoomHost& host, const Rect& target, bool fromTemporaryBitmap, int32_t drawWait);

}  // namespace lumora
