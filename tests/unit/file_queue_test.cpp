#include "saver/file_queue.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(ScanRules, IconsAreLeftOutAndFoldersCompareWithoutCase) {
  EXPECT_TRUE(IsQueuedFile("a.jpg"));
  EXPECT_TRUE(IsQueuedFile("Thumbs.db"));
  EXPECT_TRUE(IsQueuedFile("README"));
  EXPECT_TRUE(IsQueuedFile("icon.ico.png"));
  EXPECT_FALSE(IsQueuedFile("b.ICO"));
  EXPECT_FALSE(IsQueuedFile("c.ico"));
  EXPECT_FALSE(IsQueuedFile("夏.Ico"));

  EXPECT_EQ(WithDelimiter("C:\\写真"), "C:\\写真\\");
  EXPECT_EQ(WithDelimiter("C:\\写真\\"), "C:\\写真\\");
  const std::vector<std::string> folders = {"C:\\Pictures\\", "D:\\写真\\夏\\"};
  EXPECT_TRUE(ContainsFolder(folders, "c:\\PICTURES\\"));
  EXPECT_TRUE(ContainsFolder(folders, "d:\\写真\\夏\\"));
  EXPECT_FALSE(ContainsFolder(folders, "C:\\Pictures"));  // whole texts compare
}

TEST(TakeNext, PicturesWaitOnceForTheScannerThenComeInOrderOrAtRandom) {
  std::vector<std::string> files;
  int waits = 0;
  const auto none = [](uint32_t) -> uint32_t { return 0; };
  // An empty queue with the scanner already suspended: one wait, then nothing.
  EXPECT_EQ(TakeNextPicture(files, false, none, [] { return true; }, [&] { ++waits; }), "");
  EXPECT_EQ(waits, 1);

  // Files arrive while waiting: the first one listed comes out.
  waits = 0;
  EXPECT_EQ(TakeNextPicture(files, false, none, [] { return false; },
                            [&] {
                              if (++waits == 3) files = {"a", "b", "c"};
                            }),
            "a");
  EXPECT_EQ(waits, 3);
  EXPECT_EQ(TakeNextPicture(files, true, [](uint32_t bound) { return bound - 1; }, [] { return false; }, [] {}), "c");
  EXPECT_EQ(files, (std::vector<std::string>{"b"}));
}

TEST(TakeNext, SoundsWaitUntilTheirPassIsDone) {
  std::vector<std::string> files;
  int sleeps = 0;
  const auto none = [](uint32_t) -> uint32_t { return 0; };
  EXPECT_EQ(TakeNextSound(files, false, none, [&] { return sleeps >= 4; }, [&] { ++sleeps; }), "");
  EXPECT_EQ(sleeps, 4);
  files = {"x.mp3", "y.mid"};
  EXPECT_EQ(TakeNextSound(files, true, [](uint32_t bound) { return bound - 1; }, [] { return false; }, [] {}),
            "y.mid");
}

}  // namespace
}  // namespace lumora
