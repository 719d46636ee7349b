// The MCI player window: a small borderless stay-on-top window in the
// bottom-right corner of the primary screen holding the MCI player control
// the sound step drives. Its control's notices end the current sound.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/win/forms.h"
#include "media/win/mci_player.h"

namespace lumora::win {

class TFormMPlay2 : public TForm {
 public:
  TFormMPlay2() : TForm(L"TFormMPlay2", L"FormMPlay2") {}

  std::unique_ptr<TMediaPlayer> MediaPlayer;
  // The current sound ended, failed or was stopped.
  std::function<void()> OnSoundEnded;

  void FormCreate() override;
  // The sound stops with the show: the device is stopped and closed.
  void FormClose() override;
  void MediaPlayerNotify(WPARAM code);
  // The corner of the primary screen, the control's size.
  void Place();

 protected:
  void CreateParams(CreateParamsData& params) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool placing_ = false;
};

}  // namespace lumora::win
