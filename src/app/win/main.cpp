// Entry point: picks the mode from the command line's switch and runs it.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/startup.h"
#include "app/win/forms.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "config/win/control_form.h"
#include "saver/win/lumora_form.h"

using namespace lumora;
using namespace lumora::win;

namespace {

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8(argv[i]));
  ::LocalFree(argv);
  return args;
}

HWND AsWindow(uint32_t handle) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)); }

// Asks the system's password-change dialog for the screen saver's password.
void ChangePassword() {
  std::wstring path = GetSystemDirectoryPath();
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += L"MPR.DLL";
  UniqueModule library(::LoadLibraryW(path.c_str()));
  if (!library) return;
  using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
  const auto change = reinterpret_cast<PwdChangePasswordFn>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "PwdChangePasswordA")));
  if (change) change("SCRSAVE", AsWindow(PreviewParentHandle), 0, nullptr);
}

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT r, LPARAM data) {
  reinterpret_cast<std::vector<Rect>*>(data)->push_back(Rect{r->left, r->top, r->right, r->bottom});
  return TRUE;
}

// The monitors in the order the system lists them.
std::vector<Rect> Monitors() {
  std::vector<Rect> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

void PlaceOverAllMonitors(TLumora& saver) {
  saver.SetWidth(::GetSystemMetrics(SM_CXVIRTUALSCREEN));
  saver.SetHeight(::GetSystemMetrics(SM_CYVIRTUALSCREEN));
  const Point origin = SaverWindowOrigin(Monitors());
  saver.SetBounds(origin.x, origin.y, saver.Width(), saver.Height());
  saver.ClearMouseArmed();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  TApplication& app = TApplication::Instance();
  app.SetTitle(L"Lumora");
  app.Initialize(instance);
  PreviewParentHandle = 0;
  int exitCode = 0;
  try {
    const std::vector<std::string> args = Arguments();
    const std::string first = args.empty() ? std::string() : args[0];
    const std::string second = args.size() > 1 ? args[1] : std::string();
    SwitchCharacterOfCommandLine = SwitchCharacter(first);
    FirstCommandLineArgument = first;
    switch (ModeFromSwitch(SwitchCharacterOfCommandLine)) {
      case StartMode::PasswordChange:
        PreviewParentHandle = ParseWindowHandleArgument(second);
        ChangePassword();
        break;
      case StartMode::Preview: {
        PreviewParentHandle = ParseWindowHandleArgument(second);
        StartPreview();
        break;
      }
      case StartMode::Saver: {
        if (!CheckSingleInstance(L"LUMORA")) return 0;
        PlaceOverAllMonitors(*app.CreateForm<TLumora>());
        break;
      }
      case StartMode::Configure:
        app.CreateForm<TControlForm>();
        break;
    }
    app.Run();
  } catch (...) {
    app.HandleException();
    exitCode = 1;
  }
  app.DestroyForms();
  ReleaseSingleInstance();
  return exitCode;
}
