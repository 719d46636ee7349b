#include "media/win/win_log.h"

#include <windows.h>

#include "app/version_info.h"
#include "app/win/handles.h"
#include "app/win/saver_catalog.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"

namespace lumora::win {

namespace {

SYSTEMTIME ToSystemTime(DateTime value) {
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(date.year);
  t.wMonth = static_cast<WORD>(date.month);
  t.wDay = static_cast<WORD>(date.day);
  t.wHour = static_cast<WORD>(time.hour);
  t.wMinute = static_cast<WORD>(time.minute);
  t.wSecond = static_cast<WORD>(time.second);
  t.wMilliseconds = static_cast<WORD>(time.millisecond);
  return t;
}

[[noreturn]] void Fail(const std::string& path) {
  const DWORD error = ::GetLastError();
  throw LogError("表示履歴ファイルに書き込めません: " + path + " (" + std::to_string(error) + ")");
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return bytes.empty() ||
         (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size());
}

}  // namespace

std::string ToAnsi(const std::string& utf8) {
  const std::wstring wide = Wide(utf8);
  if (wide.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string ansi(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size, nullptr, nullptr);
  }
  return ansi;
}

bool WinLogStorage::Exists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> WinLogStorage::ReadRawLines(const std::string& path) {
  UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) throw LogError("cannot read " + path);
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines.push_back(bytes.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

bool WinLogStorage::RewriteRaw(const std::string& path, const std::vector<std::string>& lines) {
  UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
}

void WinLogStorage::ReplaceLog(const std::string& replacement, const std::string& target) {
  if (!::MoveFileExW(Wide(replacement).c_str(), Wide(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail(target);
  }
}

void WinLogStorage::Append(const std::string& path, const std::vector<std::string>& lines) {
  UniqueHandle file(::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) Fail(path);
  std::string bytes;
  for (const std::string& line : lines) bytes += ToAnsi(line) + "\r\n";
  if (!WriteAll(file.get(), bytes) || !::FlushFileBuffers(file.get())) Fail(path);
}

void WinLogStorage::CreateFolder(const std::string& folder) { ::CreateDirectoryW(Wide(folder).c_str(), nullptr); }

DateTime WinLogClock::Now() { return win::Now(); }

std::string WinLogClock::ShortDate(DateTime value) {
  const SYSTEMTIME t = ToSystemTime(value);
  wchar_t text[128] = {};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, text, 128);
  return Utf8(text);
}

std::string WinLogClock::LongTime(DateTime value) {
  const SYSTEMTIME t = ToSystemTime(value);
  wchar_t text[128] = {};
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, 128);
  return Utf8(text);
}

std::string ProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring folder = path;
  folder.erase(folder.find_last_of(L'\\') + 1);
  return Utf8(folder);
}

std::string ProgramFileVersion() {
  wchar_t path[MAX_PATH * 4] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  TVersion version;
  GetVersionInfo(Utf8(path), version);
  return version.FileVersion;
}

}  // namespace lumora::win
