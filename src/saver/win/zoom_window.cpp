#include "saver/win/zoom_window.h"

#include <algorithm>
#include <utility>

#include "app/file_bytes.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "imaging/picture_formats.h"

namespace lumora::win {

namespace {

constexpr wchar_t kClassName[] = L"TDSVideoWindowEx2";

}  // namespace

TZoomVideo::TZoomVideo(HWND parent, std::function<bool()> closing) : parent_(parent), closing_(std::move(closing)) {
  RegisterChildWindowClass(kClassName, WindowProc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  hwnd_ = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent, nullptr,
                            ::GetModuleHandleW(nullptr), this);
}

TZoomVideo::~TZoomVideo() {
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

void TZoomVideo::SetSources(const Bitmap24* picture, std::wstring temporaryBitmap) {
  picture_ = picture;
  temporaryBitmap_ = std::move(temporaryBitmap);
}

void TZoomVideo::MoveWindow(const Rect& target) {
  bounds_ = target;
  RECT client{};
  ::GetClientRect(parent_, &client);
  visible_ = Rect{std::max(0, -target.left), std::max(0, -target.top),
                  std::max(0, std::min(target.Width(), static_cast<int32_t>(client.right) - target.left)),
                  std::max(0, std::min(target.Height(), static_cast<int32_t>(client.bottom) - target.top))};
  if (hwnd_) {
    ::SetWindowPos(hwnd_, HWND_TOP, target.left, target.top, target.Width(), target.Height(),
                   SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

void TZoomVideo::Activate() {
  if (!hwnd_) throw std::runtime_error("no zoom window");
  active_ = true;
}

void TZoomVideo::Load(bool fromTemporaryBitmap) {
  zoomed_.reset();
  if (fromTemporaryBitmap) {
    // The picture as turned for the screen, as it was saved.
    const std::string path = Utf8(temporaryBitmap_);
    zoomed_ = std::make_unique<ZoomPicture>(BuiltInFormats().Decode(ReadFileBytes(path, 1ull << 30), "bmp"));
  } else if (picture_) {
    zoomed_ = std::make_unique<ZoomPicture>(picture_);
  }
  if (!zoomed_) throw std::runtime_error("nothing to zoom");
}

void TZoomVideo::SetZoom(int32_t zoom) {
  ZoomSourceRect({1, 1}, zoom);  // refuses values outside 0 … 99
  zoom_ = zoom;
  if (running_) Render();
}

void TZoomVideo::Run() {
  if (!active_ || !zoomed_) throw std::runtime_error("the zoom window has no picture");
  running_ = true;
  Render();
}

void TZoomVideo::ShowWindow() {
  if (!hwnd_) return;
  ::ShowWindow(hwnd_, SW_SHOWNA);
  ::UpdateWindow(hwnd_);
}

void TZoomVideo::Sleep(int32_t milliseconds) {
  // In short slices, so that a key or the mouse ends the effect at once.
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(milliseconds);
  while (!Closing()) {
    const auto left = static_cast<int32_t>(until - ::GetTickCount());
    if (left <= 0) break;
    ::Sleep(static_cast<DWORD>(std::min(left, 10)));
    win::YieldToMessages();
  }
}

void TZoomVideo::YieldToMessages() { win::YieldToMessages(); }

void TZoomVideo::Stop() {
  running_ = false;
  active_ = false;
  zoomed_.reset();
  frame_ = Bitmap24{};
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void TZoomVideo::Render() {
  if (!zoomed_ || visible_.Width() < 1 || visible_.Height() < 1) return;
  if (frame_.width != visible_.Width() || frame_.height != visible_.Height()) {
    frame_.Resize(visible_.Width(), visible_.Height(), 0, 0, 0);
  }
  zoomed_->Render(ZoomSourceRect(zoomed_->PictureSize(), zoom_), {bounds_.Width(), bounds_.Height()}, visible_,
                  frame_.View());
  if (hwnd_ && ::IsWindowVisible(hwnd_)) {
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
  }
}

void TZoomVideo::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  if (frame_.width > 0 && frame_.height > 0) {
    BITMAPINFO info = TopDown24BitmapInfo(frame_.width, frame_.height);
    ::SetDIBitsToDevice(dc, visible_.left, visible_.top, static_cast<DWORD>(frame_.width),
                        static_cast<DWORD>(frame_.height), 0, 0, 0, static_cast<UINT>(frame_.height),
                        frame_.bits.data(), &info, DIB_RGB_COLORS);
  } else {
    ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  ::EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK TZoomVideo::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TZoomVideo*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCHITTEST:
      // The mouse belongs to the saver window, which ends on it.
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      // Destroyed with the saver window: nothing is left to destroy later.
      if (self) self->hwnd_ = nullptr;
      break;
    case WM_PAINT:
      if (self) {
        self->Paint();
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace lumora::win
