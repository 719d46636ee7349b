#include "app/win/forms.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "app/win/utilities.h"
#include "app/win/wide.h"

namespace lumora::win {
namespace {

constexpr UINT kActivateMessage = WM_APP + 1;
TApplication* g_application = nullptr;

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

}  // namespace

COLORREF ColorToRGB(uint32_t colour) {
  if (colour & 0x80000000u) return ::GetSysColor(static_cast<int>(colour & 0xFFu));
  return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

// ---------------------------------------------------------------------------
// TApplication

TApplication& TApplication::Instance() {
  static TApplication application;
  g_application = &application;
  return application;
}

bool TApplication::Exists() { return g_application != nullptr; }

void TApplication::Initialize(HINSTANCE instance) {
  instance_ = instance;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ApplicationWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"TApplication";
  ::RegisterClassExW(&wc);
  // A zero-sized pop-up: it owns the forms and never shows anything.
  handle_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"TApplication", title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, instance, nullptr);
}

void TApplication::SetTitle(const std::wstring& title) {
  title_ = title;
  if (handle_) ::SetWindowTextW(handle_, title.c_str());
}

void TApplication::ShowAppWindow(int showCode) {
  if (handle_) ::ShowWindow(handle_, showCode);
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
  } else {
    Dispatch(msg);
  }
  return true;
}

