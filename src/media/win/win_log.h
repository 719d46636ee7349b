// The log's file system and clock on Windows: files named by wide paths,
// lines stored in the system's ANSI code page (best fit for characters it
// lacks), dates and times in the user's regional formats.
#pragma once

#include <string>
#include <vector>

#include "media/log_file.h"

namespace lumora::win {

class WinLogStorage : public LogStorage {
 public:
  bool Exists(const std::string& path) override;
  std::vector<std::string> ReadRawLines(const std::string& path) override;
  bool RewriteRaw(const std::string& path, const std::vector<std::string>& lines) override;
  void ReplaceLog(const std::string& replacement, const std::string& target) override;
  void Append(const std::string& path, const std::vector<std::string>& lines) override;
  void CreateFolder(const std::string& folder) override;
};

class WinLogClock : public LogClock {
 public:
  DateTime Now() override;
  std::string ShortDate(DateTime value) override;
  std::string LongTime(DateTime value) override;
};

// UTF-8 text in the ANSI code page, characters it lacks replaced by their
// best fit (or "?"), never failing.
std::string ToAnsi(const std::string& utf8);

// The folder of the running program, with a trailing "\".
std::string ProgramFolder();
// The FileVersion string of the running program's version resource.
std::string ProgramFileVersion();

}  // namespace lumora::win
