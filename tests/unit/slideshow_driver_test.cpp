#include "saver/slideshow_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <stdexcept>

namespace lumora {
namespace {

// A window with scripted folders: each group holds two pictures, a resumed
// scanner lists the current folders at once, and "input" closes the show
// after a number of pictures.
class FakeWindow : public SlideshowHost {
 public:
  std::map<int32_t, std::vector<std::string>> groupPictures;
  std::vector<std::string> folderPictures;  // the current folders' contents
  std::vector<std::string> pictureFiles;
  int32_t currentGroup = -1;
  std::vector<std::string> sounds;
  std::vector<std::string> soundFiles;
  bool soundPassDone = true;
  std::set<std::string> existingFiles;

  std::vector<std::string> shown;
  std::vector<int32_t> shownGroups;
  std::vector<int32_t> announced;
  std::vector<std::string> started;
  std::vector<std::string> logLines;
  int closeRequests = 0;
  int pictureResumes = 0;
  int soundResumes = 0;
  double seconds = 0;
  int closeAfterPictures = 1000;
  int closeAfterCycles = 1000;
  int cycles = 0;
  bool throwInPictureStep = false;

  bool closing = false;
  bool handedOver = false;
  bool mouseArmed = true;

  bool Closing() override { return closing; }
  void SetClosing() override { closing = true; }
  void CloseWindow() override { ++closeRequests; }

  bool PlayNextSound() override {
    ++cycles;
    if (closing) return true;
    if (soundFiles.empty()) return false;
    soundFiles.erase(soundFiles.begin());
    return true;
  }
  bool ShowNextPicture() override {
    if (closing) return true;
    if (throwInPictureStep) throw std::runtime_error("broken");
    if (pictureFiles.empty()) {
      seconds += 5;  // the step's one wait for files
      return false;
    }
    shown.push_back(pictureFiles.front());
    shownGroups.push_back(currentGroup);
    pictureFiles.erase(pictureFiles.begin());
    if (static_cast<int>(shown.size()) >= closeAfterPictures || cycles >= closeAfterCycles) closing = true;
    return true;
  }

  void ShowGroupLabel(int32_t number) override { announced.push_back(number); }
  void HideGroupLabel() override {}
  void LoadGroupFolders(int32_t group) override {
    currentGroup = group;
    folderPictures = groupPictures[group];
  }

  bool PicturePassDone() override { return true; }
  void ResumePictureScanner() override {
    ++pictureResumes;
    pictureFiles = folderPictures;
  }
  bool SoundPassDone() override { return soundPassDone; }
  void ResumeSoundScanner() override {
    ++soundResumes;
    soundFiles = sounds;
  }
  bool HasSoundFolders() override { return !sounds.empty(); }

  void YieldToMessages() override {}
  void WaitSeconds(double s) override { seconds += s; }
  void Sleep(uint32_t ms) override { seconds += ms / 1000.0; }
  // The highest draw, or a real one where a test needs variety.
  bool realRandom = false;
  std::mt19937 generator{12345};
  uint32_t Random(uint32_t bound) override {
    return realRandom ? std::uniform_int_distribution<uint32_t>(0, bound - 1)(generator) : bound - 1;
  }

  bool FileExists(const std::string& path) override { return existingFiles.count(path) != 0; }
  void RunCommandLine(const std::string& commandLine) override { started.push_back(commandLine); }
  std::string FirstArgument() override { return "/S"; }
  bool HandedOver() override { return handedOver; }
  void SetHandedOver() override { handedOver = true; }
  void ClearMouseArmed() override { mouseArmed = false; }

  void WriteLog(const std::string& line) override { logLines.push_back(line); }
  std::string NowText() override { return "2026/12/08 12:00:00"; }