void TApplication::Dispatch(MSG& msg) {
  // Tab, arrows, Enter, Esc and accelerators of a dialog's controls.
  if (dialog_ && ::IsWindow(dialog_) && ::IsDialogMessageW(dialog_, &msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Run() {
  while (!terminated_ && mainForm_) {
    MSG msg;
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      terminated_ = true;
      break;
    }
    Dispatch(msg);
  }
}

void TApplication::Terminate() {
  if (!terminated_) ::PostQuitMessage(0);
}

void TApplication::HandleException() noexcept {
  std::string message;
  try {
    throw;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown error";
  }
  try {
    if (OnException) {
      OnException(message);
    } else {
      ShowException(message);
    }
  } catch (...) {
    // The error report itself failed: nothing more can be shown.
  }
}

void TApplication::ShowException(const std::string& message) noexcept {
  try {
    const std::wstring text = Wide(message);
    ::MessageBoxW(nullptr, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  } catch (...) {
  }
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
  TForm* raw = form.get();
  forms_.push_back(std::move(form));
  if (!mainForm_) mainForm_ = raw;
  raw->CreateHandleAndRun();
}

void TApplication::DestroyForms() noexcept {
  while (!forms_.empty()) {
    forms_.back()->Destroy();
    forms_.pop_back();
  }
  mainForm_ = nullptr;
}

// ---------------------------------------------------------------------------
// TBitmap and drawing

void TBitmap::SetSize(int32_t width, int32_t height, COLORREF fill) {
  Reset();
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info = TopDown24BitmapInfo(width, height);
  dc_.reset(::CreateCompatibleDC(nullptr));
  if (!dc_) throw std::runtime_error("Out of system resources (memory DC)");
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
  if (!bitmap_) {
    dc_.reset();
    throw std::runtime_error("Out of system resources (bitmap " + std::to_string(width) + "x" +
                             std::to_string(height) + ")");
  }
  previous_ = ::SelectObject(dc_.get(), bitmap_.get());
  width_ = width;
  height_ = height;
  FillRectangle(dc_.get(), {0, 0, width, height}, fill);
}

void TBitmap::Reset() {
  if (dc_ && previous_) ::SelectObject(dc_.get(), previous_);
  previous_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

PixelView TBitmap::Pixels() const {
  ::GdiFlush();  // finish GDI drawing before touching the bits
  return {static_cast<uint8_t*>(bits_), width_, height_, Stride24(width_)};
}

void FillRectangle(HDC dc, const Rect& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  RECT rc{r.left, r.top, r.right, r.bottom};
  ::FillRect(dc, &rc, brush.get());
}

void StretchDraw(HDC dc, const Rect& target, const TBitmap& source) {
  if (source.Empty()) return;
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchBlt(dc, target.left, target.top, target.Width(), target.Height(), source.DC(), 0, 0, source.Width(),
               source.Height(), SRCCOPY);
}

void Draw(HDC dc, int32_t x, int32_t y, const TBitmap& source) {
  if (source.Empty()) return;
  ::BitBlt(dc, x, y, source.Width(), source.Height(), source.DC(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------
// Controls

TGraphicControl::TGraphicControl(TForm& parent) : parent_(parent) { parent.AddControl(this); }

void TGraphicControl::Invalidate() {
  if (!visible || !parent_.Handle()) return;
  RECT rc{bounds.left, bounds.top, bounds.right, bounds.bottom};
  ::InvalidateRect(parent_.Handle(), &rc, FALSE);
}

TBitmap& TImage::Canvas() {
  if (picture.Empty()) picture.SetSize(bounds.Width(), bounds.Height());
  return picture;
}

void TImage::Paint(HDC dc) {
  if (picture.Empty()) return;
  int32_t x = bounds.left;
  int32_t y = bounds.top;
  if (center) {
    x += (bounds.Width() - picture.Width()) / 2;
    y += (bounds.Height() - picture.Height()) / 2;
  }
  HRGN clip = ::CreateRectRgn(bounds.left, bounds.top, bounds.right, bounds.bottom);
  ::SelectClipRgn(dc, clip);
  Draw(dc, x, y, picture);
  ::SelectClipRgn(dc, nullptr);
  ::DeleteObject(clip);
}

void TLabel::SetCaption(const std::string& utf8) {
  caption_ = Wide(utf8);
  Invalidate();
}

UniqueFont TLabel::MakeFont() const {
  return UniqueFont(::CreateFontW(-parent_.Scale(12), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                  SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック"));
}

RECT TLabel::Layout(HDC dc) const {
  if (alignBottom) {
    const Size client = parent_.ClientSize();
    return RECT{0, client.height - parent_.Scale(12) - parent_.Scale(4), client.width, client.height};
  }
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, caption_.c_str(), static_cast<int>(caption_.size()), &extent);
  return RECT{bounds.left, bounds.top, bounds.left + extent.cx, bounds.top + extent.cy};
}

void TLabel::Invalidate() {
  if (!parent_.Handle()) return;
  RECT old{bounds.left, bounds.top, bounds.right, bounds.bottom};
  ::InvalidateRect(parent_.Handle(), &old, FALSE);
  if (!visible) return;
  WindowDC dc(parent_.Handle());
  const UniqueFont font = MakeFont();
  SelectGuard selectFont(dc.get(), font.get());
  RECT now = Layout(dc.get());
  ::InvalidateRect(parent_.Handle(), &now, FALSE);
}

void TLabel::Paint(HDC dc) {
  if (caption_.empty()) return;
  const UniqueFont font = MakeFont();
  SelectGuard selectFont(dc, font.get());
  RECT rc = Layout(dc);
  bounds = Rect{rc.left, rc.top, rc.right, rc.bottom};
  if (!transparent) FillRectangle(dc, bounds, background);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, textColour);
  ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &rc, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT);
}

// ---------------------------------------------------------------------------
// TTimer

TTimer::TTimer(TForm& owner) : owner_(owner), id_(reinterpret_cast<UINT_PTR>(this)) {
  owner.timers_.push_back(this);
}

TTimer::~TTimer() {
  if (enabled_ && owner_.Handle()) ::KillTimer(owner_.Handle(), id_);
  auto& timers = owner_.timers_;
  timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TTimer::SetInterval(UINT milliseconds) {
  interval_ = milliseconds;
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void TTimer::Update() {
  if (!owner_.Handle()) return;
  ::KillTimer(owner_.Handle(), id_);
  if (enabled_ && interval_ > 0) ::SetTimer(owner_.Handle(), id_, interval_, nullptr);
}

// ---------------------------------------------------------------------------
// TForm

TForm::TForm(const wchar_t* className, const wchar_t* caption) : className_(className), caption_(caption) {}

TForm::~TForm() { Destroy(); }

void TForm::CreateHandleAndRun() {
  TApplication& app = TApplication::Instance();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExW(app.ModuleInstance(), className_, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = app.ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(app.ModuleInstance(), L"MAINICON");
    wc.lpszClassName = className_;
    if (!::RegisterClassExW(&wc)) throw std::runtime_error("Cannot register the window class");
  }
  CreateParamsData params;
  params.parent = app.Handle();
  CreateParams(params);
  handle_ = ::CreateWindowExW(params.exStyle, className_, caption_.c_str(), params.style, 0, 0, 0, 0, params.parent,
                              nullptr, app.ModuleInstance(), this);
  if (!handle_) throw std::runtime_error("Cannot create the window");
  FormCreate();
}

// The window's rectangle in its parent's client coordinates (screen
// coordinates for a top-level window).
static RECT PlacedRect(HWND hwnd) {
  RECT rc{};
  ::GetWindowRect(hwnd, &rc);
  if (HWND parent = ::GetParent(hwnd); parent && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) {
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
  }
  return rc;
}

int32_t TForm::Left() const { return PlacedRect(handle_).left; }

int32_t TForm::Top() const { return PlacedRect(handle_).top; }

int32_t TForm::Width() const {
  RECT rc{};
  ::GetWindowRect(handle_, &rc);
  return rc.right - rc.left;
}

int32_t TForm::Height() const {
  RECT rc{};
  ::GetWindowRect(handle_, &rc);
  return rc.bottom - rc.top;
}

void TForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutControls();
}

Size TForm::ClientSize() const {
  RECT rc{};
  ::GetClientRect(handle_, &rc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

void TForm::SetVisible(bool visible) {
  ::ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
  if (visible && !activatePosted_) {
    // The first showing activates the form once the message loop runs.
    activatePosted_ = true;
    ::PostMessageW(handle_, kActivateMessage, 0, 0);
  }
}

void TForm::SetStayOnTop() {
  ::SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetColour(COLORREF colour) {
  colour_ = colour;
  Invalidate();
}

UINT TForm::Dpi() const {
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && handle_) {
    if (const UINT dpi = getDpiForWindow(handle_)) return dpi;
  }
  WindowDC screen(nullptr);
  return static_cast<UINT>(::GetDeviceCaps(screen.get(), LOGPIXELSY));
}

int32_t TForm::Scale(int32_t pixels96) const { return ::MulDiv(pixels96, static_cast<int>(Dpi()), 96); }

void TForm::Close() {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) return;
  FormClose();
  TApplication& app = TApplication::Instance();
  if (app.MainForm() == this) {
    app.Terminate();
  } else {
    ::ShowWindow(handle_, SW_HIDE);
  }
}

void TForm::Invalidate() {
  if (handle_) ::InvalidateRect(handle_, nullptr, FALSE);
}

void TForm::Destroy() noexcept {
  if (destroyed_) return;
  destroyed_ = true;
  try {
    FormDestroy();
  } catch (...) {
    TApplication::Instance().HandleException();
  }
  if (handle_ && ::IsWindow(handle_)) {
    ::SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    ::DestroyWindow(handle_);
  }
  handle_ = nullptr;
}

void TForm::LayoutControls() {
  const Size client = ClientSize();
  for (TGraphicControl* c : controls_) {
    if (c->alignClient) c->bounds = Rect{0, 0, client.width, client.height};
  }
  Invalidate();
}

void TForm::TimerFired(UINT_PTR id) {
  for (TTimer* t : timers_) {
    if (t->Id() == id && t->Enabled() && t->OnTimer) {
      t->OnTimer();
      return;
    }
  }
}

void TForm::PaintWindow() {
  PaintScope paint(handle_);
  FormPaint();
  PaintTo(paint.dc());
}

void TForm::PaintTo(HDC dc) {
  const Size client = ClientSize();
  bool covered = false;
  for (TGraphicControl* c : controls_) {
    auto* image = dynamic_cast<TImage*>(c);
    if (image && c->visible && c->alignClient && !image->picture.Empty() && image->picture.Width() >= client.width &&
        image->picture.Height() >= client.height) {
      covered = true;
    }
  }
  if (!covered) FillRectangle(dc, {0, 0, client.width, client.height}, colour_);
  for (TGraphicControl* c : controls_) {
    if (c->visible) c->Paint(dc);
  }
}

bool TForm::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK TForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<TForm*>(create->lpCreateParams);
    form->handle_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  // Windows calls this procedure: no exception may leave it.
  try {
    return form->Dispatch(message, wParam, lParam);
  } catch (...) {
    TApplication::Instance().HandleException();
    return 0;
  }
}

LRESULT TForm::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = handle_;
  LRESULT result = 0;
  if (HandleMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case kActivateMessage:
      FormActivate();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && activatePosted_) FormActivate();
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintWindow();
      return 0;
    case WM_PRINTCLIENT:  // PrintWindow and the like: the same picture into their DC
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SIZE:
      LayoutControls();
      return 0;
    case WM_TIMER:
      TimerFired(wParam);
      return 0;
    case WM_KEYDOWN:
      FormKeyDown(static_cast<WORD>(wParam));
      return 0;
    case WM_CHAR:
      FormKeyPress(static_cast<char32_t>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      FormMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      FormMouseDown(MouseButton::Left, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      FormMouseDown(MouseButton::Right, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      FormMouseDown(MouseButton::Middle, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
      FormMouseDown(MouseButton::Extra, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      // Destroyed from outside (a preview host closing): end the application.
      if (!destroyed_ && TApplication::Instance().MainForm() == this) TApplication::Instance().Terminate();
      break;
    case WM_NCDESTROY:
      handle_ = nullptr;
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace lumora::win
