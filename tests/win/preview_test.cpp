// The preview inside a host window of this process: Wine shows what a
// window draws inside a host of another process only blank, so the picture
// the preview draws is checked here, with the saver form running in-process.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "app/settings.h"
#include "app/win/forms.h"
#include "app/win/win_registry.h"
#include "saver/input_rules.h"
#include "saver/win/lumora_form.h"

namespace lumora::win {
namespace {

void PumpFor(DWORD milliseconds) {
  const DWORD until = ::GetTickCount() + milliseconds;
  while (static_cast<LONG>(until - ::GetTickCount()) > 0) {
    TApplication::Instance().ProcessMessages();
    ::Sleep(10);
  }
}

COLORREF PixelAt(const TBitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.Pixels().Row(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

TEST(Preview, DrawsTheStillIconInTheMiddleOfTheHostAndEndsWithIt) {
  constexpr int kWidth = 152, kHeight = 112;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"LumoraTestPreviewHost";
  ::RegisterClassW(&wc);
  HWND host = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Preview host", WS_POPUP | WS_CLIPCHILDREN, 100,
                                100, kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(host);

  // A background colour of its own, so the icon's square and the host's
  // area around it can be told apart: the preview window keeps the desktop
  // colour, the icon picture is made on "BackColor".
  WinRegistry registry;
  registry.DeleteKey(kSettingsKey);
  WriteInteger(*registry.Open(kSettingsKey, true), "BackColor", 0x00336699);

  TApplication& app = TApplication::Instance();
  app.Initialize(::GetModuleHandleW(nullptr));
  PreviewParentHandle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(host));
  TLumora* saver = StartPreview();
  ASSERT_TRUE(saver);
  HWND child = saver->Handle();
  EXPECT_EQ(::GetParent(child), host);
  PumpFor(3000);  // the first activation waits two seconds before the paint settles

  // The host's client area as it is on the screen.
  TBitmap shown;
  shown.SetSize(kWidth, kHeight);
  POINT origin{0, 0};
  ::ClientToScreen(host, &origin);
  HDC screen = ::GetDC(nullptr);
  ::BitBlt(shown.DC(), 0, 0, kWidth, kHeight, screen, origin.x, origin.y, SRCCOPY);
  ::ReleaseDC(nullptr, screen);

  // The icon as the program's resources draw it on "BackColor".
  ASSERT_EQ(saver->Settings.BackColor, 0x00336699u);
  const COLORREF background = ColorToRGB(kDesktopColour);
  TBitmap icon;
  icon.SetSize(32, 32, RGB(0x99, 0x66, 0x33));
  HICON mainIcon = ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON");
  ASSERT_TRUE(mainIcon) << "the test program carries the saver's resources";
  ::DrawIconEx(icon.DC(), 0, 0, mainIcon, 32, 32, 0, nullptr, DI_NORMAL);
  int iconPixels = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) iconPixels += PixelAt(icon, x, y) != RGB(0x99, 0x66, 0x33);
  ASSERT_GT(iconPixels, 200) << "the icon must differ from the background to be seen";

  const Point at = PreviewIconPosition(kWidth, kHeight);
  ASSERT_EQ(at.x, 60);
  ASSERT_EQ(at.y, 40);
  int iconMismatches = 0, backgroundMismatches = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool inIcon = x >= at.x && x < at.x + 32 && y >= at.y && y < at.y + 32;
      const COLORREF expected = inIcon ? PixelAt(icon, x - at.x, y - at.y) : background;
      if (PixelAt(shown, x, y) != expected) ++(inIcon ? iconMismatches : backgroundMismatches);
    }
  }
  EXPECT_EQ(iconMismatches, 0) << "the icon is not drawn at (60, 40)";
  EXPECT_EQ(backgroundMismatches, 0) << "the host around the icon is not the desktop colour";

  // Closing the host takes the preview with it and ends the loop.
  ::DestroyWindow(host);
  PumpFor(200);
  EXPECT_FALSE(::IsWindow(child));
  EXPECT_TRUE(app.Terminated());
  app.DestroyForms();
  PreviewParentHandle = 0;
  registry.DeleteKey(kSettingsKey);
}

}  // namespace
}  // namespace lumora::win
