// The MCI player control: one MCI device opened on one file, driven by the
// sound step, its completion notices raised as an event. It has no buttons;
// a video file shows its picture in the control's own small window.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace lumora::win {

// An MCI command failed; the text is the system's MCI error text.
class MciError : public std::runtime_error {
 public:
  MciError(DWORD code, const std::string& text) : std::runtime_error(text), code_(code) {}
  DWORD Code() const { return code_; }

 private:
  DWORD code_;
};

class TMediaPlayer {
 public:
  static constexpr int kWidth = 29;
  static constexpr int kHeight = 25;

  // A child window of the parent at (0, 0), kWidth × kHeight.
  explicit TMediaPlayer(HWND parent);
  ~TMediaPlayer();  // closes a device that is still open
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  std::wstring FileName;
  // Every notice: MCI_NOTIFY_SUCCESSFUL, _SUPERSEDED, _ABORTED, _FAILURE.
  std::function<void(WPARAM code)> OnNotify;

  // Closes an open device first, then opens the file with the device the
  // system picks for it (waiting), and directs a video device's output to
  // the control.
  void Open();
  // The next command waits, or returns at once; and asks for a completion
  // notice or not. Without them open, stop and close wait and play
  // notifies.
  void SetWait(bool wait) { wait_ = wait; }
  void SetNotify(bool notify) { notify_ = notify; }
  void Play();
  void Stop();
  void Close();

  bool Opened() const { return deviceId_ != 0; }
  MCIDEVICEID DeviceId() const { return deviceId_; }
  DWORD Error() const { return error_; }
  HWND Handle() const { return hwnd_; }
  bool HasVideo() const { return hasVideo_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The flags of the next command from the one-shot settings and the
  // command's defaults; the settings then fall back.
  DWORD CommandFlags(bool waitByDefault, bool notifyByDefault);
  void Check(DWORD result);
  void RequireOpen() const;

  HWND hwnd_ = nullptr;
  MCIDEVICEID deviceId_ = 0;
  DWORD error_ = 0;
  bool hasVideo_ = false;
  std::optional<bool> wait_;
  std::optional<bool> notify_;
};

}  // namespace lumora::win
