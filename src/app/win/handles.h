// RAII owners for Win32 handles: one owner per release function, move-only.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace lumora::win {

template <typename H, auto Release>
struct HandleDeleter {
  using pointer = H;
  void operator()(H h) const noexcept {
    if (h) Release(h);
  }
};

template <typename H, auto Release>
using Owned = std::unique_ptr<std::remove_pointer_t<H>, HandleDeleter<H, Release>>;

inline void CloseKernelHandle(HANDLE h) noexcept {
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}
inline void CloseRegKey(HKEY k) noexcept { ::RegCloseKey(k); }
inline void ReleaseLibrary(HMODULE m) noexcept { ::FreeLibrary(m); }
inline void DeleteGdiObject(HGDIOBJ o) noexcept { ::DeleteObject(o); }
inline void DeleteMemoryDC(HDC dc) noexcept { ::DeleteDC(dc); }
inline void DestroyIconHandle(HICON i) noexcept { ::DestroyIcon(i); }

using UniqueHandle = Owned<HANDLE, CloseKernelHandle>;
using UniqueKey = Owned<HKEY, CloseRegKey>;
using UniqueModule = Owned<HMODULE, ReleaseLibrary>;
using UniqueBitmap = Owned<HBITMAP, DeleteGdiObject>;
using UniqueFont = Owned<HFONT, DeleteGdiObject>;
using UniqueBrush = Owned<HBRUSH, DeleteGdiObject>;
using UniqueDC = Owned<HDC, DeleteMemoryDC>;
using UniqueIcon = Owned<HICON, DestroyIconHandle>;

// GetDC / ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// SelectObject with the previous object put back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (previous_) ::SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint / EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
  ~PaintScope() { ::EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& area() const { return ps_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

}  // namespace lumora::win
