#include "media/win/mci_player.h"

#include <mmsystem.h>

#include <utility>

#include "app/win/utilities.h"
#include "app/win/wide.h"

namespace lumora::win {

namespace {

constexpr wchar_t kClassName[] = L"TMediaPlayer";

}  // namespace

TMediaPlayer::TMediaPlayer(HWND parent) {
  RegisterChildWindowClass(kClassName, WindowProc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  hwnd_ = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, parent, nullptr,
                            ::GetModuleHandleW(nullptr), this);
}

TMediaPlayer::~TMediaPlayer() {
  if (Opened()) {
    MCI_GENERIC_PARMS parms{};
    ::mciSendCommandW(deviceId_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&parms));
    deviceId_ = 0;
  }
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

DWORD TMediaPlayer::CommandFlags(bool waitByDefault, bool notifyByDefault) {
  DWORD flags = 0;
  if (wait_.value_or(waitByDefault)) flags |= MCI_WAIT;
  if (notify_.value_or(notifyByDefault)) flags |= MCI_NOTIFY;
  wait_.reset();
  notify_.reset();
  return flags;
}

void TMediaPlayer::Check(DWORD result) {
  error_ = result;
  if (result == 0) return;
  wchar_t text[256] = {};
  if (!::mciGetErrorStringW(result, text, 256)) ::lstrcpyW(text, L"MCI error");
  throw MciError(result, Utf8(text));
}

void TMediaPlayer::RequireOpen() const {
  if (!Opened()) throw MciError(MCIERR_INVALID_DEVICE_ID, "Not open");
}

void TMediaPlayer::Open() {
  if (Opened()) Close();
  MCI_OPEN_PARMSW open{};
  open.dwCallback = reinterpret_cast<DWORD_PTR>(hwnd_);
  open.lpstrElementName = FileName.c_str();
  const DWORD flags = MCI_OPEN_ELEMENT | CommandFlags(true, false);
  Check(::mciSendCommandW(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open)));
  deviceId_ = open.wDeviceID;

  // A device with a picture draws it into the control.
  MCI_GETDEVCAPS_PARMS caps{};
  caps.dwItem = MCI_GETDEVCAPS_HAS_VIDEO;
  hasVideo_ = ::mciSendCommandW(deviceId_, MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT,
                                reinterpret_cast<DWORD_PTR>(&caps)) == 0 &&
              caps.dwReturn != 0;
  if (hasVideo_) {
    MCI_ANIM_WINDOW_PARMSW window{};
    window.hWnd = hwnd_;
    ::mciSendCommandW(deviceId_, MCI_WINDOW, MCI_ANIM_WINDOW_HWND | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&window));
    MCI_ANIM_RECT_PARMS where{};
    ::mciSendCommandW(deviceId_, MCI_WHERE, MCI_ANIM_WHERE_DESTINATION | MCI_WAIT,
                      reinterpret_cast<DWORD_PTR>(&where));
  }
}

void TMediaPlayer::Play() {
  const DWORD flags = CommandFlags(false, true);
  RequireOpen();
  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(hwnd_);
  Check(::mciSendCommandW(deviceId_, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play)));
}

void TMediaPlayer::Stop() {
  const DWORD flags = CommandFlags(true, false);
  RequireOpen();
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = reinterpret_cast<DWORD_PTR>(hwnd_);
  Check(::mciSendCommandW(deviceId_, MCI_STOP, flags, reinterpret_cast<DWORD_PTR>(&parms)));
}

void TMediaPlayer::Close() {
  const DWORD flags = CommandFlags(true, false);
  if (!Opened()) return;
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = reinterpret_cast<DWORD_PTR>(hwnd_);
  const DWORD result = ::mciSendCommandW(deviceId_, MCI_CLOSE, flags, reinterpret_cast<DWORD_PTR>(&parms));
  deviceId_ = 0;
  hasVideo_ = false;
  Check(result);
}

LRESULT CALLBACK TMediaPlayer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TMediaPlayer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == MM_MCINOTIFY && self) {
    if (self->OnNotify) self->OnNotify(wParam);
    return 0;
  }
  if (message == WM_NCDESTROY && self) self->hwnd_ = nullptr;
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace lumora::win
