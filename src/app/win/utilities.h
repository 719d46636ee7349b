// Utility routines shared by the saver, the dialog and the log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "app/datetime.h"

namespace lumora::win {

// Sleeps 10 ms and processes pending messages, seconds × 100 times.
void WaitSeconds(double seconds);
// Sleeps in steps of 100 ms, processing messages, until the minutes passed.
void WaitMinutes(double minutes);
// Gives up the time slice, then processes pending messages.
void YieldToMessages();

// The system directory with a trailing "\".
std::wstring GetSystemDirectoryPath();
// The user's application-data folder with a trailing "\".
std::wstring GetAppDataPath();

// The system's platform id (1 the consumer family, 2 the NT family, 0 when
// the query fails). Tests under Wine, which reports the NT family, name
// another with the environment variable LUMORA_TEST_PLATFORM_ID.
uint32_t PlatformIdFromSystem();

// The current local date and time as a date-time value.
DateTime Now();

// The header of a top-down 24-bit DIB of that size, the layout of the
// core's pictures.
BITMAPINFO TopDown24BitmapInfo(int32_t width, int32_t height);

// Registers a window class of this module once per process: the class of a
// small child window that handles its own messages.
void RegisterChildWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background);

// Shell "open" of a file with parameters, in the file's directory.
void ShellOpenFile(const std::wstring& path, const std::wstring& parameters);
// Starts a process from a command line without waiting for it; false when
// it could not be started.
bool RunCommandLine(const std::wstring& commandLine);

// A text file to be written, as the log keeps it.
struct TextFile {
  std::wstring path;
  std::FILE* handle = nullptr;
  ~TextFile() {
    if (handle) std::fclose(handle);
  }
};

// Opens the file for rewriting (truncating or creating it), with up to
// retries further attempts, each after waitBetween (one minute by default).
bool RewriteWithRetry(TextFile& file, int retries, const std::function<void()>& waitBetween = {});

// Held by a running full-screen saver so a second one ends at once.
bool CheckSingleInstance(const std::wstring& name);
void ReleaseSingleInstance();

}  // namespace lumora::win
