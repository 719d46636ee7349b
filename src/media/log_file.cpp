#include "media/log_file.h"

#include <cstdio>
#include <utility>

#include "app/text.h"

namespace lumora {

namespace {

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

}  // namespace

std::string FixedDateText(DateTime value) {
  const DateParts date = DecodeDate(value);
  return Digits(date.year, 4) + "-" + Digits(date.month, 2) + "-" + Digits(date.day, 2);
}

std::string FixedDateTimeText(DateTime value) {
  const TimeParts time = DecodeTime(value);
  return FixedDateText(value) + " " + Digits(time.hour, 2) + ":" + Digits(time.minute, 2) + ":" +
         Digits(time.second, 2);
}

std::string DateTimeText(DateTime value, LogClock& clock) {
  const TimeParts time = DecodeTime(value);
  std::string text = clock.ShortDate(value);
  if (time.hour != 0 || time.minute != 0 || time.second != 0 || time.millisecond != 0) {
    text.append(" ").append(clock.LongTime(value));
  }
  return text;
}

std::string ResolveLogName(const std::string& name, const std::string& programFolder) {
  if (name.find(':') != std::string::npos || (!name.empty() && name[0] == '\\')) return name;
  std::string folder = programFolder;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + name;
}

std::string BakName(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t separator = path.find_last_of("\\:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path + ".bak";
  return path.substr(0, dot) + ".bak";
}

void TrimLogFile(LogStorage& storage, const std::string& storedName) {
  if (storedName.empty() || !storage.Exists(storedName)) return;
  std::vector<std::string> lines;
  try {
    lines = storage.ReadRawLines(storedName);
  } catch (const LogError&) {
    return;  // an unreadable log is left alone
  }
  if (lines.size() <= kTrimAboveLines) return;
  const std::vector<std::string> kept(lines.end() - static_cast<std::ptrdiff_t>(kKeptLines), lines.end());
  const std::string bak = BakName(storedName);
  if (!storage.RewriteRaw(bak, kept)) return;
  try {
    storage.ReplaceLog(bak, storedName);
  } catch (const LogError&) {
    // The full log is still in place; the next start tries again.
  }
}

TLogFile::TLogFile(LogStorage& storage, LogClock& clock, std::string programFolder,
                   std::function<std::string()> programFileVersion)
    : storage_(storage), clock_(clock), programFolder_(std::move(programFolder)),
      programFileVersion_(std::move(programFileVersion)) {}

TLogFile::~TLogFile() {
  if (active_) CloseLog();
}

bool TLogFile::HasName() const { return !IsBlank(LogFileName); }

void TLogFile::SetActive(bool active) {
  if (active) {
    active_ = true;
    OpenLog();
  } else {
    CloseLog();
    active_ = false;
  }
}

void TLogFile::OpenLog() {
  if (!active_ || !HasName()) return;
  LogFileName = ResolveLogName(LogFileName, programFolder_);
  const size_t slash = LogFileName.rfind('\\');
  if (slash != std::string::npos && slash > 0) storage_.CreateFolder(LogFileName.substr(0, slash));
  const std::string version = programFileVersion_ ? programFileVersion_() : std::string();
  try {
    storage_.Append(LogFileName, {"--- START ---\t" + FixedDateTimeText(clock_.Now()), "Version " + version});
  } catch (const LogError&) {
    // Without a writable log the saver and the dialog go on without one.
    SetActive(false);
  }
}

void TLogFile::CloseLog() {
  if (!active_ || !HasName()) return;
  try {
    const DateTime now = clock_.Now();
    storage_.Append(LogFileName, {"--- END ---\t" + FixedDateText(now) + "\t" + clock_.LongTime(now)});
  } catch (const LogError&) {
  }
}

bool TLogFile::WriteLog(const std::string& line, bool error) {
  if (!active_ || !HasName()) return false;
  if (error) {
    const size_t slash = LogFileName.find_last_of("\\:");
    const std::string fileName = slash == std::string::npos ? LogFileName : LogFileName.substr(slash + 1);
    storage_.Append(LogFileName, {fileName + ": " + line + " (C.ERROR)"});
  } else {
    storage_.Append(LogFileName, {line});
  }
  return true;
}

std::string TLogFile::NowText() { return DateTimeText(clock_.Now(), clock_); }

}  // namespace lumora
