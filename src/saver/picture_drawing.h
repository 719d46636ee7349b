// The picture step's work on the screen image, between decoding and the
// finished frame: darkening older pictures, preparing the new one (turned
// upright by its EXIF orientation or turned at random, sized, placed) and
// drawing it with its colour mode, frame and caption. The saver window and
// lumora-cli's compose command share it; the window adds the waits, the
// zoom effect and the text drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "app/geometry.h"
#include "imaging/bitmap24.h"
#include "imaging/pixels.h"
#include "saver/composition.h"
#include "saver/rotate_image.h"

namespace lumora {

// The settings that shape a frame.
struct DrawingSettings {
  int32_t drawPosision = 1;  // 0 centre, 1 random, 2 tile small, 3 tile large
  int32_t graphicsSize = 2;  // 0 full, 1 fit without enlarging, 2 random, 3 fit
  int32_t drawColor = 0;     // 0 colour, 1 black and white, 2 sepia
  bool screenClear = false;
  bool brightness = false;
  bool smoothZoom = false;
  bool rotate = false;
  bool dispFileName = false;
  uint32_t backColor = 0x00FFFFFF;  // 0x00BBGGRR, fill of the turning engine
};

struct DrawingHooks {
  std::function<double()> uniform;              // Random: [0, 1)
  std::function<int32_t(int32_t n)> below;      // Random(n): 0 … n − 1
  std::function<bool()> closing;                // the saver is ending
  std::function<void()> yield;                  // lets window messages run
  // Writes the current picture's caption with its top-left corner at the
  // point of the target (clipped to it). Empty: no caption is drawn.
  std::function<void(PixelView target, Point at)> caption;
};

// A picture ready to be drawn.
struct PreparedPicture {
  Bitmap24 picture;  // the working copy (upright), or the turned picture
  Size shown;        // displayed size (the turned picture's bounding box)
  Point at;          // top-left corner on the screen image
  bool turned = false;
  // A full tiling grid was emptied for this picture: the screen is to be
  // restored and darkened before it is drawn, as the settings ask.
  bool restoreScreen = false;
  bool darkenScreen = false;
  // For a turned picture, the columns of each row the turn covered; the
  // rest of its bounding box leaves the screen beneath visible.
  std::vector<TRotateImage::RowSpan> covered;
};

// Copies the pixels of `from` (its top-left corner at `at` of `to`) onto
// `to`, clipped to both.
void BlitPixels(PixelView to, Point at, const PixelView& from);

// The plain (non-smoothing) stretch of the whole source into the rectangle
// of the target at `at`, size `shown`, right and bottom exclusive: each
// target pixel takes the source pixel under its centre. Only the part of
// the rectangle inside the target is written.
void StretchNearest(PixelView to, Point at, Size shown, const PixelView& from);

class PictureComposer {
 public:
  PictureComposer(DrawingSettings settings, DrawingHooks hooks);

  const DrawingSettings& Settings() const { return settings_; }
  TileCells& Cells() { return cells_; }

  // Turns, sizes and places the working copy on a screen of the given
  // size. In the tiling modes a full grid is emptied here. The screen image
  // is not touched, so the picture on it stays as it is while the next one
  // is prepared.
  PreparedPicture Prepare(Bitmap24 work, int32_t orientation, Size window);

  // Puts the prepared picture on the screen image. First the screen: with
  // "Brightness" it is darkened (by 0.8 before every picture in the centre
  // and random modes; by 0.5 after a full tiling grid, which with "Screen
  // Clear" also brings back the start image first), and with "Screen Clear"
  // outside the tiling modes the start image is restored. Then the turned
  // picture through its coverage, or the picture resampled smoothly,
  // plainly stretched or unscaled, in its colour mode and with the raised
  // frame when the screen is not cleared. Nothing is drawn for a turned
  // picture once the saver is closing.
  void DrawPicture(const PreparedPicture& prepared, PixelView screen, const PixelView& start);

  // The caption of a picture that was not turned (a turned one carries its
  // own): on the screen image, just inside the picture's corner.
  void DrawCaption(const PreparedPicture& prepared, PixelView screen) const;

  // The random turn of "Rotate": (Random(180) + Random(180)) / 2 − 90
  // degrees.
  double RandomTurnAngle();

 private:
  bool Closing() const { return hooks_.closing && hooks_.closing(); }
  void LetMessagesRun() const {
    if (hooks_.yield) hooks_.yield();
  }
  PreparedPicture PrepareTurnedPicture(Bitmap24 work, Size window);
  void Frame(PixelView screen, Point at, Size size) const;

  DrawingSettings settings_;
  DrawingHooks hooks_;
  TileCells cells_;
  Bitmap24 smooth_;  // destination of every smooth resampling
};

}  // namespace lumora
