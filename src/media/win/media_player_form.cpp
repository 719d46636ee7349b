#include "media/win/media_player_form.h"

#include <oleauto.h>
#include <wmp.h>
#include <wmpids.h>

#include <stdexcept>

#include "app/win/utilities.h"

namespace lumora::win {

namespace {

// The Windows Media Player control.
constexpr CLSID kMediaPlayerClass = {0x6bf52a52, 0x394a, 0x11d3, {0xb1, 0x53, 0x00, 0xc0, 0x4f, 0x79, 0xfa, 0xa6}};

// The control's play states (WMPPlayState).
constexpr int32_t kStateUndefined = 0;
constexpr int32_t kStatePlaying = 3;
constexpr int32_t kStateMediaEnded = 8;
constexpr int32_t kStateReady = 10;

// An event's integer argument (the last pushed is the first), 0 when the
// control sent none or something else.
int32_t IntegerArgument(const DISPPARAMS& params, UINT index) {
  if (index >= params.cArgs || !params.rgvarg) return 0;
  const VARIANT& v = params.rgvarg[params.cArgs - 1 - index];
  switch (V_VT(&v)) {
    case VT_I4:
    case VT_INT:
      return V_I4(&v);
    case VT_UI4:
    case VT_UINT:
      return static_cast<int32_t>(V_UI4(&v));
    case VT_I2:
      return V_I2(&v);
    case VT_I4 | VT_BYREF:
      return V_I4REF(&v) ? *V_I4REF(&v) : 0;
    default:
      return 0;
  }
}

// A BSTR owned for the length of a call.
class OwnedBstr {
 public:
  explicit OwnedBstr(const std::wstring& text)
      : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!value_) throw std::runtime_error("Out of memory for the sound file's name");
  }
  ~OwnedBstr() { ::SysFreeString(value_); }
  OwnedBstr(const OwnedBstr&) = delete;
  OwnedBstr& operator=(const OwnedBstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

}  // namespace

TFormMPlay::TFormMPlay() : TForm(L"TFormMPlay", L"FormMPlay") {}

// The control must go while the window it lives in is still there.
TFormMPlay::~TFormMPlay() { msMediaPlayer.Destroy(); }

void TFormMPlay::CreateParams(CreateParamsData& params) {
  params.style = WS_POPUP | WS_CLIPCHILDREN;  // no caption, no border, not topmost
}

void TFormMPlay::FormCreate() {
  PlaceInCorner();
  const RECT bounds{0, 0, kControlWidth, kControlHeight};
  // Without the control (a system that lacks it) the window still exists:
  // PlayFile then reports each file as ended at once.
  if (msMediaPlayer.Create(kMediaPlayerClass, Handle(), bounds)) {
    msMediaPlayer.Advise(__uuidof(_WMPOCXEvents),
                         [this](DISPID id, const DISPPARAMS& params) { MediaPlayerEvent(id, params); });
  }
}

void TFormMPlay::FormDestroy() { msMediaPlayer.Destroy(); }

void TFormMPlay::PlaceInCorner() {
  if (placing_ || !Handle()) return;
  placing_ = true;
  const int32_t left = ::GetSystemMetrics(SM_CXSCREEN) - kControlWidth;
  const int32_t top = ::GetSystemMetrics(SM_CYSCREEN) - kControlHeight;
  SetBounds(left, top, kControlWidth, kControlHeight);
  msMediaPlayer.SetBounds(RECT{0, 0, kControlWidth, kControlHeight});
  placing_ = false;
}

bool TFormMPlay::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  (void)wParam, (void)lParam, (void)result;
  // Any resize, and a change of the screen's size, puts the window back
  // in the corner at the control's size.
  if (message == WM_SIZE || message == WM_DISPLAYCHANGE) PlaceInCorner();
  return false;
}

void TFormMPlay::PlayFile(const std::wstring& path) {
  awaitingEnd_ = true;
  playRequested_ = false;
  reachedPlaying_ = false;
  lastState_ = kNoState;

  ComPtr<IWMPPlayer> player = msMediaPlayer.Query<IWMPPlayer>();
  if (player) {
    const OwnedBstr url(path);
    if (FAILED(player->put_URL(url.get()))) throw std::runtime_error("The media player cannot take the sound file");
  }
  // Lets the control take the new media before it is told to play.
  YieldToMessages();

  HRESULT hr = E_NOINTERFACE;
  // A control that has already dropped the file (back to "undefined", as
  // Wine's does for a file it cannot open) is not told to play: it has
  // nothing to play, and Wine's control crashes if it is.
  if (lastState_ != kStateUndefined) {
    ComPtr<IWMPControls> controls;
    if (player) hr = player->get_controls(&controls);
    if (SUCCEEDED(hr) && !controls) hr = E_POINTER;
    if (SUCCEEDED(hr)) {
      playRequested_ = true;  // before the call: the control reports while in it
      hr = controls->play();
    }
  }
  // Not playing: the saver goes on with its next file; nothing is shown.
  if (FAILED(hr)) SoundEnded();
}

void TFormMPlay::FormClose() {
  if (ComPtr<IWMPPlayer> player = msMediaPlayer.Query<IWMPPlayer>()) {
    ComPtr<IWMPControls> controls;
    if (SUCCEEDED(player->get_controls(&controls)) && controls) controls->stop();
  }
}

void TFormMPlay::MediaPlayerEvent(DISPID id, const DISPPARAMS& params) {
  try {
    switch (id) {
      case DISPID_WMPCOREEVENT_ENDOFSTREAM:
        MSMediaPlayerEndOfStream(IntegerArgument(params, 0));
        break;
      case DISPID_WMPCOREEVENT_NEWSTREAM:
        MSMediaPlayerNewStream();
        break;
      case DISPID_WMPCOREEVENT_PLAYSTATECHANGE:
        MSMediaPlayerPlayStateChange(IntegerArgument(params, 0));
        break;
      default:
        break;
    }
  } catch (...) {
    TApplication::Instance().HandleException();
  }
}

void TFormMPlay::MSMediaPlayerEndOfStream(int32_t result) {
  (void)result;  // the file has ended however it went
  SoundEnded();
}

void TFormMPlay::MSMediaPlayerNewStream() {}

void TFormMPlay::MSMediaPlayerPlayStateChange(int32_t newState) {
  lastState_ = newState;
  switch (newState) {
    case kStatePlaying:
      reachedPlaying_ = true;
      break;
    case kStateMediaEnded:
      // Controls that never raise EndOfStream still say this.
      SoundEnded();
      break;
    case kStateUndefined:
    case kStateReady:
      // Back to nothing (or merely ready) after play was asked for, without
      // ever playing: the control could not play the file.
      if (playRequested_ && !reachedPlaying_) SoundEnded();
      break;
    default:
      break;
  }
}

void TFormMPlay::SoundEnded() {
  if (!awaitingEnd_) return;
  awaitingEnd_ = false;
  if (OnSoundEnded) OnSoundEnded();
}

}  // namespace lumora::win
