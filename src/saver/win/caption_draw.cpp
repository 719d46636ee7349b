#include "saver/win/caption_draw.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "app/win/handles.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "saver/picture_drawing.h"

namespace lumora::win {

DayNames LocaleDayNames() {
  // The locale numbers its day names from Monday; the caption's list starts
  // on Sunday.
  static constexpr LCTYPE kNames[7] = {LOCALE_SABBREVDAYNAME7, LOCALE_SABBREVDAYNAME1, LOCALE_SABBREVDAYNAME2,
                                       LOCALE_SABBREVDAYNAME3, LOCALE_SABBREVDAYNAME4, LOCALE_SABBREVDAYNAME5,
                                       LOCALE_SABBREVDAYNAME6};
  DayNames names;
  for (int i = 0; i < 7; ++i) {
    wchar_t buffer[80] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, kNames[i], buffer, 80) > 0) names[static_cast<size_t>(i)] = Utf8(buffer);
  }
  return names;
}

std::optional<DateTime> FileWriteTime(const std::string& path) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(Wide(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  ::FindClose(search);
  FILETIME local{};
  SYSTEMTIME t{};
  if (!::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &t)) {
    return std::nullopt;
  }
  DateTime date = 0, time = 0;
  if (!TryEncodeDate(t.wYear, t.wMonth, t.wDay, date)) return std::nullopt;
  TryEncodeTime(t.wHour, t.wMinute, t.wSecond, 0, time);
  return date + time;
}

void DrawCaptionText(PixelView target, Point at, const std::string& text) {
  const std::wstring wide = Wide(text);
  if (wide.empty()) return;
  UniqueDC dc(::CreateCompatibleDC(nullptr));
  if (!dc) return;
  SelectGuard font(dc.get(), ::GetStockObject(DEFAULT_GUI_FONT));
  SIZE extent{};
  if (!::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent)) return;
  // A caption wider than any screen is cut there.
  const int32_t width = std::min<int32_t>(extent.cx, 32768);
  const int32_t height = extent.cy;
  if (width < 1 || height < 1) return;

  BITMAPINFO info = TopDown24BitmapInfo(width, height);
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return;
  {
    SelectGuard selected(dc.get(), bitmap.get());
    ::SetTextColor(dc.get(), ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc.get(), RGB(255, 255, 255));
    ::SetBkMode(dc.get(), OPAQUE);
    ::TextOutW(dc.get(), 0, 0, wide.c_str(), static_cast<int>(wide.size()));
    ::GdiFlush();
  }
  BlitPixels(target, at, PixelView{static_cast<uint8_t*>(bits), width, height, Stride24(width)});
}

}  // namespace lumora::win
