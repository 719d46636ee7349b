// The media-player window under Wine with a real-time audio path: a short
// tone must be reported ended once, after it has really played; a file the
// control cannot play must not leave the saver waiting.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/win/forms.h"
#include "media/win/media_player_form.h"

namespace lumora::win {
namespace {

// A mono 16-bit PCM WAV of a 440 Hz tone.
void WriteTone(const std::wstring& path, double seconds) {
  constexpr uint32_t kRate = 22050;
  const uint32_t samples = static_cast<uint32_t>(seconds * kRate);
  std::vector<int16_t> data(samples);
  for (uint32_t i = 0; i < samples; ++i) {
    data[i] = static_cast<int16_t>(8000 * std::sin(i * 2 * 3.14159265 * 440 / kRate));
  }
  const uint32_t dataBytes = samples * 2;
  auto put32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [](std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
  std::string header = "RIFF";
  put32(header, 36 + dataBytes);
  header += "WAVEfmt ";
  put32(header, 16);
  put16(header, 1);  // PCM
  put16(header, 1);  // mono
  put32(header, kRate);
  put32(header, kRate * 2);
  put16(header, 2);
  put16(header, 16);
  header += "data";
  put32(header, dataBytes);
  FILE* f = _wfopen(path.c_str(), L"wb");
  ASSERT_TRUE(f);
  std::fwrite(header.data(), 1, header.size(), f);
  std::fwrite(data.data(), 2, data.size(), f);
  std::fclose(f);
}

class MediaPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    TApplication& app = TApplication::Instance();
    if (!app.Handle()) app.Initialize(::GetModuleHandleW(nullptr));
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"lumora-mplay-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    // Made outside the application's list: the test owns it, and it must
    // not become a main form whose closing ends the loop.
    form_ = std::make_unique<TFormMPlay>();
    form_->CreateHandleAndRun();
    form_->OnSoundEnded = [this] {
      ++ends_;
      endedAt_ = ::GetTickCount();
    };
  }
  void TearDown() override {
    form_.reset();
    for (const wchar_t* name : {L"tone.wav", L"text.wav"}) ::DeleteFileW((folder_ + name).c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  // Pumps messages until the end is reported or the time is up, and some
  // more after it to see a second report if one comes.
  void PumpUntilEnded(DWORD limit) {
    const DWORD start = ::GetTickCount();
    while (ends_ == 0 && ::GetTickCount() - start < limit) {
      TApplication::Instance().ProcessMessages();
      ::Sleep(5);
    }
    const DWORD after = ::GetTickCount();
    while (::GetTickCount() - after < 500) {
      TApplication::Instance().ProcessMessages();
      ::Sleep(5);
    }
  }

  std::wstring folder_;
  std::unique_ptr<TFormMPlay> form_;
  int ends_ = 0;
  DWORD endedAt_ = 0;
};

TEST_F(MediaPlayer, SitsInTheBottomRightCornerAtTheControlsSize) {
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(form_->Left(), cx - 245);
  EXPECT_EQ(form_->Top(), cy - 240);
  EXPECT_EQ(form_->Width(), 245);
  EXPECT_EQ(form_->Height(), 240);
  const LONG style = ::GetWindowLongW(form_->Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_EQ(::GetWindowLongW(form_->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // A resize from outside puts it back.
  form_->SetBounds(10, 10, 400, 300);
  EXPECT_EQ(form_->Left(), cx - 245);
  EXPECT_EQ(form_->Top(), cy - 240);
  EXPECT_EQ(form_->Width(), 245);
  EXPECT_EQ(form_->Height(), 240);
}

TEST_F(MediaPlayer, ReportsTheEndOfAToneOnceAfterItHasPlayed) {
  ASSERT_TRUE(form_->msMediaPlayer.Created()) << "Wine provides the media-player control";
  const std::wstring tone = folder_ + L"tone.wav";
  WriteTone(tone, 1.2);
  const DWORD start = ::GetTickCount();
  form_->PlayFile(tone);
  PumpUntilEnded(6000);
  ASSERT_EQ(ends_, 1);
  const DWORD took = endedAt_ - start;
  std::printf("tone of 1.2 s reported ended after %lu ms\n", static_cast<unsigned long>(took));
  EXPECT_GE(took, 1000u) << "ended before the tone could have played";
  EXPECT_LE(took, 6000u);

  // A control that also raises EndOfStream (Wine's reports only the play
  // state) must not end the file twice; nor does stopping afterwards.
  form_->MSMediaPlayerEndOfStream(0);
  form_->FormClose();
  PumpUntilEnded(0);
  EXPECT_EQ(ends_, 1);
}

TEST_F(MediaPlayer, AFileThatCannotPlayIsReportedEndedPromptly) {
  const std::wstring text = folder_ + L"text.wav";
  FILE* f = _wfopen(text.c_str(), L"wb");
  ASSERT_TRUE(f);
  std::fputs("not a sound at all\r\n", f);
  std::fclose(f);
  for (const std::wstring& path : {text, folder_ + L"missing.wav"}) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    ends_ = 0;
    const DWORD start = ::GetTickCount();
    form_->PlayFile(path);
    PumpUntilEnded(3000);
    EXPECT_EQ(ends_, 1);
    std::printf("unplayable file reported ended after %lu ms\n", static_cast<unsigned long>(endedAt_ - start));
    EXPECT_LT(endedAt_ - start, 3000u);
  }
}

}  // namespace
}  // namespace lumora::win
