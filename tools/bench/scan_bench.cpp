// Benchmark of a folder-scanner pass: files per second through the
// synchronized hand-off to the window thread, the longest time the window
// thread spends in one message, and how long injected key presses wait
// before the window sees them while the pass runs.
//
//   lumora-scan-bench FOLDER [FOLDERS FILES]
// makes FOLDER\dNNNN\fNNNN.jpg (FOLDERS × FILES, empty files) when FOLDER
// does not exist yet, then scans it with sub-folders on.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/win/wide.h"
#include "saver/win/find_first.h"

namespace {

using lumora::win::TMFindFirst;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

std::atomic<double> g_injectedAt{0};
std::vector<double> g_latencies;

LRESULT CALLBACK BenchWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_F24) {
    const double at = g_injectedAt.exchange(0);
    if (at > 0) g_latencies.push_back(Now() - at);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void MakeTree(const std::wstring& root, int folders, int files) {
  ::CreateDirectoryW(root.c_str(), nullptr);
  for (int d = 0; d < folders; ++d) {
    wchar_t folder[32];
    std::swprintf(folder, 32, L"\\d%04d", d);
    const std::wstring path = root + folder;
    ::CreateDirectoryW(path.c_str(), nullptr);
    for (int f = 0; f < files; ++f) {
      wchar_t name[32];
      std::swprintf(name, 32, L"\\f%04d.jpg", f);
      HANDLE h = ::CreateFileW((path + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
  }
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: lumora-scan-bench FOLDER [FOLDERS FILES]\n", stderr);
    return 2;
  }
  const std::wstring root = argv[1];
  const int folderCount = argc > 3 ? _wtoi(argv[2]) : 1000;
  const int fileCount = argc > 3 ? _wtoi(argv[3]) : 100;
  if (::GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const double t = Now();
    MakeTree(root, folderCount, fileCount);
    std::printf("tree_made_seconds=%.1f\n", Now() - t);
  }

  WNDCLASSW wc{};
  wc.lpfnWndProc = BenchWindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumoraScanBench";
  ::RegisterClassW(&wc);
  HWND window = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"scan bench", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                  200, nullptr, nullptr, wc.hInstance, nullptr);
  ::SetForegroundWindow(window);
  ::SetFocus(window);

  std::vector<std::string> folders{lumora::win::Utf8(root)};
  std::vector<std::string> files;
  TMFindFirst scanner(folders, files, true, "Photo");

  // Presses F24 every 50 ms while the pass runs, one at a time.
  std::atomic<bool> running{true};
  std::thread injector([&] {
    while (running) {
      ::Sleep(50);
      if (g_injectedAt.load() != 0) continue;  // the last one not seen yet
      INPUT input[2]{};
      input[0].type = input[1].type = INPUT_KEYBOARD;
      input[0].ki.wVk = input[1].ki.wVk = VK_F24;
      input[1].ki.dwFlags = KEYEVENTF_KEYUP;
      g_injectedAt = Now();
      ::SendInput(2, input, sizeof(INPUT));
    }
  });

  const double start = Now();
  scanner.Resume();
  double longestMessage = 0;
  double longestWithoutMessages = 0;
  double lastPump = Now();
  while (!(scanner.PassDone && scanner.Idle())) {
    MSG message;
    const double before = Now();
    longestWithoutMessages = std::max(longestWithoutMessages, before - lastPump);
    if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
      longestMessage = std::max(longestMessage, Now() - before);
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    lastPump = Now();
  }
  const double seconds = Now() - start;
  running = false;
  injector.join();

  std::printf("folders=%zu\nfiles=%zu\nseconds=%.2f\nfiles_per_second=%.0f\n", folders.size(), files.size(), seconds,
              static_cast<double>(files.size()) / seconds);
  std::printf("longest_message_ms=%.1f\nlongest_gap_between_messages_ms=%.1f\n", longestMessage * 1000,
              longestWithoutMessages * 1000);
  std::printf("key_presses_seen=%zu\nkey_latency_median_ms=%.1f\nkey_latency_max_ms=%.1f\n", g_latencies.size(),
              Percentile(g_latencies, 0.5) * 1000, Percentile(g_latencies, 1.0) * 1000);
  ::DestroyWindow(window);
  return 0;
}
