// Stands in for the screen saver that takes over at the end of a show: it
// appends the command line it was started with to the file named by
// LUMORA_TEST_HANDOVER_LOG and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
  wchar_t path[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"LUMORA_TEST_HANDOVER_LOG", path, MAX_PATH)) return 1;
  const wchar_t* commandLine = ::GetCommandLineW();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, utf8.data(), size, nullptr, nullptr);
  FILE* log = _wfopen(path, L"ab");
  if (!log) return 1;
  std::fprintf(log, "%s\n", utf8.c_str());
  std::fclose(log);
  return 0;
}
