#include <gtest/gtest.h>

#include "saver/caption.h"

namespace lumora {
namespace {

const DayNames kJapaneseDays = {"日", "月", "火", "水", "木", "金", "土"};
const DayNames kEnglishDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  DateTime date = 0;
  DateTime time = 0;
  EXPECT_TRUE(TryEncodeDate(y, mo, d, date));
  EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, time));
  return date + time;
}

const DateTime kToday = At(2026, 12, 8);

std::string Caption(std::string_view path, std::string_view capture, std::string_view exifDate,
                    std::optional<DateTime> fileTime, const DayNames& days = kJapaneseDays) {
  CaptionInputs in;
  in.path = path;
  in.exifCaptureDate = capture;
  in.exifDate = exifDate;
  in.fileWriteTime = fileTime;
  in.today = kToday;
  return CaptionText(in, days);
}

TEST(CaptionText, ExifCaptureDateWithJapaneseDayName) {
  EXPECT_EQ(Caption("C:\\Pictures\\p1.jpg", "2004:07:15 14:03:27", "", At(2020, 1, 1)),
            "p1.jpg / 04年7月15日(木) 14:03");
}

TEST(CaptionText, CaptionDatePreferredOverExifDateAndFileDate) {
  EXPECT_EQ(Caption("D:\\a\\b.jpg", "2004:07:15 14:03:27", "2011:11:11 11:11:11", At(2020, 1, 1)),
            "b.jpg / 04年7月15日(木) 14:03");
}

TEST(CaptionText, BlankOrMissingCaptureDateUsesExifDate) {
  const std::string expected = "b.jpg / 11年11月5日(土) 09:07";
  EXPECT_EQ(Caption("D:\\a\\b.jpg", "", "2011:11:05 09:07:59", At(2020, 1, 1)), expected);
  EXPECT_EQ(Caption("D:\\a\\b.jpg", "   ", "2011:11:05 09:07:59", At(2020, 1, 1)), expected);
  EXPECT_EQ(Caption("D:\\a\\b.jpg", "   ", "2011:11:05 09:07:59", std::nullopt), expected);
}

TEST(CaptionText, NoExifDateUsesFileDateWithoutTime) {
  EXPECT_EQ(Caption("C:\\x\\photo.png", "", "", At(2010, 3, 1, 23, 59, 58)), "photo.png / 10年3月1日(月)");
  EXPECT_EQ(Caption("C:\\x\\photo.png", " ", "\t ", At(2010, 3, 1)), "photo.png / 10年3月1日(月)");
  EXPECT_EQ(Caption("C:\\x\\photo.png", "", "", At(2010, 3, 1), kEnglishDays), "photo.png / 10年3月1日(Mon)");
}

TEST(CaptionText, NoExifDateAndFileNotFoundGivesFullPath) {
  EXPECT_EQ(Caption("C:\\x\\gone.png", "", "", std::nullopt), "C:\\x\\gone.png");
}

TEST(CaptionText, UnreadableExifTextShowsFallbackDate) {
  // 1970-01-01 was a Thursday.
  EXPECT_EQ(Caption("C:\\p.jpg", "garbage", "", At(2010, 3, 1)), "p.jpg / 70年1月1日(木) 00:00");
  EXPECT_EQ(Caption("C:\\p.jpg", "", "2004:13:45", At(2010, 3, 1)), "p.jpg / 70年1月1日(木) 00:00");
}

TEST(CaptionFormat, NumbersAndPadding) {
  const DateTime v = At(2000, 1, 2, 3, 4, 5);
  EXPECT_EQ(FormatDateTime(kCaptionExifDatePattern, v, kEnglishDays), "00年1月2日(Sun) 03:04");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd h:n:s ss", v, kEnglishDays), "2000-01-02 3:4:5 05");
  EXPECT_EQ(FormatDateTime("'yy' \"mm\" [d] HH:NN", At(2099, 12, 31, 23, 59), kEnglishDays), "yy mm [31] 23:59");
}

TEST(CaptionFormat, WeekdaysAcrossAWeekAndBeforeDayZero) {
  const DateTime sunday = At(2024, 6, 2);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(WeekdayIndex(sunday + i), i);
    EXPECT_EQ(FormatDateTime("aaa", sunday + i + 0.75, kJapaneseDays), kJapaneseDays[static_cast<size_t>(i)]);
  }
  EXPECT_EQ(WeekdayIndex(At(1899, 12, 30)), 6);         // Saturday, day 0
  EXPECT_EQ(WeekdayIndex(At(1899, 12, 29, 12)), 5);     // Friday, negative value with a time
  EXPECT_EQ(WeekdayIndex(At(1800, 1, 1)), 3);           // Wednesday
}

TEST(CaptionPlacement, FileNameAndOrigin) {
  EXPECT_EQ(CaptionFileName("C:\\a\\b\\c.jpg"), "c.jpg");
  EXPECT_EQ(CaptionFileName("\\\\server\\share\\写真.jpg"), "写真.jpg");
  EXPECT_EQ(CaptionFileName("C:d.jpg"), "d.jpg");
  EXPECT_EQ(CaptionFileName("e.jpg"), "e.jpg");
  EXPECT_EQ(CaptionOrigin({100, 50}, false), (Point{104, 54}));
  EXPECT_EQ(CaptionOrigin({100, 50}, true), (Point{4, 4}));
}

}  // namespace
}  // namespace lumora
