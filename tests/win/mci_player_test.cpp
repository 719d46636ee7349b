// The MCI player control on Wine's real MCI, playing into the test run's
// null sink in real time: one notice per sound, an aborted notice for a
// stopped one, the system's error text for a file no device opens.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win/wide.h"
#include "media/win/mci_player.h"

namespace lumora::win {
namespace {

// A 16-bit mono 44.1 kHz tone.
std::wstring WriteTone(const wchar_t* name, double seconds) {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  const uint32_t samples = static_cast<uint32_t>(44100 * seconds);
  std::vector<int16_t> pcm(samples);
  for (uint32_t i = 0; i < samples; ++i) pcm[i] = static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265 * 440 / 44100));
  const uint32_t bytes = samples * 2;
  const uint32_t header[] = {0x46464952, 36 + bytes, 0x45564157, 0x20746d66, 16, 0x00010001, 44100, 88200,
                             0x00100002, 0x61746164, bytes};
  FILE* f = ::_wfopen(path.c_str(), L"wb");
  std::fwrite(header, sizeof header, 1, f);
  std::fwrite(pcm.data(), 2, pcm.size(), f);
  std::fclose(f);
  return path;
}

struct Notices {
  std::vector<std::pair<WPARAM, DWORD>> seen;  // code, tick
};

// The control is a child window: a hidden top-level window holds it.
struct Parent {
  HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
  ~Parent() { ::DestroyWindow(hwnd); }
};

void PumpFor(DWORD milliseconds) {
  const DWORD until = ::GetTickCount() + milliseconds;
  MSG msg;
  while (static_cast<LONG>(until - ::GetTickCount()) > 0) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(10);
  }
}

TEST(MciPlayer, ASoundEndsWithOneSuccessfulNoticeAndAStoppedOneWithAnAbortedNotice) {
  Parent parent;
  TMediaPlayer player(parent.hwnd);
  Notices notices;
  player.OnNotify = [&](WPARAM code) { notices.seen.push_back({code, ::GetTickCount()}); };
  player.FileName = WriteTone(L"lumora-tone-1s.wav", 1.0);
  player.Open();
  ASSERT_TRUE(player.Opened());
  player.SetWait(false);
  player.SetNotify(true);
  const DWORD started = ::GetTickCount();
  player.Play();
  PumpFor(2500);
  ASSERT_EQ(notices.seen.size(), 1u);
  EXPECT_EQ(notices.seen[0].first, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
  EXPECT_GE(notices.seen[0].second - started, 900u);  // played in real time

  // Open again (the old device closes first), play, stop at once.
  notices.seen.clear();
  player.Open();
  player.SetWait(false);
  player.SetNotify(true);
  player.Play();
  PumpFor(200);
  player.Stop();
  PumpFor(300);
  ASSERT_EQ(notices.seen.size(), 1u);
  EXPECT_EQ(notices.seen[0].first, static_cast<WPARAM>(MCI_NOTIFY_ABORTED));
  player.Close();
  EXPECT_FALSE(player.Opened());
  EXPECT_THROW(player.Play(), MciError);  // nothing open
}

TEST(MciPlayer, AFileNoDeviceOpensRaisesTheSystemsErrorText) {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"lumora-not-a-sound.txt";
  FILE* f = ::_wfopen(path.c_str(), L"wb");
  std::fputs("not a sound", f);
  std::fclose(f);
  Parent parent;
  TMediaPlayer player(parent.hwnd);
  player.FileName = path;
  try {
    player.Open();
    FAIL() << "a text file opened";
  } catch (const MciError& error) {
    wchar_t text[256] = {};
    ::mciGetErrorStringW(error.Code(), text, 256);
    EXPECT_NE(error.Code(), 0u);
    EXPECT_EQ(std::string(error.what()), Utf8(text));
    EXPECT_EQ(player.Error(), error.Code());
  }
  EXPECT_FALSE(player.Opened());
}

}  // namespace
}  // namespace lumora::win
