#include "app/datetime.h"

#include <cmath>
#include <string_view>

#include "app/text.h"

namespace lumora {
namespace {

constexpr bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

constexpr int DaysInMonth(int year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 0001-01-01 (day 1) in the proleptic Gregorian calendar.
constexpr long long DayNumber(int year, int month, int day) {
  long long days = 0;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  const long long y = year - 1;
  return days + day + y * 365 + y / 4 - y / 100 + y / 400;
}

constexpr long long kDayNumberOf18991230 = DayNumber(1899, 12, 30);

// The text before a "(" that opens a bracketed weekday, or the whole text.
std::string_view BeforeBracket(std::string_view text) {
  const size_t p = text.find('(');
  return p == std::string_view::npos ? text : text.substr(0, p);
}

int Num(std::string_view text) { return ParseIntOr(text, 0); }

int NumAt(std::string_view text, size_t pos, size_t count, int fallback) {
  return ParseIntOr(text.substr(pos, count), fallback);
}

// Splits "a<sep>b<sep>c" into up to three pieces; missing pieces are empty.
struct Pieces {
  std::string_view first, second, third;
  bool hasSecondSeparator = false;
};

Pieces Split(std::string_view text, char sep) {
  Pieces p;
  const size_t a = text.find(sep);
  p.first = text.substr(0, a);
  std::string_view rest = text.substr(a + 1);
  const size_t b = rest.find(sep);
  if (b == std::string_view::npos) {
    p.second = rest;
  } else {
    p.hasSecondSeparator = true;
    p.second = rest.substr(0, b);
    p.third = rest.substr(b + 1);
  }
  return p;
}

// Year, month, day from "y<sep>m<sep>d"; a day of 32 or more means the text
// was month<sep>day<sep>year.
void ReadThreeNumbers(const Pieces& p, int& y, int& m, int& d) {
  y = Num(p.first);
  m = Num(p.second);
  d = Num(BeforeBracket(p.third));
  if (d >= 32) {
    const int first = y, second = m, third = d;
    m = first;
    d = second;
    y = third;
  }
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, DateTime& out) {
  if (!IsValidDate(year, month, day)) return false;
  out = static_cast<DateTime>(DayNumber(year, month, day) - kDayNumberOf18991230);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  out = static_cast<DateTime>(ms) / 86400000.0;
  return true;
}

DateParts DecodeDate(DateTime value) {
  long long n = static_cast<long long>(std::floor(value)) + kDayNumberOf18991230;  // 1 = 0001-01-01
  DateParts parts;
  if (n < 1) return parts;
  // Walk 400-, 100-, 4- and 1-year cycles, then months.
  --n;
  const long long c400 = n / 146097;
  n %= 146097;
  long long c100 = n / 36524;
  if (c100 == 4) c100 = 3;
  n -= c100 * 36524;
  const long long c4 = n / 1461;
  n %= 1461;
  long long c1 = n / 365;
  if (c1 == 4) c1 = 3;
  n -= c1 * 365;
  parts.year = static_cast<int>(c400 * 400 + c100 * 100 + c4 * 4 + c1 + 1);
  int month = 1;
  while (n >= DaysInMonth(parts.year, month)) {
    n -= DaysInMonth(parts.year, month);
    ++month;
  }
  parts.month = month;
  parts.day = static_cast<int>(n) + 1;
  return parts;
}

TimeParts DecodeTime(DateTime value) {
  const double fraction = value - std::floor(value);
  long long ms = std::llround(fraction * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  TimeParts t;
  t.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  t.second = static_cast<int>(ms % 60);
  ms /= 60;
  t.minute = static_cast<int>(ms % 60);
  t.hour = static_cast<int>(ms / 60);
  return t;
}

int YearOfDate(DateTime value) { return DecodeDate(value).year; }

DateTime FallbackDate() {
  DateTime d = 0;
  TryEncodeDate(1970, 1, 1, d);
  return d;
}

DateTime ParseDateText(std::string_view text, DateTime today) {
  int y = 0, m = 0, d = 0;
  if (text.find('/') != std::string_view::npos) {
    const Pieces p = Split(text, '/');
    if (!p.hasSecondSeparator) {  // month/day of the current year
      m = Num(p.first);
      y = YearOfDate(today);
      d = Num(BeforeBracket(p.second));
    } else {
      ReadThreeNumbers(p, y, m, d);
    }
  } else if (text.find('-') != std::string_view::npos) {
    const Pieces p = Split(text, '-');
    if (!p.hasSecondSeparator) {  // year-month
      y = Num(p.first);
      m = Num(p.second);
      d = 1;
    } else {
      ReadThreeNumbers(p, y, m, d);
    }
  } else if (text.find(':') == std::string_view::npos) {
    const std::string_view t = Trim(text);
    if (t.size() == 6) {  // yymmdd
      const int yy = NumAt(t, 0, 2, 70);
      m = NumAt(t, 2, 2, 1);
      d = NumAt(t, 4, 2, 1);
      y = 1900 + yy >= 1920 ? 1900 + yy : 2000 + yy;
    } else if (t.size() == 8) {  // yyyymmdd
      y = NumAt(t, 0, 4, 1970);
      m = NumAt(t, 4, 2, 1);
      d = NumAt(t, 6, 2, 1);
    } else {
      return FallbackDate();
    }
  } else {  // y:m:d as EXIF writes dates
    ReadThreeNumbers(Split(text, ':'), y, m, d);
  }

  if (m == 0 || d == 0) {
    m = 1;
    d = 1;
  }
  DateTime result = 0;
  const bool ok = (d <= 31 || y >= 13) ? TryEncodeDate(y, m, d, result) : TryEncodeDate(d, y, m, result);
  return ok ? result : FallbackDate();
}

DateTime ParseTimeText(std::string_view text) {
  int h = 0, mi = 0, s = 0;
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    const std::string_view t = Trim(text);
    if (t.size() == 4 || t.size() == 6) {
      h = NumAt(t, 0, 2, 0);
      mi = NumAt(t, 2, 2, 0);
      if (t.size() == 6) s = NumAt(t, 4, 2, 0);
    } else {
      return 0;
    }
  } else {
    h = Num(text.substr(0, colon));
    const std::string_view rest = text.substr(colon + 1);
    const size_t next = rest.find(':');
    if (next == std::string_view::npos) {
      mi = Num(rest);
    } else {
      mi = Num(rest.substr(0, next));
      s = Num(rest.substr(next + 1));
    }
  }

  DateTime result = 0;
  if (h >= 24 && h <= 35) {  // past midnight, counted on from the day before
    return TryEncodeTime(h - 24, mi, s, 0, result) ? result + 1.0 : 0.0;
  }
  return TryEncodeTime(h, mi, s, 0, result) ? result : 0.0;
}

DateTime ParseDateTimeText(std::string_view text, DateTime today) {
  const size_t blank = text.find(' ');
  if (blank == std::string_view::npos) return ParseDateText(text, today);
  return ParseDateText(text.substr(0, blank), today) + ParseTimeText(text.substr(blank + 1));
}

}  // namespace lumora
