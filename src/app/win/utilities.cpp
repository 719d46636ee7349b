#include "app/win/utilities.h"

#include <cwchar>

#include <shellapi.h>
#include <shlobj.h>

#include <cerrno>
#include <random>

#include "app/text.h"
#include "app/win/forms.h"
#include "app/win/wide.h"

namespace lumora::win {
namespace {

HANDLE g_singleInstance = nullptr;

std::wstring WithTrailingDelimiter(std::wstring path) {
  const std::string trimmed(Trim(Utf8(path)));
  path = Wide(trimmed);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace

void WaitSeconds(double seconds) {
  const long long n = static_cast<long long>(seconds * 100);  // cut toward zero
  for (long long i = 0; i < n; ++i) {
    ::Sleep(10);
    TApplication::Instance().ProcessMessages();
  }
}

void WaitMinutes(double minutes) {
  const DateTime until = Now() + minutes / 24.0 / 60.0;
  while (Now() < until) {
    ::Sleep(100);
    TApplication::Instance().ProcessMessages();
  }
}

void YieldToMessages() {
  ::Sleep(0);
  if (TApplication::Exists()) TApplication::Instance().ProcessMessages();
}

std::wstring GetSystemDirectoryPath() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetSystemDirectoryW(buffer, MAX_PATH);
  return WithTrailingDelimiter(buffer);
}

std::wstring GetAppDataPath() {
  wchar_t buffer[MAX_PATH] = {};
  HWND owner = TApplication::Exists() ? TApplication::Instance().Handle() : nullptr;
  ::SHGetSpecialFolderPathW(owner, buffer, CSIDL_APPDATA, FALSE);
  return WithTrailingDelimiter(buffer);
}

uint32_t PlatformIdFromSystem() {
  // Read through the process environment, so a test may set it with
  // SetEnvironmentVariableW as well as before the start.
  wchar_t forced[16] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"LUMORA_TEST_PLATFORM_ID", forced, 16);
  if (n > 0 && n < 16) return static_cast<uint32_t>(std::wcstoul(forced, nullptr, 10));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExW(&info)) return 0;
  return info.dwPlatformId;
}

DateTime Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  DateTime date = 0, time = 0;
  TryEncodeDate(t.wYear, t.wMonth, t.wDay, date);
  TryEncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, time);
  return date + time;
}

BITMAPINFO TopDown24BitmapInfo(int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void RegisterChildWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), className, &wc)) return;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  ::RegisterClassExW(&wc);
}

void ShellOpenFile(const std::wstring& path, const std::wstring& parameters) {
  const size_t slash = path.find_last_of(L"\\/:");
  const std::wstring directory = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  ::ShellExecuteW(nullptr, L"open", path.c_str(), parameters.c_str(), directory.c_str(), SW_SHOWNORMAL);
}

bool RunCommandLine(const std::wstring& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
  if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &info)) {
    return false;
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}

bool RewriteWithRetry(TextFile& file, int retries, const std::function<void()>& waitBetween) {
  for (int attempt = 0; attempt <= retries; ++attempt) {
    if (file.handle) {
      std::fclose(file.handle);
      file.handle = nullptr;
    }
    file.handle = ::_wfopen(file.path.c_str(), L"wb");
    if (file.handle) return true;
    if (attempt < retries) {
      if (waitBetween) {
        waitBetween();
      } else {
        WaitMinutes(1);
      }
    }
  }
  return false;
}

bool CheckSingleInstance(const std::wstring& name) {
  std::mt19937 random(static_cast<unsigned>(::GetTickCount()) ^ ::GetCurrentProcessId());
  ::Sleep(std::uniform_int_distribution<DWORD>(0, 999)(random));
  g_singleInstance = ::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str());
  if (g_singleInstance) {
    ::ReleaseMutex(g_singleInstance);  // no effect: this process does not own it
    return false;
  }
  g_singleInstance = ::CreateMutexW(nullptr, FALSE, name.c_str());
  // Two starts in the same instant both get past OpenMutexW; the later
  // creation then finds the mutex existing and gives way too.
  return g_singleInstance != nullptr && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void ReleaseSingleInstance() {
  if (g_singleInstance) {
    ::CloseHandle(g_singleInstance);
    g_singleInstance = nullptr;
  }
}

}  // namespace lumora::win
