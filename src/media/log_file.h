// The display-history log: a plain-text file that gets a start banner with
// the program's version, a line per picture, marker lines for keys and the
// end of the show, and an end banner. It is never held open: every write
// opens, appends, flushes and closes, so the file is complete whenever the
// saver is stopped. The file system and the clock come in through small
// interfaces so the rules run the same under test.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/datetime.h"

namespace lumora {

// A log that cannot be opened or written.
class LogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class LogStorage {
 public:
  virtual ~LogStorage() = default;
  virtual bool Exists(const std::string& path) = 0;
  // The file's lines as stored (bytes of the log's code page), without line
  // ends. Throws LogError when the file cannot be read.
  virtual std::vector<std::string> ReadRawLines(const std::string& path) = 0;
  // Creates or truncates the file and writes the lines as stored; false
  // when that fails (one attempt).
  virtual bool RewriteRaw(const std::string& path, const std::vector<std::string>& lines) = 0;
  // Puts the file `replacement` in the place of `target` in one step, so
  // one of the two is always there under the target's name.
  virtual void ReplaceLog(const std::string& replacement, const std::string& target) = 0;
  // Opens for appending (creating the file), writes the UTF-8 lines in the
  // log's code page, each ended by CR LF, flushes and closes. Throws LogError.
  virtual void Append(const std::string& path, const std::vector<std::string>& lines) = 0;
  // Creates one folder level; failures are ignored.
  virtual void CreateFolder(const std::string& folder) = 0;
};

// The clock and the user's regional date and time formats.
class LogClock {
 public:
  virtual ~LogClock() = default;
  virtual DateTime Now() = 0;
  virtual std::string ShortDate(DateTime value) = 0;
  virtual std::string LongTime(DateTime value) = 0;
};

// "yyyy-mm-dd hh:nn:ss" and "yyyy-mm-dd", whatever the regional settings.
std::string FixedDateTimeText(DateTime value);
std::string FixedDateText(DateTime value);
// The regional date-time text: short date, a blank and the long time; the
// time left out at exactly midnight.
std::string DateTimeText(DateTime value, LogClock& clock);

// A name without a drive or a leading "\" lies in the program's folder.
std::string ResolveLogName(const std::string& name, const std::string& programFolder);
// The path with its extension changed to ".bak" (added when it has none).
std::string BakName(const std::string& path);

inline constexpr size_t kTrimAboveLines = 10000;
inline constexpr size_t kKeptLines = 100;

// At the saver's start: a log of more than 10,000 lines, under its name as
// stored, is cut to its last 100 lines. The cut copy is written beside it
// and then replaces it in one step; any failure leaves the log as it was.
void TrimLogFile(LogStorage& storage, const std::string& storedName);

class TLogFile {
 public:
  TLogFile(LogStorage& storage, LogClock& clock, std::string programFolder,
           std::function<std::string()> programFileVersion);
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  std::string LogFileName;

  bool Active() const { return active_; }
  // On: opens the log (start banner and version line). Off: end banner.
  void SetActive(bool active);
  void OpenLog();
  void CloseLog();
  // Appends a line while active; false when inactive. With the error flag
  // the line is marked as an error. Throws LogError when the file cannot be
  // written.
  bool WriteLog(const std::string& line, bool error = false);
  // The regional date-time text of now, which starts the log's lines.
  std::string NowText();

 private:
  bool HasName() const;

  LogStorage& storage_;
  LogClock& clock_;
  std::string programFolder_;
  std::function<std::string()> programFileVersion_;
  bool active_ = false;
};

}  // namespace lumora
