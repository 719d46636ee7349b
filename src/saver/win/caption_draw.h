// The Windows side of the caption: the locale's day names, the file's
// last-write time, and the text drawn into picture pixels.
#pragma once

#include <optional>
#include <string>

#include "app/datetime.h"
#include "app/geometry.h"
#include "imaging/pixels.h"
#include "saver/caption.h"

namespace lumora::win {

// Abbreviated weekday names of the user's locale, Sunday first.
DayNames LocaleDayNames();

// Last-write time of the file in local time, nothing when no file is found
// at the path.
std::optional<DateTime> FileWriteTime(const std::string& path);

// Writes one line of text in the default GUI font, window-text colour on
// solid white, with its top-left corner at `at` of the pixels; whatever
// falls outside them is cut.
void DrawCaptionText(PixelView target, Point at, const std::string& text);

}  // namespace lumora::win
