// The window of the zoom-out effect: a child of the saver window over the
// picture's place that paints the zoomed picture itself, letterboxed on
// black, smoothly stretched.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "imaging/bitmap24.h"
#include "saver/zoom_effect.h"

namespace lumora::win {

class TZoomVideo final : public ZoomHost {
 public:
  // `closing` tells when the saver is ending; the sleeps of the effect
  // end early then.
  TZoomVideo(HWND parent, std::function<bool()> closing);
  ~TZoomVideo() override;
  TZoomVideo(const TZoomVideo&) = delete;
  TZoomVideo& operator=(const TZoomVideo&) = delete;

  // What the next effect shows: the picture step's working copy (the file
  // as decoded), or the temporary bitmap file of a turned picture.
  void SetSources(const Bitmap24* picture, std::wstring temporaryBitmap);

  // The end of the effect: the picture released, the window hidden.
  void Stop();

  HWND Handle() const { return hwnd_; }
  int32_t Zoom() const { return zoom_; }

  // ZoomHost.
  void MoveWindow(const Rect& target) override;
  void Activate() override;
  void Load(bool fromTemporaryBitmap) override;
  void SetZoom(int32_t zoom) override;
  void Run() override;
  void ShowWindow() override;
  void Sleep(int32_t milliseconds) override;
  void YieldToMessages() override;
  bool Closing() override { return closing_ && closing_(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Render();
  void Paint();

  HWND parent_ = nullptr;
  HWND hwnd_ = nullptr;
  std::function<bool()> closing_;
  const Bitmap24* picture_ = nullptr;
  std::wstring temporaryBitmap_;
  std::unique_ptr<ZoomPicture> zoomed_;
  bool active_ = false;
  bool running_ = false;
  int32_t zoom_ = 0;
  Rect bounds_;    // in the parent's client area
  Rect visible_;   // the part of the window inside the parent, window coordinates
  Bitmap24 frame_; // the pixels of visible_
};

}  // namespace lumora::win
