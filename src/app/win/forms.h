// A small form framework: an application object with its message loop and
// error event, forms with named event handlers, a timer, labels and image
// surfaces backed by 24-bit DIB sections. Just what the saver window, the
// player windows and the dialog need; not a general toolkit.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/geometry.h"
#include "app/win/handles.h"
#include "imaging/pixels.h"

namespace lumora::win {

class TForm;

// Colours as stored in the settings: 0x00BBGGRR, or 0x80000000 plus a
// system colour index.
COLORREF ColorToRGB(uint32_t colour);

class TApplication {
 public:
  static TApplication& Instance();
  static bool Exists();

  void Initialize(HINSTANCE instance);
  HINSTANCE ModuleInstance() const { return instance_; }
  void SetTitle(const std::wstring& title);
  const std::wstring& Title() const { return title_; }
  // The framework's own hidden window: owner of the forms.
  HWND Handle() const { return handle_; }
  void ShowAppWindow(int showCode);

  // Processes every pending message; returns when the queue is empty.
  void ProcessMessages();
  // Runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Call inside a catch block: routes the current exception's message to
  // OnException, or shows it in a message box when no handler is set.
  void HandleException() noexcept;
  void ShowException(const std::string& message) noexcept;
  std::function<void(const std::string& message)> OnException;

  TForm* MainForm() const { return mainForm_; }
  // A dialog whose keyboard navigation the message loop handles (null for
  // none).
  void SetDialogWindow(HWND dialog) { dialog_ = dialog; }
  // Creates the form's window and runs its FormCreate; the first form made
  // becomes the main form, whose closing ends the loop.
  template <typename F, typename... Args>
  F* CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    F* raw = form.get();
    AdoptForm(std::move(form));
    return raw;
  }
  // Destroys every form (FormDestroy first), newest first.
  void DestroyForms() noexcept;

 private:
  void AdoptForm(std::unique_ptr<TForm> form);
  bool ProcessMessage(MSG& msg);
  void Dispatch(MSG& msg);

  HINSTANCE instance_ = nullptr;
  HWND handle_ = nullptr;
  std::wstring title_;
  bool terminated_ = false;
  TForm* mainForm_ = nullptr;
  HWND dialog_ = nullptr;
  std::vector<std::unique_ptr<TForm>> forms_;
};

// A 24-bit top-down DIB section with its own memory DC.
class TBitmap {
 public:
  TBitmap() = default;
  ~TBitmap() { Reset(); }
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // Makes a new bitmap of that size, filled with the colour.
  void SetSize(int32_t width, int32_t height, COLORREF fill = RGB(255, 255, 255));
  void Reset();
  bool Empty() const { return !bitmap_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  HDC DC() const { return dc_.get(); }
  PixelView Pixels() const;

 private:
  UniqueDC dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

void FillRectangle(HDC dc, const Rect& r, COLORREF colour);
void StretchDraw(HDC dc, const Rect& target, const TBitmap& source);
void Draw(HDC dc, int32_t x, int32_t y, const TBitmap& source);

// A control that the form paints itself (no window of its own).
class TGraphicControl {
 public:
  explicit TGraphicControl(TForm& parent);
  virtual ~TGraphicControl() = default;
  Rect bounds;           // in client coordinates
  bool visible = true;
  bool alignClient = false;  // follows the client area
  virtual void Paint(HDC dc) = 0;
  virtual void Invalidate();

 protected:
  TForm& parent_;
};

class TImage : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  TBitmap picture;
  bool center = false;
  // The bitmap to draw on; made the control's size when empty.
  TBitmap& Canvas();
  // Tells the form that the picture changed.
  void Changed() { Invalidate(); }
  void Paint(HDC dc) override;
};

class TLabel : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  COLORREF textColour = RGB(0, 0, 0);
  bool transparent = true;
  COLORREF background = RGB(255, 255, 255);
  bool bold = false;
  bool alignBottom = false;  // anchored to the bottom, left and right edges
  void SetCaption(const std::string& utf8);
  const std::wstring& Caption() const { return caption_; }
  void Paint(HDC dc) override;
  // Repaints where the label was and where its text goes now.
  void Invalidate() override;

 private:
  // The rectangle the caption takes, measured with the label's font.
  RECT Layout(HDC dc) const;
  UniqueFont MakeFont() const;

  std::wstring caption_;
};

class TTimer {
 public:
  explicit TTimer(TForm& owner);
  ~TTimer();
  void SetInterval(UINT milliseconds);
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  std::function<void()> OnTimer;
  UINT_PTR Id() const { return id_; }

 private:
  void Update();
  TForm& owner_;
  UINT_PTR id_;
  UINT interval_ = 1000;
  bool enabled_ = false;
};

enum class MouseButton { Left, Right, Middle, Extra };

struct CreateParamsData {
  DWORD style = WS_POPUP;
  DWORD exStyle = 0;
  HWND parent = nullptr;
};

class TForm {
 public:
  TForm(const wchar_t* className, const wchar_t* caption);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  // Creates the window and runs FormCreate (called by TApplication).
  void CreateHandleAndRun();
  HWND Handle() const { return handle_; }

  int32_t Left() const;
  int32_t Top() const;
  int32_t Width() const;
  int32_t Height() const;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  void SetLeft(int32_t left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int32_t top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int32_t width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int32_t height) { SetBounds(Left(), Top(), Width(), height); }
  Size ClientSize() const;

  void SetVisible(bool visible);
  void SetStayOnTop();
  void SetColour(COLORREF colour);
  COLORREF Colour() const { return colour_; }
  UINT Dpi() const;
  // Pixels at 96 DPI scaled to this window's DPI.
  int32_t Scale(int32_t pixels96) const;

  // Asks FormCloseQuery, then runs FormClose; closing the main form ends
  // the application's loop.
  void Close();
  void Invalidate();
  void AddControl(TGraphicControl* control) { controls_.push_back(control); }
  void Destroy() noexcept;  // FormDestroy, then the window

  virtual void FormCreate() {}
  virtual void FormActivate() {}
  virtual void FormPaint() {}
  virtual void FormCloseQuery(bool& canClose) { (void)canClose; }
  virtual void FormClose() {}
  virtual void FormDestroy() {}
  virtual void FormKeyDown(WORD key) { (void)key; }
  virtual void FormKeyPress(char32_t character) { (void)character; }
  virtual void FormMouseDown(MouseButton button, int32_t x, int32_t y) {
    (void)button, (void)x, (void)y;
  }
  virtual void FormMouseMove(int32_t x, int32_t y) { (void)x, (void)y; }

 protected:
  virtual void CreateParams(CreateParamsData& params) { (void)params; }
  // Messages the form handles itself before the framework does.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void TimerFired(UINT_PTR id);
  friend class TTimer;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void PaintWindow();
  void PaintTo(HDC dc);
  void LayoutControls();

  const wchar_t* className_;
  std::wstring caption_;
  HWND handle_ = nullptr;
  COLORREF colour_ = RGB(240, 240, 240);
  bool destroyed_ = false;
  bool activatePosted_ = false;
  std::vector<TGraphicControl*> controls_;
  std::vector<TTimer*> timers_;
};

}  // namespace lumora::win
