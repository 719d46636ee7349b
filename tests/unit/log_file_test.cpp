#include "media/log_file.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace lumora {
namespace {

// Files in memory; a path in `unwritable` refuses every write.
class MemoryStorage : public LogStorage {
 public:
  std::map<std::string, std::vector<std::string>> files;
  std::set<std::string> unwritable;
  std::set<std::string> folders;
  bool replaceFails = false;

  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::vector<std::string> ReadRawLines(const std::string& path) override {
    if (!files.count(path)) throw LogError("no file");
    return files[path];
  }
  bool RewriteRaw(const std::string& path, const std::vector<std::string>& lines) override {
    if (unwritable.count(path)) return false;
    files[path] = lines;
    return true;
  }
  void ReplaceLog(const std::string& replacement, const std::string& target) override {
    if (replaceFails) throw LogError("cannot replace");
    files[target] = files[replacement];
    files.erase(replacement);
  }
  void Append(const std::string& path, const std::vector<std::string>& lines) override {
    if (unwritable.count(path)) throw LogError("cannot write " + path);
    auto& file = files[path];
    file.insert(file.end(), lines.begin(), lines.end());
  }
  void CreateFolder(const std::string& folder) override { folders.insert(folder); }
};

// 2026-12-08 at a settable time; dates as "2026/12/08", times as "9:05:03".
class FixedClock : public LogClock {
 public:
  DateTime now = 0;
  FixedClock() { At(9, 5, 3); }
  void At(int hour, int minute, int second) {
    DateTime date = 0, time = 0;
    TryEncodeDate(2026, 12, 8, date);
    TryEncodeTime(hour, minute, second, 0, time);
    now = date + time;
  }
  DateTime Now() override { return now; }
  std::string ShortDate(DateTime value) override {
    const DateParts d = DecodeDate(value);
    return std::to_string(d.year) + "/" + std::to_string(d.month) + "/" + std::to_string(d.day);
  }
  std::string LongTime(DateTime value) override {
    const TimeParts t = DecodeTime(value);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
  }
};

struct LogTest : ::testing::Test {
  MemoryStorage storage;
  FixedClock clock;
  TLogFile log{storage, clock, "C:\\Program Files\\Lumora\\", [] { return "1.2.3.4"; }};
};

TEST_F(LogTest, BannersVersionAndMarkerLinesHaveTheirFormats) {
  log.LogFileName = "D:\\ログ\\history.log";
  log.SetActive(true);
  EXPECT_EQ(storage.folders, (std::set<std::string>{"D:\\ログ"}));
  clock.At(23, 59, 7);
  EXPECT_TRUE(log.WriteLog(log.NowText() + ", Press Key!!"));
  clock.At(0, 0, 0);
  EXPECT_TRUE(log.WriteLog(log.NowText() + ", ABORT!!"));
  EXPECT_TRUE(log.WriteLog("unreadable", true));
  clock.At(7, 0, 0);
  log.SetActive(false);
  EXPECT_FALSE(log.WriteLog("after the end"));
  EXPECT_EQ(storage.files["D:\\ログ\\history.log"], (std::vector<std::string>{
                                                        "--- START ---\t2026-12-08 09:05:03",
                                                        "Version 1.2.3.4",
                                                        "2026/12/8 23:59:07, Press Key!!",
                                                        "2026/12/8, ABORT!!",  // midnight: no time
                                                        "history.log: unreadable (C.ERROR)",
                                                        "--- END ---\t2026-12-08\t7:00:00",
                                                    }));
}

TEST_F(LogTest, RelativeNamesLieInTheProgramFolder) {
  EXPECT_EQ(ResolveLogName("lumora.log", "C:\\Apps\\"), "C:\\Apps\\lumora.log");
  EXPECT_EQ(ResolveLogName("logs\\a.log", "C:\\Apps"), "C:\\Apps\\logs\\a.log");
  EXPECT_EQ(ResolveLogName("\\logs\\a.log", "C:\\Apps\\"), "\\logs\\a.log");
  EXPECT_EQ(ResolveLogName("D:a.log", "C:\\Apps\\"), "D:a.log");
  log.LogFileName = "history.txt";
  log.SetActive(true);
  EXPECT_EQ(log.LogFileName, "C:\\Program Files\\Lumora\\history.txt") << "stored back";
  EXPECT_EQ(storage.files["C:\\Program Files\\Lumora\\history.txt"].size(), 2u);
}

TEST_F(LogTest, AnUnwritableLogSwitchesItselfOffOrReportsLaterFailures) {
  storage.unwritable.insert("C:\\locked.log");
  log.LogFileName = "C:\\locked.log";
  EXPECT_NO_THROW(log.SetActive(true));
  EXPECT_FALSE(log.Active());
  EXPECT_FALSE(log.WriteLog("x"));

  log.LogFileName = "C:\\fine.log";
  log.SetActive(true);
  ASSERT_TRUE(log.Active());
  storage.unwritable.insert("C:\\fine.log");
  EXPECT_THROW(log.WriteLog("x"), LogError);
  EXPECT_NO_THROW(log.SetActive(false)) << "the end banner fails quietly";

  log.LogFileName = "   ";
  log.SetActive(true);
  EXPECT_FALSE(log.WriteLog("x")) << "a blank name is no log";
}

std::vector<std::string> Numbered(size_t count) {
  std::vector<std::string> lines;
  for (size_t i = 1; i <= count; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

TEST_F(LogTest, LongLogsAreCutToTheirLastHundredLinesAtStart) {
  storage.files["C:\\h.log"] = Numbered(10001);
  TrimLogFile(storage, "C:\\h.log");
  log.LogFileName = "C:\\h.log";
  log.SetActive(true);
  const auto& lines = storage.files["C:\\h.log"];
  ASSERT_EQ(lines.size(), 102u);
  EXPECT_EQ(lines.front(), "line 9902");
  EXPECT_EQ(lines[99], "line 10001");
  EXPECT_EQ(lines[100], "--- START ---\t2026-12-08 09:05:03");
  EXPECT_FALSE(storage.Exists("C:\\h.bak"));

  storage.files["C:\\exact.log"] = Numbered(10000);
  TrimLogFile(storage, "C:\\exact.log");
  EXPECT_EQ(storage.files["C:\\exact.log"].size(), 10000u);

  storage.files["C:\\logs.d\\history"] = Numbered(10500);
  EXPECT_EQ(BakName("C:\\logs.d\\history"), "C:\\logs.d\\history.bak");
  storage.unwritable.insert("C:\\logs.d\\history.bak");
  TrimLogFile(storage, "C:\\logs.d\\history");
  EXPECT_EQ(storage.files["C:\\logs.d\\history"].size(), 10500u) << "no room for the copy: unchanged";
  storage.unwritable.clear();
  TrimLogFile(storage, "C:\\logs.d\\history");
  EXPECT_EQ(storage.files["C:\\logs.d\\history"].size(), 100u);

  storage.files["C:\\keep.log"] = Numbered(20000);
  storage.replaceFails = true;
  TrimLogFile(storage, "C:\\keep.log");
  EXPECT_EQ(storage.files["C:\\keep.log"].size(), 20000u) << "a failed replacement keeps the whole log";
}

}  // namespace
}  // namespace lumora
