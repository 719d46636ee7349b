// The slideshow's one loop: each cycle advances the sound and the picture,
// restarts a folder scan when a list ran dry, moves on to the next picture
// group and decides when the show is over. Everything it touches on the
// window (steps, scanners, waits, the clock, the log) comes through
// SlideshowHost, so its decisions run the same under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"

namespace lumora {

class SlideshowHost {
 public:
  virtual ~SlideshowHost() = default;

  virtual bool Closing() = 0;
  virtual void SetClosing() = 0;
  // Asks the window to close; its close query may refuse (password).
  virtual void CloseWindow() = 0;

  // The two steps; false means nothing was left to play or show just now.
  virtual bool PlayNextSound() = 0;
  virtual bool ShowNextPicture() = 0;

  // "グループ " followed by the 1-based number, and hiding it.
  virtual void ShowGroupLabel(int32_t number) = 0;
  virtual void HideGroupLabel() = 0;
  virtual void LoadGroupFolders(int32_t group) = 0;

  virtual bool PicturePassDone() = 0;
  virtual void ResumePictureScanner() = 0;
  virtual bool SoundPassDone() = 0;
  virtual void ResumeSoundScanner() = 0;
  virtual bool HasSoundFolders() = 0;

  // Waits: the first two process messages, Sleep does not.
  virtual void YieldToMessages() = 0;
  virtual void WaitSeconds(double seconds) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  // Uniform in 0 … bound − 1.
  virtual uint32_t Random(uint32_t bound) = 0;

  // Hand-over to another saver.
  virtual bool FileExists(const std::string& path) = 0;
  virtual void RunCommandLine(const std::string& commandLine) = 0;
  virtual std::string FirstArgument() = 0;
  virtual bool HandedOver() = 0;
  virtual void SetHandedOver() = 0;
  virtual void ClearMouseArmed() = 0;

  // The display-history log and the clock text it uses.
  virtual void WriteLog(const std::string& line) = 0;
  virtual std::string NowText() = 0;
};

// Most groups a queue holds; a stored count beyond it is damaged.
inline constexpr int32_t kMaxGroups = 1 << 20;

// Command line that starts the saver taking over: its path quoted (a path
// with blanks would otherwise name another program) and our own switch.
std::string HandOverCommandLine(const std::string& saverPath, const std::string& firstArgument);

class SlideshowDriver {
 public:
  SlideshowDriver(SlideshowHost& host, const SaverSettings& settings) : host_(host), settings_(settings) {}

  // Group numbers still to show; the head is the group on screen.
  std::vector<int32_t> GroupQueue;

  // Orders the groups (rotated to start at "DataSetNo", or shuffled),
  // loads and announces the first.
  void BuildGroupQueue();
  // Runs cycles until Closing; then logs an abort when closing and asks the
  // window to close. An error in a cycle ends the loop the same way and is
  // passed on to the caller.
  void RunSlideshow();
  // Starts the chosen saver once per run, then closes unless "End Option"
  // is 3 (run alongside it).
  void HandOver();

 private:
  void RunCycle();
  void AnnounceHead();

  SlideshowHost& host_;
  const SaverSettings& settings_;
};

}  // namespace lumora
