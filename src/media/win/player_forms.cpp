#include "media/win/player_forms.h"

namespace lumora::win {

void TFormMPlay2::CreateParams(CreateParamsData& params) {
  params.style = WS_POPUP;
  // On top of the full-screen saver, without taking the focus from it.
  params.exStyle |= WS_EX_TOPMOST | WS_EX_NOACTIVATE;
}

void TFormMPlay2::FormCreate() {
  MediaPlayer = std::make_unique<TMediaPlayer>(Handle());
  MediaPlayer->OnNotify = [this](WPARAM code) { MediaPlayerNotify(code); };
  Place();
}

void TFormMPlay2::FormClose() {
  if (!MediaPlayer || !MediaPlayer->Opened()) return;
  try {
    MediaPlayer->Stop();
  } catch (const std::exception&) {
  }
  try {
    MediaPlayer->Close();
  } catch (const std::exception&) {
  }
}

void TFormMPlay2::MediaPlayerNotify(WPARAM) {
  if (OnSoundEnded) OnSoundEnded();
}

void TFormMPlay2::Place() {
  if (placing_) return;
  placing_ = true;
  SetBounds(::GetSystemMetrics(SM_CXSCREEN) - TMediaPlayer::kWidth,
            ::GetSystemMetrics(SM_CYSCREEN) - TMediaPlayer::kHeight, TMediaPlayer::kWidth, TMediaPlayer::kHeight);
  placing_ = false;
}

bool TFormMPlay2::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_SIZE || message == WM_DISPLAYCHANGE) Place();
  return TForm::HandleMessage(message, wParam, lParam, result);
}

}  // namespace lumora::win
