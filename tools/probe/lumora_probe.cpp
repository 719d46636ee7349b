// Test helper that runs under Wine next to Lumora.scr: finds and describes
// windows, reports monitors and the cursor, hosts a preview, answers
// message boxes. Prints "key=value" lines; exit 0 on success.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/win/wide.h"
#include "imaging/bitmap24.h"
#include "imaging/bmp_write.h"
#include "saver/win/caption_draw.h"

namespace {

// Prints "key=value" with the value as UTF-8, whatever the console code page.
void PrintText(const char* key, const wchar_t* value) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s=%s\n", key, utf8.c_str());
}

struct Search {
  const wchar_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  wchar_t name[256] = {};
  ::GetClassNameW(hwnd, name, 256);
  if (std::wcscmp(name, s->className) == 0) s->found.push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK PrintMonitor(HMONITOR, HDC, LPRECT r, LPARAM) {
  std::printf("monitor=%ld,%ld,%ld,%ld\n", r->left, r->top, r->right, r->bottom);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(const wchar_t* className) {
  Search search{className, {}};
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Describe(HWND hwnd) {
  RECT rc{};
  ::GetWindowRect(hwnd, &rc);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t title[256] = {};
  ::GetWindowTextW(hwnd, title, 256);
  std::printf("hwnd=%lu\nx=%ld\ny=%ld\nwidth=%ld\nheight=%ld\nvisible=%d\ntopmost=%d\npid=%lu\n",
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)), rc.left, rc.top, rc.right - rc.left,
              rc.bottom - rc.top, ::IsWindowVisible(hwnd) ? 1 : 0,
              (::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0, pid);
  PrintText("title", title);
}

HWND WaitForWindow(const wchar_t* className, double seconds) {
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
  do {
    for (HWND hwnd : TopLevelWindows(className)) {
      if (::IsWindowVisible(hwnd)) return hwnd;
    }
    ::Sleep(50);
  } while (static_cast<LONG>(until - ::GetTickCount()) > 0);
  return nullptr;
}

bool SaveBitmap(HDC source, int x, int y, int width, int height, const wchar_t* path) {
  HDC memory = ::CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
  ::GdiFlush();
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + stride * height;
  bool ok = false;
  if (FILE* f = ::_wfopen(path, L"wb")) {
    ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
         std::fwrite(bits, stride * height, 1, f) == 1;
    std::fclose(f);
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return ok;
}

void Pump(DWORD milliseconds) {
  const DWORD until = ::GetTickCount() + milliseconds;
  while (static_cast<LONG>(until - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

HWND FindChildOfClass(HWND parent, const wchar_t* className) {
  return ::FindWindowExW(parent, nullptr, className, nullptr);
}

// Hosts "SCR /p <hwnd>" in a window of the given client size at (x, y),
// saves the host's client area to a BMP, then destroys the host and waits
// for the saver to end.
int HostPreview(const wchar_t* scr, int x, int y, int width, int height, const wchar_t* bmp) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"LumoraPreviewHost";
  ::RegisterClassW(&wc);
  HWND host = ::CreateWindowExW(0, wc.lpszClassName, L"Preview host", WS_POPUP | WS_CLIPCHILDREN, x, y, width, height,
                                nullptr, nullptr, wc.hInstance, nullptr);
  ::ShowWindow(host, SW_SHOW);
  Pump(200);
  std::wstring command = L"\"" + std::wstring(scr) + L"\" /p " +
                         std::to_wstring(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("error=cannot start the saver (%lu)\n", ::GetLastError());
    return 1;
  }
  HWND child = nullptr;
  for (int i = 0; i < 100 && !child; ++i) {
    Pump(50);
    child = FindChildOfClass(host, L"TLumora");
  }
  std::printf("child=%d\n", child ? 1 : 0);
  if (child) {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&rc), 2);
    std::printf("child_x=%ld\nchild_y=%ld\nchild_width=%ld\nchild_height=%ld\n", rc.left, rc.top, rc.right - rc.left,
                rc.bottom - rc.top);
    std::printf("child_pid_matches=%d\n", [&] {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(child, &pid);
      return pid == process.dwProcessId ? 1 : 0;
    }());
  }
  Pump(3000);  // the preview paints once its first activation is over
  if (child) std::printf("child_visible=%d\n", ::IsWindowVisible(child) ? 1 : 0);
  HDC screen = ::GetDC(nullptr);
  POINT origin{0, 0};
  ::ClientToScreen(host, &origin);
  std::printf("saved=%d\n", SaveBitmap(screen, origin.x, origin.y, width, height, bmp) ? 1 : 0);
  ::ReleaseDC(nullptr, screen);
  std::printf("running_before_close=%d\n", ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT ? 1 : 0);
  ::DestroyWindow(host);
  DWORD waited = WAIT_TIMEOUT;
  for (int i = 0; i < 200 && waited == WAIT_TIMEOUT; ++i) {
    Pump(50);
    waited = ::WaitForSingleObject(process.hProcess, 0);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  std::printf("ended=%d\nexit=%lu\n", waited == WAIT_OBJECT_0 ? 1 : 0, code);
  if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 99);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return 0;
}

// Waits for a message box of the given title, prints its text and presses OK.
int AnswerMessageBox(const wchar_t* title, double seconds) {
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
  do {
    HWND box = ::FindWindowW(L"#32770", title);
    // The box may be found before its text is in place: wait for the text.
    wchar_t message[512] = {};
    for (HWND text = box ? ::FindWindowExW(box, nullptr, nullptr, nullptr) : nullptr; text && !message[0];
         text = ::FindWindowExW(box, text, nullptr, nullptr)) {
      wchar_t cls[64] = {};
      ::GetClassNameW(text, cls, 64);
      if (_wcsicmp(cls, L"Static") == 0) ::GetWindowTextW(text, message, 512);
    }
    if (box && message[0]) {
      PrintText("message", message);
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    ::Sleep(50);
  } while (static_cast<LONG>(until - ::GetTickCount()) > 0);
  std::printf("message=\n");
  return 1;
}

// Draws the caption text as the saver does, on a magenta area, and writes
// the part the text's white box covers as a BMP.
int CaptionText(const wchar_t* text, const wchar_t* out) {
  lumora::Bitmap24 area;
  area.Resize(4000, 200, 255, 0, 255);
  lumora::win::DrawCaptionText(area.View(), {0, 0}, lumora::win::Utf8(text));
  int32_t width = 0, height = 0;
  for (int32_t y = 0; y < area.height; ++y) {
    for (int32_t x = 0; x < area.width; ++x) {
      const uint8_t* p = area.Row(y) + x * 3;
      if (p[0] != 255 || p[1] != 0 || p[2] != 255) {
        width = std::max(width, x + 1);
        height = std::max(height, y + 1);
      }
    }
  }
  if (width == 0) return 1;
  lumora::Bitmap24 crop;
  crop.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) std::memcpy(crop.Row(y), area.Row(y), static_cast<size_t>(width) * 3);
  const std::vector<uint8_t> bytes = lumora::EncodeBmp24(crop);
  FILE* f = ::_wfopen(out, L"wb");
  if (!f) return 1;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  std::printf("size=%d,%d\n", width, height);
  return 0;
}

// The configuration dialog's page control shows page `index`, as a click
// on its tab would (the control tells the dialog).
int DialogPage(int index) {
  HWND form = WaitForWindow(L"TControlForm", 10);
  HWND tabs = form ? ::FindWindowExW(::FindWindowExW(form, nullptr, nullptr, nullptr), nullptr, L"SysTabControl32",
                                     nullptr)
                   : nullptr;
  if (!tabs) return 1;
  ::SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
  std::printf("page=%d\n", static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
  return 0;
}

// Text of the configuration dialog's visible controls that does not fit
// its control: each is printed as "clipped=CLASS|TEXT|needed|available".
// Check boxes and radio buttons leave room for their box, group boxes for
// their frame, push buttons for their edges; "&" marks an accelerator.
BOOL CALLBACK CheckFit(HWND control, LPARAM count) {
  if (!::IsWindowVisible(control)) return TRUE;
  wchar_t className[64] = {}, text[512] = {};
  ::GetClassNameW(control, className, 64);
  ::GetWindowTextW(control, text, 512);
  const LONG style = ::GetWindowLongW(control, GWL_STYLE);
  const bool button = _wcsicmp(className, L"Button") == 0;
  const bool label = _wcsicmp(className, L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
  if (!text[0] || (!button && !label) || (button && (style & BS_TYPEMASK) == BS_OWNERDRAW)) return TRUE;
  RECT client{};
  ::GetClientRect(control, &client);
  HDC dc = ::GetDC(control);
  // The dialog's font handle belongs to its process: measure with the same
  // font made here, 9 points of "ＭＳ Ｐゴシック" at the display's DPI.
  HFONT font = ::CreateFontW(-::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                             FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"ＭＳ Ｐゴシック");
  HGDIOBJ old = ::SelectObject(dc, font);
  RECT needed{};
  ::DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE | (button || !(style & SS_NOPREFIX) ? 0 : DT_NOPREFIX));
  // Height: the characters themselves (a font's line may add leading that
  // no glyph uses).
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  needed.bottom = metrics.tmHeight - metrics.tmInternalLeading;
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::ReleaseDC(control, dc);
  LONG room = client.right;
  const LONG kind = style & BS_TYPEMASK;
  if (button && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON ||
                 kind == BS_RADIOBUTTON || kind == BS_AUTO3STATE)) {
    room -= ::GetSystemMetrics(SM_CXMENUCHECK) + 3;
  } else if (button && kind == BS_GROUPBOX) {
    room -= 12;
  } else if (button) {
    room -= 6;
  }
  if (needed.right > room || (!(button && kind == BS_GROUPBOX) && needed.bottom > client.bottom)) {
    PrintText("clipped", (std::wstring(className) + L"|" + text + L"|" + std::to_wstring(needed.right) + L"x" +
                          std::to_wstring(needed.bottom) + L"|" + std::to_wstring(room) + L"x" +
                          std::to_wstring(client.bottom))
                             .c_str());
    ++*reinterpret_cast<int*>(count);
  }
  return TRUE;
}

int DialogClipping() {
  HWND form = WaitForWindow(L"TControlForm", 10);
  if (!form) return 1;
  int count = 0;
  ::EnumChildWindows(form, CheckFit, reinterpret_cast<LPARAM>(&count));
  std::printf("clipped-count=%d\n", count);
  return 0;
}

// Kernel handles of a process from the system's handle table (Wine keeps
// one; GetProcessHandleCount answers 0 there). -1 when it cannot be read.
long HandlesFromSystemTable(DWORD pid) {
  struct Entry {
    ULONG pid;
    BYTE type, flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<uint8_t> buffer(1 << 20);
  LONG status = 0;
  for (int tries = 0; tries < 8; ++tries) {
    ULONG needed = 0;
    status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status != kInfoLengthMismatch) break;
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
  }
  if (status != 0) return -1;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
  long owned = 0;
  for (ULONG i = 0; i < count; ++i) owned += entries[i].pid == pid;
  return owned;
}

// Windows (top-level and child) of a process: the USER objects that can be
// counted from outside where GetGuiResources answers 0.
struct WindowCount {
  DWORD pid;
  long windows;
};

BOOL CALLBACK CountChild(HWND, LPARAM data) {
  ++reinterpret_cast<WindowCount*>(data)->windows;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM data) {
  auto& count = *reinterpret_cast<WindowCount*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner == count.pid) {
    ++count.windows;
    ::EnumChildWindows(hwnd, CountChild, data);
  }
  return TRUE;
}

long WindowsOfProcess(DWORD pid) {
  WindowCount count{pid, 0};
  ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count.windows;
}

// GDI objects of another process counted inside it: the probe loads
// lumora-gdi-count.dll (next to it) into the process, runs its counting
// routine on a remote thread and unloads it again. -1 when that fails.
long GdiObjectsCountedInside(HANDLE process) {
  wchar_t own[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring path = own;
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"lumora-gdi-count.dll";
  HMODULE local = ::LoadLibraryW(path.c_str());
  if (!local) return -1;
  const auto count = reinterpret_cast<uintptr_t>(::GetProcAddress(local, "CountGdiObjects"));
  auto run = [process](void* start, void* argument) -> long {
    HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                                         argument, 0, nullptr);
    if (!thread) return -1;
    DWORD code = 0;
    const bool ended = ::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    return ended ? static_cast<long>(code) : -1;
  };
  long objects = -1;
  const size_t bytes = (path.size() + 1) * sizeof(wchar_t);
  void* remotePath = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (count && remotePath && ::WriteProcessMemory(process, remotePath, path.c_str(), bytes, nullptr) &&
      run(reinterpret_cast<void*>(::GetProcAddress(kernel, "LoadLibraryW")), remotePath) != -1) {
    // The remote module's base: the thread's exit code would cut it on 64 bits.
    HMODULE modules[1024];
    DWORD needed = 0;
    HMODULE remote = nullptr;
    if (::K32EnumProcessModules(process, modules, sizeof modules, &needed)) {
      for (DWORD i = 0; i < std::min<DWORD>(needed / sizeof(HMODULE), 1024); ++i) {
        wchar_t name[MAX_PATH] = {};
        ::K32GetModuleFileNameExW(process, modules[i], name, MAX_PATH);
        if (_wcsicmp(name, path.c_str()) == 0) remote = modules[i];
      }
    }
    if (remote) {
      objects = run(reinterpret_cast<void*>(count - reinterpret_cast<uintptr_t>(local) +
                                            reinterpret_cast<uintptr_t>(remote)),
                    nullptr);
      run(reinterpret_cast<void*>(::GetProcAddress(kernel, "FreeLibrary")), remote);
    }
  }
  if (remotePath) ::VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
  ::FreeLibrary(local);
  return objects;
}

// Resource use of the process owning the first window of the class:
// private bytes, kernel handles, GDI and USER objects, and what stands in
// for them where the system does not report them.
int ProcessStats(const wchar_t* className) {
  HWND hwnd = WaitForWindow(className, 5);
  if (!hwnd) return 1;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                     PROCESS_VM_OPERATION | PROCESS_CREATE_THREAD,
                                 FALSE, pid);
  if (!process) return 1;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  ::K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  DWORD handles = 0;
  ::GetProcessHandleCount(process, &handles);
  std::printf("system-handles=%ld\nwindows=%ld\n", HandlesFromSystemTable(pid), WindowsOfProcess(pid));
  const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
  std::printf("gdi-inside=%ld\n", gdi ? static_cast<long>(gdi) : GdiObjectsCountedInside(process));
  std::printf("pid=%lu\nprivate=%llu\ncommit=%llu\nworking-set=%llu\nhandles=%lu\ngdi=%lu\nuser=%lu\n",
              static_cast<unsigned long>(pid), static_cast<unsigned long long>(memory.PrivateUsage),
              static_cast<unsigned long long>(memory.PagefileUsage),
              static_cast<unsigned long long>(memory.WorkingSetSize), static_cast<unsigned long>(handles),
              static_cast<unsigned long>(gdi),
              static_cast<unsigned long>(::GetGuiResources(process, GR_USEROBJECTS)));
  ::CloseHandle(process);
  return 0;
}

int Usage() {
  std::fputs(
      "usage: lumora-probe wait-window CLASS SECONDS | count-windows CLASS | monitors | cursor |\n"
      "       host-preview SCR X Y WIDTH HEIGHT OUT.bmp | answer-box TITLE SECONDS |\n"
      "       send-key CLASS VK | post-close CLASS | hold-file PATH SECONDS |\n"
      "       caption-text TEXT OUT.bmp | list-folder PATH | dialog-page N | dialog-clipping |\n"
      "       process-stats CLASS\n",
      stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  if (command == L"wait-window" && argc == 4) {
    HWND hwnd = WaitForWindow(argv[2], std::wcstod(argv[3], nullptr));
    if (!hwnd) {
      std::printf("found=0\n");
      return 1;
    }
    std::printf("found=1\n");
    Describe(hwnd);
    return 0;
  }
  if (command == L"count-windows" && argc == 3) {
    std::printf("count=%u\n", static_cast<unsigned>(TopLevelWindows(argv[2]).size()));
    return 0;
  }
  if (command == L"monitors") {
    ::EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
    std::printf("virtual=%d,%d,%d,%d\n", ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return 0;
  }
  if (command == L"cursor") {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetCursorInfo(&info)) return 1;
    std::printf("showing=%d\n", (info.flags & CURSOR_SHOWING) ? 1 : 0);
    return 0;
  }
  if (command == L"host-preview" && argc == 8) {
    return HostPreview(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]), argv[7]);
  }
  if (command == L"answer-box" && argc == 4) return AnswerMessageBox(argv[2], std::wcstod(argv[3], nullptr));
  if (command == L"hold-file" && argc == 4) {
    // Keeps the file open without sharing, as another program might.
    HANDLE file = ::CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("held=1\n");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::wcstod(argv[3], nullptr) * 1000));
    ::CloseHandle(file);
    return 0;
  }
  if (command == L"post-close" && argc == 3) {
    HWND hwnd = WaitForWindow(argv[2], 1);
    if (!hwnd) return 1;
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"caption-text" && argc == 4) return CaptionText(argv[2], argv[3]);
  if (command == L"dialog-page" && argc == 3) return DialogPage(_wtoi(argv[2]));
  if (command == L"dialog-clipping") return DialogClipping();
  if (command == L"process-stats" && argc == 3) return ProcessStats(argv[2]);
  if (command == L"list-folder" && argc == 3) {
    // The files of a folder in the order the system lists them.
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((std::wstring(argv[2]) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 1;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) PrintText("file", found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return 0;
  }
  return Usage();
}
