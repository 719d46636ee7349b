// The caption painted on every picture when file names are shown: its text
// (file name and the picture's date) and where it goes. The shell supplies
// the locale's day names, the file's last-write time and does the drawing.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/datetime.h"
#include "app/geometry.h"

namespace lumora {

// Abbreviated weekday names of the user's locale, Sunday first, UTF-8.
using DayNames = std::array<std::string, 7>;

// Date patterns of the caption, in the framework's date-time format notation.
inline constexpr std::string_view kCaptionExifDatePattern = "yy\"年\"m\"月\"d\"日\"(aaa) hh:nn";
inline constexpr std::string_view kCaptionFileDatePattern = "yy\"年\"m\"月\"d\"日\"(aaa)";
inline constexpr std::string_view kCaptionSeparator = " / ";

// Distance of the caption from the picture's top-left corner, both axes.
inline constexpr int32_t kCaptionMargin = 4;

// Weekday of a date-time value: 0 = Sunday … 6 = Saturday.
int WeekdayIndex(DateTime value);

// Formats a date-time value. Tokens: yyyy/yy year, mm/m month, dd/d day,
// aaa abbreviated day name (from dayNames), hh/h hour (24-hour clock),
// nn/n minute, ss/s second; text in double or single quotes is copied without
// the quotes; any other character is copied as is.
std::string FormatDateTime(std::string_view pattern, DateTime value, const DayNames& dayNames);

// The path without its folder: the part after the last '\', '/' or ':'.
std::string_view CaptionFileName(std::string_view path);

struct CaptionInputs {
  std::string_view path;             // full path of the picture file
  std::string_view exifCaptureDate;  // EXIF DateTimeOriginal text, empty when absent
  std::string_view exifDate;         // EXIF DateTime text, empty when absent
  // Last-write time of the file (local time), nothing when the lookup failed.
  std::optional<DateTime> fileWriteTime;
  DateTime today = 0;                // for ParseDateTimeText's loose forms
};

// The caption: "name / date" with the EXIF capture date, else the EXIF date
// (with time of day), else the file's date (no time); the full path alone
// when there is no EXIF date and the file was not found.
std::string CaptionText(const CaptionInputs& inputs, const DayNames& dayNames);

// Where the caption goes: kCaptionMargin inside the picture's corner on the
// screen image, or at (margin, margin) of the picture itself when the picture
// is turned afterwards (so the caption turns with it).
Point CaptionOrigin(Point picturePosition, bool onTurnedPicture);

}  // namespace lumora
