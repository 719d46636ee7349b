#include "app/win/saver_catalog.h"

#include <windows.h>
#include <winver.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "app/registry.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"

namespace lumora::win {
namespace {

constexpr DWORD kPlatformWin9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr DWORD kPlatformNT = 2;     // VER_PLATFORM_WIN32_NT

// Longest version string kept, in UTF-16 units.
constexpr size_t kMaxVersionText = 256;
// Longest script line kept; the rest of a longer line is skipped.
constexpr size_t kMaxScriptLine = 64 * 1024;

// A folder from a GetWindowsDirectoryW-style call with room for 255
// characters, given a trailing "\"; empty when the call fails.
template <typename Query>
std::string FolderWithDelimiter(Query query) {
  wchar_t buffer[256] = {};
  const UINT n = query(buffer, 256);
  if (n == 0 || n >= 256) return {};
  std::wstring folder(buffer, n);
  if (folder.back() != L'\\') folder += L'\\';
  return Utf8(folder);
}

UINT WindowsFolder(wchar_t* buffer, UINT size) { return ::GetWindowsDirectoryW(buffer, size); }
UINT SystemFolder(wchar_t* buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); }

class FindScope {
 public:
  FindScope(const std::wstring& pattern, WIN32_FIND_DATAW& entry)
      : handle_(::FindFirstFileW(pattern.c_str(), &entry)) {}
  ~FindScope() {
    if (valid()) ::FindClose(handle_);
  }
  FindScope(const FindScope&) = delete;
  FindScope& operator=(const FindScope&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAW& entry) const { return ::FindNextFileW(handle_, &entry) != 0; }

 private:
  HANDLE handle_;
};

std::string AnsiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), size);
  return Utf8(wide);
}

// The first lines of a text file in the ANSI code page, as UTF-8. Lines
// end at CR, LF or CR LF; Ctrl+Z ends the text, as in text files of this
// platform. False when the file cannot be opened.
bool ReadFirstLines(const std::wstring& path, size_t maxLines, std::vector<std::string>& lines) {
  std::FILE* file = ::_wfopen(path.c_str(), L"rb");
  if (!file) return false;
  std::string line;
  bool pending = false;  // a line has begun (possibly empty) and not ended
  int c;
  while (lines.size() < maxLines && (c = std::getc(file)) != EOF && c != 0x1A) {
    if (c == '\r' || c == '\n') {
      if (c == '\r') {
        const int next = std::getc(file);
        if (next != '\n' && next != EOF) std::ungetc(next, file);
      }
      lines.push_back(AnsiToUtf8(line));
      line.clear();
      pending = false;
    } else {
      if (line.size() < kMaxScriptLine) line.push_back(static_cast<char>(c));
      pending = true;
    }
  }
  if (pending && lines.size() < maxLines) lines.push_back(AnsiToUtf8(line));
  std::fclose(file);
  return true;
}

void ReadVersionResource(const std::wstring& path, TVersion& version) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return;
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return;
  void* translation = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) || !translation ||
      length < 2 * sizeof(WORD)) {
    return;
  }
  WORD pair[2];
  std::memcpy(pair, translation, sizeof pair);
  const std::wstring prefix = Wide(VersionKeyPrefix(pair[0], pair[1]));

  const auto* blockBegin = reinterpret_cast<const wchar_t*>(block.data());
  const auto* blockEnd = blockBegin + size / sizeof(wchar_t);
  for (size_t i = 0; i < kVersionKeys.size(); ++i) {
    const std::wstring key = prefix + Wide(kVersionKeys[i]);
    void* value = nullptr;
    UINT chars = 0;
    if (!::VerQueryValueW(block.data(), key.c_str(), &value, &chars) || !value) continue;
    // The value runs to its terminating zero; never past the block, which
    // a malformed resource might otherwise lead to.
    const auto* text = static_cast<const wchar_t*>(value);
    if (text < blockBegin || text >= blockEnd) continue;
    const size_t room = static_cast<size_t>(blockEnd - text);
    const size_t limit = room < kMaxVersionText ? room : kMaxVersionText;
    size_t n = 0;
    while (n < limit && text[n] != L'\0') ++n;
    VersionField(version, i) = Utf8(std::wstring_view(text, n));
  }
}

}  // namespace

TSaverCatalog::TSaverCatalog()
    : WindowsDir(FolderWithDelimiter(WindowsFolder)), SystemDir(FolderWithDelimiter(SystemFolder)) {
  RefreshSettings();
}

void TSaverCatalog::RefreshSettings() {
  const DWORD platform = PlatformIdFromSystem();
  if (platform == kPlatformNT) {
    WinRegistry registry;
    if (auto key = registry.Open("\\Control Panel\\Desktop", false)) {
      try {
        ScreenSaverName = ReadText(*key, "SCRNSAVE.EXE");
      } catch (const RegistryError&) {
        ScreenSaverName.clear();  // a value of another type
      }
    }
  } else if (platform == kPlatformWin9x) {
    wchar_t buffer[1024] = {};
    const std::wstring ini = Wide(WindowsDir + "SYSTEM.INI");
    const DWORD n = ::GetPrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"", buffer, 1024, ini.c_str());
    ScreenSaverName = Utf8(std::wstring_view(buffer, n));
  }

  UINT timeout = 0;
  ScreenSaveTimeOut =
      ::SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0) ? static_cast<int32_t>(timeout) : 0;
  BOOL active = FALSE;
  ScreenSaveActive = ::SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active;
}

void TSaverCatalog::ListSavers(std::vector<std::string>& list) const {
  for (const std::string& folder : CatalogFolders(WindowsDir, SystemDir)) {
    WIN32_FIND_DATAW entry{};
    const FindScope search(Wide(folder) + L"*.scr", entry);
    if (!search.valid()) continue;
    do {
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      list.push_back(SaverPath(folder, Utf8(entry.cFileName)));
    } while (search.Next(entry));
  }
}

bool GetVersionInfo(const std::string& pathUtf8, TVersion& version) {
  version = TVersion{};
  const std::wstring path = Wide(pathUtf8);
  if (UsesVersionResource(FileExtension(pathUtf8))) {
    ReadVersionResource(path, version);
  } else {
    std::vector<std::string> lines;
    if (ReadFirstLines(path, kScriptTextLines, lines)) ReadScriptText(lines, version);
  }
  return true;
}

}  // namespace lumora::win
