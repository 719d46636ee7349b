#include "saver/win/lumora_form.h"

#include <shlobj.h>

#include <cstdlib>

#include "app/win/handles.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"

namespace lumora::win {

uint32_t PreviewParentHandle = 0;
char SwitchCharacterOfCommandLine = 0;

namespace {

HWND PreviewHost() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(PreviewParentHandle)); }

// Tests run under Wine, which reports the NT family; they may name the
// platform id to exercise the consumer family's own password check.
uint32_t PlatformIdFromSystem() {
  if (const char* forced = std::getenv("LUMORA_TEST_PLATFORM_ID"); forced && *forced) {
    return static_cast<uint32_t>(std::strtoul(forced, nullptr, 10));
  }
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  if (!::GetVersionExA(&info)) return 0;
  return info.dwPlatformId;
}

using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND);

}  // namespace

TLumora::TLumora() : TForm(L"TLumora", L"Lumora") {}

TLumora::~TLumora() = default;

void TLumora::CreateParams(CreateParamsData& params) {
  if (InPreview()) {
    params.parent = PreviewHost();
    params.style = (params.style & ~WS_POPUP) | WS_CHILD;
  }
}

void TLumora::FormCreate() {
  // Errors that reach the framework while the saver runs go to the red
  // label at the bottom; no message box interrupts the show.
  TApplication::Instance().OnException = [this](const std::string& message) { Label2.SetCaption(message); };

  ImageMain.alignClient = true;
  ImageMain.center = true;
  ImageDeskTop.visible = false;
  LabelGroup.bounds = Rect{Scale(8), Scale(8), Scale(8), Scale(8)};
  LabelGroup.transparent = false;
  LabelGroup.background = ::GetSysColor(COLOR_CAPTIONTEXT);
  Label2.textColour = RGB(255, 0, 0);
  Label2.bold = true;
  Label2.alignBottom = true;
  SetColour(ColorToRGB(kDesktopColour));
  Timer1.SetEnabled(false);
  Timer1.SetInterval(1000);
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Random.seed(static_cast<unsigned>(::GetTickCount()) ^ ::GetCurrentProcessId());

  WinRegistry registry;
  SettingsHooks hooks;
  hooks.closing = [this] { return Closing; };
  hooks.yield = [] { YieldToMessages(); };
  // The volume component plugs in here once it exists.
  ReadSettings(registry, Settings, PictureFolders, SoundFolders, Volumes, hooks);

  PlatformId = PlatformIdFromSystem();

  if (InPreview()) {
    ShowPreviewIcon();
  } else {
    if (PlatformId == kPlatformWin9x) ::SystemParametersInfoW(SPI_SCREENSAVERRUNNING, 1, nullptr, 0);
    HideCursor();
    // The display-history log, the player window, the group queue and the
    // two folder scanners start here as they are added.
    if (!Settings.DisplayPlayer) SetStayOnTop();
    SetBounds(0, 0, ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    SetColour(ColorToRGB(Settings.BackColor));
    CaptureDesktop();
    const std::wstring workFolder = GetAppDataPath() + L"ORVANE";
    ::SHCreateDirectoryExW(nullptr, workFolder.c_str(), nullptr);
  }
  SetVisible(true);
  Created = true;
}

void TLumora::HideCursor() {
  while (!Closing) {
    if (::ShowCursor(FALSE) < 0) break;
    ::Sleep(100);
    TApplication::Instance().ProcessMessages();
  }
}

void TLumora::CaptureDesktop() {
  if (Closing) return;
  const int32_t width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int32_t height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  ImageDeskTop.picture.SetSize(width, height);
  WindowDC screen(nullptr);
  // The screen DC's (0, 0) is the primary monitor's corner; the copy starts
  // at the virtual screen's corner so monitors left of or above the primary
  // one line up with the window placed there.
  ::BitBlt(ImageDeskTop.picture.DC(), 0, 0, width, height, screen.get(), ::GetSystemMetrics(SM_XVIRTUALSCREEN),
           ::GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
}

void TLumora::ShowPreviewIcon() {
  HICON icon = ::LoadIconW(TApplication::Instance().ModuleInstance(), L"MAINICON");
  ImageDeskTop.picture.SetSize(32, 32, ColorToRGB(Settings.BackColor));
  if (icon) ::DrawIconEx(ImageDeskTop.picture.DC(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const Size size = PreviewIconSize(client.right, client.bottom);
  ImageDeskTop.bounds = Rect{0, 0, size.width, size.height};
}

void TLumora::FormActivate() {
  if (Activated) return;
  Activated = true;
  if (!InPreview()) {
    if (!Settings.Capture) {
      FillRectangle(ImageDeskTop.picture.DC(), {0, 0, Width(), Height()}, ColorToRGB(Settings.BackColor));
    }
    if (!Closing) {
      const Size client = ClientSize();
      ImageMain.picture.SetSize(client.width, client.height, Colour());
      StretchDraw(ImageMain.picture.DC(), {0, 0, Width(), Height()}, ImageDeskTop.picture);
      ImageMain.Changed();
    }
  }
  WaitSeconds(2);
  if (!InPreview() && !Closing) Timer1.SetEnabled(true);
}

void TLumora::FormPaint() {
  if (PaintedOnce || !InPreview()) return;
  PaintedOnce = true;
  RECT host{};
  ::GetClientRect(PreviewHost(), &host);
  const Size client = ClientSize();
  ImageMain.picture.SetSize(client.width, client.height, Colour());
  const Point at = PreviewIconPosition(host.right - host.left, host.bottom - host.top);
  Draw(ImageMain.picture.DC(), at.x, at.y, ImageDeskTop.picture);
  ImageMain.Changed();
}

void TLumora::Timer1Timer() {
  Timer1.SetEnabled(false);
  ClearMouseArmed();
  // The slideshow driver runs from here once it exists; until then the
  // start image stays on screen until input ends the saver.
}

void TLumora::FormMouseMove(int32_t x, int32_t y) {
  if (InPreview()) return;
  if (MouseMoveEndsSaver(Mouse, x, y)) {
    Closing = true;
    Close();
  }
}

void TLumora::FormMouseDown(MouseButton, int32_t, int32_t) {
  if (InPreview()) return;
  Closing = true;
  Close();
}

void TLumora::FormKeyPress(char32_t character) {
  // The history log notes key presses once it exists; the space bar then
  // only adds a line and the show goes on.
  if (ActionForCharacter(character, Settings.LogFile) == KeyPressAction::LogOnly) return;
  if (InPreview()) return;
  Closing = true;
  Close();
}

void TLumora::FormKeyDown(WORD key) {
  if (key != VK_F3 || InPreview()) return;
  // Skip the rest of the current group: with no files or folders left the
  // driver moves on.
  PictureFiles.clear();
  PictureFolders.clear();
}

void TLumora::FormCloseQuery(bool& canClose) {
  canClose = true;
  Closing = true;
  if (!PasswordCheckNeeded(InPreview(), SwitchCharacterOfCommandLine, PasswordVerified, PlatformId, HandedOver)) {
    return;
  }
  WinRegistry registry;
  const std::unique_ptr<RegistryKey> desktop = registry.Open("Control Panel\\desktop", false);
  if (!desktop) return;
  int32_t usePassword = 0;
  try {
    usePassword = ReadInteger(*desktop, "ScreenSaveUsePassword");
  } catch (const RegistryError&) {
    return;
  }
  if (usePassword == 0) return;

  ::ShowCursor(TRUE);
  std::wstring path = GetSystemDirectoryPath();
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += L"PASSWORD.CPL";
  UniqueModule library(::LoadLibraryW(path.c_str()));
  if (!library) return;
  const auto verify = reinterpret_cast<VerifyScreenSavePwdFn>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "VerifyScreenSavePwd")));
  if (!verify) return;
  const bool verified = verify(Handle()) != FALSE;
  canClose = verified;
  PasswordVerified = verified;
  library.reset();
  if (!verified) {
    ::ShowCursor(FALSE);
    Closing = false;
    HandedOver = false;
  }
}

void TLumora::FormClose() {
  Closing = true;
  Created = false;
  if (InPreview()) return;
  try {
    WinRegistry registry;
    SaveGroupCountUp(registry, Settings);
  } catch (...) {
    // A registry that refuses the write must not keep the saver open.
    TApplication::Instance().HandleException();
  }
  // The scanners and the player window are ended here once they exist.
  if (PlatformId == kPlatformWin9x) ::SystemParametersInfoW(SPI_SCREENSAVERRUNNING, 0, nullptr, 0);
  ::ShowCursor(TRUE);
  // With "Change Volume" on, the volume component restores the saved levels here.
}

void TLumora::FormDestroy() {
  TApplication::Instance().OnException = nullptr;  // the label goes with the window
  if (!InPreview()) TApplication::Instance().ShowAppWindow(SW_SHOWNORMAL);
}

TLumora* StartPreview() {
  TApplication& app = TApplication::Instance();
  app.ShowAppWindow(SW_HIDE);
  ::ShowWindow(PreviewHost(), SW_SHOW);
  RECT host{};
  ::GetWindowRect(PreviewHost(), &host);
  TLumora* saver = app.CreateForm<TLumora>();
  saver->SetBounds(0, 0, host.right - host.left, host.bottom - host.top);
  return saver;
}

}  // namespace lumora::win