  void AddGroups(int count) {
    for (int g = 0; g < count; ++g) {
      const std::string group = std::string("g").append(std::to_string(g));
      groupPictures[g] = {group + "a", group + "b"};
    }
  }
  // What the window does at creation: order the groups, list the first.
  void Start(SlideshowDriver& driver) {
    driver.BuildGroupQueue();
    pictureFiles = folderPictures;
    soundFiles = sounds;
  }
};

struct DriverTest : ::testing::Test {
  FakeWindow window;
  SaverSettings settings;
  SlideshowDriver driver{window, settings};
};

TEST_F(DriverTest, AllGroupsInTurnFromTheStartGroupThenTheEnd) {
  window.AddGroups(3);
  settings.DataSetCount = 3;
  settings.DataSetNo = 1;
  settings.DispAllDataSet = true;
  settings.EndOption = 0;
  window.Start(driver);
  driver.RunSlideshow();

  EXPECT_EQ(window.announced, (std::vector<int32_t>{2, 3, 1}));
  EXPECT_EQ(window.shown, (std::vector<std::string>{"g1a", "g1b", "g2a", "g2b", "g0a", "g0b"}));
  EXPECT_TRUE(window.closing);
  EXPECT_TRUE(window.started.empty()) << "\"なし\" names no saver";
  // The end rule's close, then the loop's final request.
  EXPECT_EQ(window.closeRequests, 2);
  EXPECT_EQ(window.logLines, (std::vector<std::string>{"2026/12/08 12:00:00, ABORT!!"}));
}

TEST_F(DriverTest, OneGroupShownOnceOrOverAndOver) {
  window.AddGroups(3);
  settings.DataSetCount = 3;
  settings.DispAllDataSet = false;
  settings.EndOption = 0;
  window.Start(driver);
  driver.RunSlideshow();
  EXPECT_EQ(window.shown, (std::vector<std::string>{"g0a", "g0b"}));
  EXPECT_EQ(window.announced, (std::vector<int32_t>{1}));
  EXPECT_TRUE(window.closing);

  FakeWindow again;
  SlideshowDriver repeating{again, settings};
  settings.EndOption = 2;
  again.AddGroups(3);
  again.closeAfterPictures = 6;
  again.Start(repeating);
  repeating.RunSlideshow();
  EXPECT_EQ(again.shown, (std::vector<std::string>{"g0a", "g0b", "g0a", "g0b", "g0a", "g0b"}));
  EXPECT_EQ(again.pictureResumes, 2);
  EXPECT_EQ(again.announced, (std::vector<int32_t>{1}));
}

TEST_F(DriverTest, AfterTheLastGroupTheQueueIsBuiltAgain) {
  window.AddGroups(2);
  settings.DataSetCount = 2;
  settings.DataSetNo = 1;
  settings.DispAllDataSet = true;
  settings.EndOption = 2;
  window.closeAfterPictures = 6;
  window.Start(driver);
  driver.RunSlideshow();
  EXPECT_EQ(window.shownGroups, (std::vector<int32_t>{1, 1, 0, 0, 1, 1}));
  EXPECT_EQ(window.announced, (std::vector<int32_t>{2, 1, 2}));
  EXPECT_TRUE(window.started.empty());
}

TEST_F(DriverTest, AllPlayedWithoutSoundFoldersEndsAfterTheFirstCycle) {
  window.folderPictures = {"a", "b", "c"};
  settings.EndOption = 1;
  window.Start(driver);
  driver.RunSlideshow();
  EXPECT_EQ(window.shown, (std::vector<std::string>{"a"}));
  EXPECT_EQ(window.cycles, 1);
  EXPECT_TRUE(window.closing);
}

TEST_F(DriverTest, SoundsStartOverWhenTheirPassIsDone) {
  window.folderPictures = {"a", "b", "c", "d"};
  window.sounds = {"s1"};
  settings.EndOption = 2;
  window.closeAfterPictures = 4;
  window.Start(driver);
  driver.RunSlideshow();
  // Cycle 1 plays s1; each following cycle finds none and rescans.
  EXPECT_EQ(window.soundResumes, 2);
  EXPECT_DOUBLE_EQ(window.seconds, 2 * 4.0);
}

TEST_F(DriverTest, AllShownWithoutPictureFoldersEndsAfterItsWaits) {
  settings.EndOption = 0;
  window.Start(driver);
  driver.RunSlideshow();
  EXPECT_TRUE(window.shown.empty());
  EXPECT_EQ(window.cycles, 1);
  EXPECT_TRUE(window.closing);
  // The step's wait for files, the waits around the restart and the sleep.
  EXPECT_DOUBLE_EQ(window.seconds, 5 + 2 + 2 + 1.5 + 1.999);
}

TEST_F(DriverTest, RunningAlongsideStartsTheOtherSaverOnceAndKeepsRunning) {
  const std::string other = "C:\\Program Files\\Other Saver\\other.scr";
  window.existingFiles.insert(other);
  window.folderPictures = {"a", "b", "c", "d"};
  settings.PointCast = other;
  settings.EndOption = 3;
  window.closeAfterPictures = 4;
  window.Start(driver);
  driver.RunSlideshow();
  EXPECT_EQ(window.shown.size(), 4u) << "the show goes on after the hand-over";
  EXPECT_EQ(window.started, (std::vector<std::string>{"\"" + other + "\" /S"}));
  EXPECT_TRUE(window.handedOver);
  EXPECT_FALSE(window.mouseArmed);
}

TEST_F(DriverTest, HandOverStartsAnExistingSaverAndCloses) {
  const std::string other = "C:\\Savers\\x.scr";
  settings.PointCast = other;
  settings.EndOption = 0;
  driver.HandOver();
  EXPECT_TRUE(window.started.empty()) << "no file there, nothing started";
  EXPECT_TRUE(window.closing);
  EXPECT_FALSE(window.handedOver);

  FakeWindow second;
  SlideshowDriver handing{second, settings};
  second.existingFiles.insert(other);
  handing.HandOver();
  EXPECT_EQ(second.started, (std::vector<std::string>{"\"C:\\Savers\\x.scr\" /S"}));
  EXPECT_TRUE(second.handedOver);
  EXPECT_TRUE(second.closing);
  EXPECT_EQ(second.closeRequests, 1);
}

TEST_F(DriverTest, AnErrorInACycleClosesTheWindowAndIsPassedOn) {
  window.folderPictures = {"a"};
  window.throwInPictureStep = true;
  window.Start(driver);
  EXPECT_THROW(driver.RunSlideshow(), std::runtime_error);
  EXPECT_EQ(window.closeRequests, 1);
  EXPECT_TRUE(window.logLines.empty()) << "no abort line when the window was not closing";

  window.closeRequests = 0;
  window.closing = true;
  driver.RunSlideshow();  // already closing: nothing happens
  EXPECT_EQ(window.closeRequests, 0);
}

TEST_F(DriverTest, GroupQueueStartsInRangeAndShufflesEveryGroupOnce) {
  window.AddGroups(3);
  settings.DataSetCount = 3;
  settings.DataSetNo = 7;  // outside the stored groups
  driver.BuildGroupQueue();
  EXPECT_EQ(driver.GroupQueue, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(window.currentGroup, 0);
  EXPECT_DOUBLE_EQ(window.seconds, 2.0);

  settings.DataSetCount = 0;
  SlideshowDriver none{window, settings};
  none.BuildGroupQueue();
  EXPECT_TRUE(none.GroupQueue.empty());

  settings.DataSetCount = 500000;
  settings.GroupRandom = true;
  window.realRandom = true;
  SlideshowDriver shuffled{window, settings};
  shuffled.BuildGroupQueue();
  std::vector<int32_t> sorted = shuffled.GroupQueue;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_EQ(sorted.size(), 500000u);
  for (int32_t i = 0; i < 500000; ++i) ASSERT_EQ(sorted[static_cast<size_t>(i)], i);
  EXPECT_NE(shuffled.GroupQueue, sorted);
  EXPECT_EQ(window.currentGroup, shuffled.GroupQueue.front());
}

}  // namespace
}  // namespace lumora
