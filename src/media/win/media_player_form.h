// The window that plays the saver's sound files through the Windows Media
// Player control: a small borderless window in the bottom-right corner of
// the primary screen holding the control, which reports the end of each
// file to the saver.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/win/forms.h"
#include "media/win/ole_container.h"

namespace lumora::win {

class TFormMPlay : public TForm {
 public:
  // The control's size; the window is exactly as big.
  static constexpr int32_t kControlWidth = 245;
  static constexpr int32_t kControlHeight = 240;

  TFormMPlay();
  ~TFormMPlay() override;

  // Opens the file in the control and starts it. Failing to set the file
  // throws std::runtime_error; failing to start it (or having no control
  // at all) calls OnSoundEnded so the saver goes on with the next file.
  void PlayFile(const std::wstring& path);

  // Called once when the file given to PlayFile has ended or the control
  // gave up on it.
  std::function<void()> OnSoundEnded;

  // The hosted control (not created on systems without it).
  OleControlHost msMediaPlayer;

  void FormCreate() override;
  // Stops playback; errors are ignored.
  void FormClose() override;
  void FormDestroy() override;

  // The control's events.
  void MSMediaPlayerEndOfStream(int32_t result);
  void MSMediaPlayerNewStream();
  void MSMediaPlayerPlayStateChange(int32_t newState);

 protected:
  void CreateParams(CreateParamsData& params) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // Puts the window, sized to the control, in the primary screen's
  // bottom-right corner.
  void PlaceInCorner();
  void MediaPlayerEvent(DISPID id, const DISPPARAMS& params);
  // Reports the current file's end unless it has been reported already.
  void SoundEnded();

  bool placing_ = false;
  bool awaitingEnd_ = false;    // a file was given and its end not reported yet
  bool playRequested_ = false;  // the control was told to play that file
  bool reachedPlaying_ = false; // the control said it was playing that file
  static constexpr int32_t kNoState = -1;
  int32_t lastState_ = kNoState;  // the last play state the control reported for that file
};

}  // namespace lumora::win
