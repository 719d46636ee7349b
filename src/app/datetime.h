// Date-time values: days since 1899-12-30 as a double, the fraction being the
// time of day. The parsers read the loose date texts found in EXIF blocks and
// file names; "today" is passed in so results do not depend on the clock.
#pragma once

#include <string_view>

namespace lumora {

using DateTime = double;

struct DateParts {
  int year = 0;
  int month = 0;
  int day = 0;
};

struct TimeParts {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

bool IsValidDate(int year, int month, int day);
// Returns false (and leaves out untouched) for a date that does not exist.
bool TryEncodeDate(int year, int month, int day, DateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& out);
DateParts DecodeDate(DateTime value);
TimeParts DecodeTime(DateTime value);
int YearOfDate(DateTime value);

// The value of 1970-01-01, the result for texts that give no valid date.
DateTime FallbackDate();

DateTime ParseDateText(std::string_view text, DateTime today);
DateTime ParseTimeText(std::string_view text);
DateTime ParseDateTimeText(std::string_view text, DateTime today);

}  // namespace lumora
