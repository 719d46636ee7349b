// Pixel effects of the picture step on 24-bit pictures: the colour modes of
// "Draw Color" (black and white, sepia), the darkening of the screen image
// for "Brightness", and the smooth resampling of "SmoothZoom" (also used for
// every turned picture).
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/bitmap24.h"
#include "imaging/pixels.h"

namespace lumora {

// Asked before each row; true stops the work there (the saver is closing),
// leaving the rows above altered and the rest untouched.
using EffectsClosing = std::function<bool()>;

// Widest row the colour mode and the darkening alter; pixels beyond it stay
// as they are.
inline constexpr int32_t kEffectsMaxRowPixels = 32768;

// "Draw Color" 1: every pixel becomes grey v = Trunc((R + G + B) / 3);
// 2: sepia, R = v, G = Trunc(v × 216 / 256), B = Trunc(v × 166 / 256);
// any other value leaves the picture alone.
void ApplyColourMode(PixelView picture, int32_t drawColor, const EffectsClosing& closing = {});
void ApplyColourMode(Bitmap24& picture, int32_t drawColor, const EffectsClosing& closing = {});

// Every channel v becomes Trunc(v × f), f = 0.5 when "Draw Posision" is 2 or
// 3 (the tiling modes), otherwise 0.8. To darken fewer rows than the bitmap
// holds (the screen control's height), pass a view with that height.
void DarkenScreen(PixelView screen, int32_t drawPosision, const EffectsClosing& closing = {});
void DarkenScreen(Bitmap24& screen, int32_t drawPosision, const EffectsClosing& closing = {});

// The source resampled to dw × dh by the exact area average of the bilinear
// surface through the source pixels (a pixel's centre at its integer
// coordinates, rows and columns beyond the edges repeating the edge),
// each channel rounded to the nearest integer with ties to even. The result
// is written into `smooth` (its earlier content is replaced) and a reference
// to it returned; when dw or dh is 0, nothing is done and the source itself
// is returned. An empty source gives a black picture. `smooth` may be the
// source itself.
//
// The sum is computed as per-column and per-row weights (separably), in
// single precision. A pixel with a channel within that precision's error
// bound of a rounding boundary is summed again separably in double
// precision, and if a channel still lies so close to a boundary that the
// order of summation could matter, by the footprint sum of cells; so the
// result equals that sum's in every pixel.
//
// threads: how many threads share the rows; 0 picks all the processor's
// cores for large pictures and one thread for small ones.
//
// Raises PictureError when dw or dh is negative or dw × dh is over the
// pixel budget.
const Bitmap24& ResampleSmooth(const Bitmap24& source, int32_t dw, int32_t dh, Bitmap24& smooth,
                               int32_t threads = 0);

}  // namespace lumora
