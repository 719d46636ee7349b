#include <gtest/gtest.h>

#include "app/datetime.h"

namespace lumora {
namespace {

DateTime Date(int y, int m, int d) {
  DateTime v = 0;
  EXPECT_TRUE(TryEncodeDate(y, m, d, v));
  return v;
}

DateTime Time(int h, int mi, int s) {
  DateTime v = 0;
  EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, v));
  return v;
}

const DateTime kToday = Date(2026, 12, 8);

TEST(DateEncoding, KnownDayNumbersAndRoundTrip) {
  EXPECT_EQ(Date(1899, 12, 30), 0.0);
  EXPECT_EQ(Date(1900, 1, 1), 2.0);
  EXPECT_EQ(Date(1970, 1, 1), 25569.0);
  EXPECT_EQ(Date(2000, 3, 1) - Date(2000, 2, 28), 2.0);  // 2000 is a leap year
  EXPECT_EQ(Date(1900, 3, 1) - Date(1900, 2, 28), 1.0);  // 1900 is not
  for (DateTime d = Date(1600, 1, 1); d < Date(2400, 1, 1); d += 37) {
    const DateParts p = DecodeDate(d);
    EXPECT_EQ(Date(p.year, p.month, p.day), d);
  }
  DateTime unused = 0;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, unused));
  EXPECT_FALSE(TryEncodeDate(2004, 13, 1, unused));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, unused));
}

TEST(ParseDateTimeText, ExamplesFromExifAndFileNames) {
  // An hour of 25 is 01:30 of the next day.
  EXPECT_DOUBLE_EQ(ParseDateTimeText("2004:07:15 25:30:00", kToday), Date(2004, 7, 16) + Time(1, 30, 0));
  // Month/day with a weekday in brackets: the current year.
  EXPECT_DOUBLE_EQ(ParseDateTimeText("12/25(Mon)", kToday), Date(2026, 12, 25));
  // Six digits: two-digit years below 20 are 20xx, from 20 on 19xx.
  EXPECT_DOUBLE_EQ(ParseDateTimeText("040715", kToday), Date(2004, 7, 15));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("190715", kToday), Date(2019, 7, 15));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("200715", kToday), Date(1920, 7, 15));
  // A month of 13 is no date: 1970-01-01, the time still counts.
  EXPECT_DOUBLE_EQ(ParseDateTimeText("2004:13:01 10:00", kToday), Date(1970, 1, 1) + Time(10, 0, 0));
}

TEST(ParseDateText, SeparatorForms) {
  EXPECT_DOUBLE_EQ(ParseDateText("2004/07/15", kToday), Date(2004, 7, 15));
  EXPECT_DOUBLE_EQ(ParseDateText("07/15/2004", kToday), Date(2004, 7, 15));  // day 2004 ≥ 32: m/d/y
  EXPECT_DOUBLE_EQ(ParseDateText("2004-07-15(Thu)", kToday), Date(2004, 7, 15));
  EXPECT_DOUBLE_EQ(ParseDateText("2004-07", kToday), Date(2004, 7, 1));
  EXPECT_DOUBLE_EQ(ParseDateText("20040715", kToday), Date(2004, 7, 15));
  // A zero month or day makes both 1.
  EXPECT_DOUBLE_EQ(ParseDateText("2004:00:15", kToday), Date(2004, 1, 1));
  // Day above 31 with a small year: year d, month y, day m.
  EXPECT_DOUBLE_EQ(ParseDateText("7:15:2004", kToday), Date(2004, 7, 15));
}

TEST(ParseDateText, RubbishGivesTheFallbackDate) {
  for (const char* text : {"", "hello", "12345", "2004/02/30", "::", "99999999"}) {
    EXPECT_DOUBLE_EQ(ParseDateText(text, kToday), FallbackDate()) << text;
  }
  // Words around a slash read as month 0 and day 0: 1 January of this year.
  EXPECT_DOUBLE_EQ(ParseDateText("abc/def", kToday), Date(2026, 1, 1));
}

TEST(ParseTimeText, FormsAndInvalidTimes) {
  EXPECT_DOUBLE_EQ(ParseTimeText("1030"), Time(10, 30, 0));
  EXPECT_DOUBLE_EQ(ParseTimeText("103045"), Time(10, 30, 45));
  EXPECT_DOUBLE_EQ(ParseTimeText("10:30"), Time(10, 30, 0));
  EXPECT_DOUBLE_EQ(ParseTimeText("35:59:59"), 1.0 + Time(11, 59, 59));
  for (const char* text : {"36:00:00", "10:60", "123", "xx:yy", "-1:00"}) {
    EXPECT_DOUBLE_EQ(ParseTimeText(text), 0.0) << text;
  }
}

}  // namespace
}  // namespace lumora
