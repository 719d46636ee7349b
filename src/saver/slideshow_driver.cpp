#include "saver/slideshow_driver.h"

#include <algorithm>
#include <exception>
#include <numeric>

namespace lumora {

namespace {

enum EndOption : int32_t { kAllShown = 0, kAllPlayed = 1, kNever = 2, kAlongside = 3 };

}  // namespace

std::string HandOverCommandLine(const std::string& saverPath, const std::string& firstArgument) {
  return "\"" + saverPath + "\" " + firstArgument;
}

void SlideshowDriver::AnnounceHead() {
  host_.LoadGroupFolders(GroupQueue.front());
  host_.ShowGroupLabel(GroupQueue.front() + 1);
}

void SlideshowDriver::BuildGroupQueue() {
  const int32_t count = std::min(settings_.DataSetCount, kMaxGroups);
  if (count <= 0) return;
  GroupQueue.resize(static_cast<size_t>(count));
  if (settings_.GroupRandom) {
    // A uniform shuffle: every order equally likely, in linear time however
    // many groups there are.
    std::iota(GroupQueue.begin(), GroupQueue.end(), 0);
    for (int32_t i = count - 1; i > 0; --i) {
      std::swap(GroupQueue[static_cast<size_t>(i)], GroupQueue[host_.Random(static_cast<uint32_t>(i) + 1)]);
    }
  } else {
    // A start group outside the stored groups starts with the first.
    const int32_t start = settings_.DataSetNo >= 0 && settings_.DataSetNo < count ? settings_.DataSetNo : 0;
    for (int32_t i = 0; i < count; ++i) GroupQueue[static_cast<size_t>(i)] = (start + i) % count;
  }
  AnnounceHead();
  host_.Sleep(2000);
  host_.YieldToMessages();
}

void SlideshowDriver::HandOver() {
  // "End Option" 3 gets here in every cycle: the other saver starts once.
  if (!host_.HandedOver() && !settings_.PointCast.empty() && host_.FileExists(settings_.PointCast)) {
    host_.RunCommandLine(HandOverCommandLine(settings_.PointCast, host_.FirstArgument()));
    host_.SetHandedOver();
    host_.ClearMouseArmed();
  }
  if (settings_.EndOption != kAlongside) {
    host_.SetClosing();
    host_.CloseWindow();
  }
}

void SlideshowDriver::RunCycle() {
  bool soundOK = host_.PlayNextSound();
  bool pictureOK = host_.ShowNextPicture();
  host_.HideGroupLabel();

  if (!pictureOK) {
    if (host_.PicturePassDone()) {
      if (settings_.DispAllDataSet && settings_.DataSetCount > 0) {
        if (!GroupQueue.empty()) GroupQueue.erase(GroupQueue.begin());
        if (!GroupQueue.empty()) {
          AnnounceHead();
          host_.YieldToMessages();
          pictureOK = true;
        } else if (settings_.EndOption != kAllShown) {
          BuildGroupQueue();
          pictureOK = true;
        }
      }
      // A new pass over the (possibly new) folders; without a group change
      // the same pictures come again.
      host_.WaitSeconds(2);
      host_.ResumePictureScanner();
      host_.WaitSeconds(2);
    } else {
      pictureOK = true;  // the pass is still running
    }
    host_.Sleep(1500 + host_.Random(2000));
  }

  if (!soundOK && settings_.EndOption != kAllPlayed) {
    if (host_.SoundPassDone()) {
      if (host_.HasSoundFolders()) {
        host_.WaitSeconds(2);
        host_.ResumeSoundScanner();
        host_.WaitSeconds(2);
      } else {
        soundOK = true;
      }
    } else {
      soundOK = true;
    }
  }

  host_.YieldToMessages();

  bool ended = false;
  switch (settings_.EndOption) {
    case kAllShown: ended = !pictureOK; break;
    case kAllPlayed: ended = !soundOK; break;
    case kAlongside: ended = true; break;
    default: break;
  }
  if (ended) HandOver();
}

void SlideshowDriver::RunSlideshow() {
  if (host_.Closing()) return;
  std::exception_ptr error;
  try {
    while (!host_.Closing()) RunCycle();
  } catch (...) {
    error = std::current_exception();
  }
  if (host_.Closing()) host_.WriteLog(host_.NowText() + ", ABORT!!");
  host_.CloseWindow();
  if (error) std::rethrow_exception(error);
}

}  // namespace lumora
