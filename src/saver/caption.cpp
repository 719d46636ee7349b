#include "saver/caption.h"

#include <cmath>
#include <cstdio>

#include "app/text.h"

namespace lumora {

namespace {

void AppendNumber(std::string& out, int value, int minDigits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", minDigits, value);
  out += buffer;
}

// Length of the run of character c starting at pattern[i].
size_t RunLength(std::string_view pattern, size_t i, char c) {
  size_t n = 0;
  while (i + n < pattern.size() && (pattern[i + n] | 0x20) == c) ++n;
  return n;
}

}  // namespace

int WeekdayIndex(DateTime value) {
  // Day 0 (1899-12-30) was a Saturday.
  const long long day = static_cast<long long>(std::floor(value));
  return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

std::string FormatDateTime(std::string_view pattern, DateTime value, const DayNames& dayNames) {
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '"' || c == '\'') {
      const size_t close = pattern.find(c, i + 1);
      const size_t end = close == std::string_view::npos ? pattern.size() : close;
      out += pattern.substr(i + 1, end - i - 1);
      i = end == pattern.size() ? end : end + 1;
      continue;
    }
    const char lower = static_cast<char>(c | 0x20);
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const size_t run = letter ? RunLength(pattern, i, lower) : 0;
    switch (run == 0 ? '\0' : lower) {
      case 'y':
        if (run >= 3) {
          AppendNumber(out, date.year, 4);
        } else {
          AppendNumber(out, date.year % 100, 2);
        }
        break;
      case 'm':
        AppendNumber(out, date.month, run >= 2 ? 2 : 1);
        break;
      case 'd':
        AppendNumber(out, date.day, run >= 2 ? 2 : 1);
        break;
      case 'h':
        AppendNumber(out, time.hour, run >= 2 ? 2 : 1);
        break;
      case 'n':
        AppendNumber(out, time.minute, run >= 2 ? 2 : 1);
        break;
      case 's':
        AppendNumber(out, time.second, run >= 2 ? 2 : 1);
        break;
      case 'a':
        if (run >= 3) {
          out += dayNames[static_cast<size_t>(WeekdayIndex(value))];
        } else {
          out.append(pattern.substr(i, run));
        }
        break;
      default:
        out.append(pattern.substr(i, run == 0 ? 1 : run));
        break;
    }
    i += run == 0 ? 1 : run;
  }
  return out;
}

std::string_view CaptionFileName(std::string_view path) {
  const size_t cut = path.find_last_of("\\/:");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string CaptionText(const CaptionInputs& inputs, const DayNames& dayNames) {
  std::string_view exifText;
  if (!IsBlank(inputs.exifCaptureDate)) {
    exifText = inputs.exifCaptureDate;
  } else if (!IsBlank(inputs.exifDate)) {
    exifText = inputs.exifDate;
  }
  std::string text;
  if (!exifText.empty()) {
    text = CaptionFileName(inputs.path);
    text += kCaptionSeparator;
    text += FormatDateTime(kCaptionExifDatePattern, ParseDateTimeText(exifText, inputs.today), dayNames);
  } else if (!inputs.fileWriteTime) {
    text = inputs.path;
  } else {
    text = CaptionFileName(inputs.path);
    text += kCaptionSeparator;
    text += FormatDateTime(kCaptionFileDatePattern, *inputs.fileWriteTime, dayNames);
  }
  return text;
}

Point CaptionOrigin(Point picturePosition, bool onTurnedPicture) {
  if (onTurnedPicture) return {kCaptionMargin, kCaptionMargin};
  return {picturePosition.x + kCaptionMargin, picturePosition.y + kCaptionMargin};
}

}  // namespace lumora
