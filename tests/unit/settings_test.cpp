#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/memory_registry.h"
#include "app/settings.h"

namespace lumora {
namespace {

// Records what the reader asks of the volume component.
class RecordedVolume : public VolumeLevels {
 public:
  int GetVolume(int channel) override { return channel == 1 ? 100 : 200; }
  void SetVolume(int channel, int level) override { sets.push_back({channel, level}); }
  std::vector<std::pair<int, int>> sets;
};

struct Reading {
  SaverSettings settings;
  std::vector<std::string> pictures, sounds;
  SavedVolumes saved;
  RecordedVolume volume;
};

std::string Values(const std::string& body) {
  return "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora]\n" + body;
}

// Every value the saver reads, stored as the dialog stores them.
const std::string kComplete = Values(R"("Draw Posision"=dword:00000002
"Graphics Size"=dword:00000003
"Scroll"=dword:00000000
"Screen Clear"=dword:00000001
"Point Cast"="C:\\Windows\\ssstars.scr"
"Random Sort"=dword:00000000
"Random Sort S"=dword:00000000
"Rotate"=dword:00000001
"Capture"=dword:00000000
"DispFileName"=dword:00000001
"BackColor"=dword:00112233
"isNewFolderAdd"=dword:00000001
"isNewFolderAdd2"=dword:00000001
"Draw Wait"=dword:0000000a
"MediaPlayer"=dword:00000001
"End Option"=dword:00000002
"Change Volume"=dword:00000000
"Volume"=dword:0000007f
"LogFile"="C:\\logs\\lumora.log"
"DataSetCount"=dword:00000003
"DataSetNo"=dword:00000001
"DispAllDataSet"=dword:00000000
"GroupCountup"=dword:00000001
"GroupRandom"=dword:00000001
"SmoothZoom"=dword:00000001
"Zoom"=dword:00000001
"Brightness"=dword:00000001
"Draw Color"=dword:00000002
)");

void Read(MemoryRegistry& reg, Reading& r) {
  SettingsHooks hooks;
  hooks.volume = &r.volume;
  ReadSettings(reg, r.settings, r.pictures, r.sounds, r.saved, hooks);
}

MemoryRegistry FromText(const std::string& text) {
  MemoryRegistry reg;
  reg.LoadRegFile(text);
  return reg;
}

TEST(ReadSettings, FreshUserKeepsTheSaverDefaults) {
  MemoryRegistry reg;
  Reading r;
  Read(reg, r);
  EXPECT_EQ(r.settings.DrawWait, 5);
  EXPECT_EQ(r.settings.EndOption, 0);
  EXPECT_EQ(r.settings.DrawPosision, 1);
  EXPECT_EQ(r.settings.GraphicsSize, 2);
  EXPECT_EQ(r.settings.PointCast, "なし");
  EXPECT_TRUE(r.settings.Capture);
  EXPECT_EQ(r.settings.BackColor, 0x80000001u);
  EXPECT_FALSE(r.settings.DispAllDataSet);
  EXPECT_FALSE(r.settings.DisplayPlayer);
  EXPECT_TRUE(r.pictures.empty());
  EXPECT_TRUE(r.sounds.empty());
  EXPECT_TRUE(r.volume.sets.empty());
}

TEST(ReadSettings, EveryStoredValueArrives) {
  MemoryRegistry reg = FromText(kComplete);
  Reading r;
  Read(reg, r);
  const SaverSettings& s = r.settings;
  EXPECT_EQ(s.DrawPosision, 2);
  EXPECT_EQ(s.GraphicsSize, 3);
  EXPECT_FALSE(s.Scroll);
  EXPECT_TRUE(s.ScreenClear);
  EXPECT_EQ(s.PointCast, "C:\\Windows\\ssstars.scr");
  EXPECT_FALSE(s.RandomSort);
  EXPECT_FALSE(s.RandomSortS);
  EXPECT_TRUE(s.Rotate);
  EXPECT_FALSE(s.Capture);
  EXPECT_TRUE(s.DispFileName);
  EXPECT_EQ(s.BackColor, 0x00112233u);
  EXPECT_TRUE(s.IsNewFolderAdd);
  EXPECT_TRUE(s.IsNewFolderAdd2);
  EXPECT_EQ(s.DrawWait, 10);
  EXPECT_TRUE(s.MediaPlayer);
  EXPECT_EQ(s.EndOption, 2);
  EXPECT_FALSE(s.ChangeVolume);
  EXPECT_TRUE(s.DisplayPlayer);
  EXPECT_EQ(s.LogFile, "C:\\logs\\lumora.log");
  EXPECT_EQ(s.DataSetCount, 3);
  EXPECT_EQ(s.DataSetNo, 1);
  EXPECT_FALSE(s.DispAllDataSet);
  EXPECT_TRUE(s.GroupCountup);
  EXPECT_TRUE(s.GroupRandom);
  EXPECT_TRUE(s.SmoothZoom);
  EXPECT_TRUE(s.Zoom);
  EXPECT_TRUE(s.Brightness);
  EXPECT_EQ(s.DrawColor, 2);
  // The levels are recorded whether or not the volume changes.
  EXPECT_EQ(r.saved.SavedVolume1, 100);
  EXPECT_EQ(r.saved.SavedVolume2, 200);
  EXPECT_TRUE(r.volume.sets.empty());
}

TEST(ReadSettings, DrawWaitIsClampedToOneToFiftyNine) {
  for (auto [stored, expected] : {std::pair{0, 1}, {75, 59}, {1, 1}, {59, 59}, {-3, 1}}) {
    MemoryRegistry reg = FromText(Values("\"Draw Wait\"=dword:" + [](int v) {
      char b[16];
      std::snprintf(b, sizeof b, "%08x", static_cast<unsigned>(v));
      return std::string(b);
    }(stored) + "\n\"MediaPlayer\"=dword:0\n\"End Option\"=dword:0\n"));
    Reading r;
    Read(reg, r);
    EXPECT_EQ(r.settings.DrawWait, expected) << stored;
  }
}

TEST(ReadSettings, AMistypedDrawWaitEndsTheReadingOfValues) {
  std::string text = kComplete;
  text.replace(text.find("\"Draw Wait\"=dword:0000000a"), 26, "\"Draw Wait\"=\"10\"");
  text += "[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders2]\n\"0000\"=\"D:\\\\Music\"\n";
  MemoryRegistry reg = FromText(text);
  Reading r;
  Read(reg, r);
  EXPECT_TRUE(r.settings.Rotate);  // read before the failure
  EXPECT_EQ(r.settings.DrawWait, 5);
  EXPECT_FALSE(r.settings.MediaPlayer);
  EXPECT_EQ(r.settings.EndOption, 0);
  EXPECT_FALSE(r.settings.DisplayPlayer);
  EXPECT_FALSE(r.settings.DispAllDataSet);
  EXPECT_TRUE(r.settings.LogFile.empty());
  EXPECT_EQ(r.settings.DataSetCount, 0);
  EXPECT_EQ(r.saved.SavedVolume1, 0);  // no volume recorded
  // The folder lists are still read.
  EXPECT_EQ(r.sounds, std::vector<std::string>{"D:\\Music"});
}

TEST(ReadSettings, TheFirstFailureEndsTheFirstRun) {
  MemoryRegistry reg = FromText(Values(R"("Draw Posision"=dword:00000000
"Graphics Size"=dword:00000001
"Scroll"="yes"
"Screen Clear"=dword:00000001
"Point Cast"="C:\\x.scr"
"Random Sort"=dword:00000000
"Rotate"=hex:01
"Capture"=dword:00000100
)"));
  Reading r;
  Read(reg, r);
  EXPECT_EQ(r.settings.DrawPosision, 0);
  EXPECT_EQ(r.settings.GraphicsSize, 1);
  EXPECT_TRUE(r.settings.Scroll);        // mistyped: default
  EXPECT_FALSE(r.settings.ScreenClear);  // after the failure: default
  EXPECT_EQ(r.settings.PointCast, "なし");
  EXPECT_TRUE(r.settings.RandomSort);
  EXPECT_FALSE(r.settings.Rotate);   // binary value: its own default
  EXPECT_FALSE(r.settings.Capture);  // 256: the low 8 bits are 0
}

TEST(ReadSettings, AnAbsentPointCastIsEmpty) {
  MemoryRegistry reg = FromText(Values(R"("Draw Posision"=dword:00000000
"Graphics Size"=dword:00000001
"Scroll"=dword:00000001
"Screen Clear"=dword:00000001
"Random Sort"=dword:00000000
"Random Sort S"=dword:00000000
)"));
  Reading r;
  Read(reg, r);
  EXPECT_EQ(r.settings.PointCast, "");
  EXPECT_FALSE(r.settings.RandomSortS);
}

TEST(ReadSettings, ChangeVolumeSetsTheLowEightBitsOnBothChannels) {
  std::string text = kComplete;
  text.replace(text.find("\"Change Volume\"=dword:00000000"), 30, "\"Change Volume\"=dword:00000001");
  text.replace(text.find("\"Volume\"=dword:0000007f"), 23, "\"Volume\"=dword:0000012c");  // 300
  MemoryRegistry reg = FromText(text);
  Reading r;
  Read(reg, r);
  EXPECT_TRUE(r.settings.ChangeVolume);
  EXPECT_EQ(r.volume.sets, (std::vector<std::pair<int, int>>{{1, 44}, {2, 44}}));
}

TEST(FolderLists, StopAtTheFirstGap) {
  MemoryRegistry reg = FromText(Values("") + R"([HKEY_CURRENT_USER\Software\Orvane\Lumora\Folders]
"0000"="C:\\Pictures"
"0001"="D:\\写真 2024"
"0003"="E:\\Never read"
)");
  Reading r;
  Read(reg, r);
  EXPECT_EQ(r.pictures, (std::vector<std::string>{"C:\\Pictures", "D:\\写真 2024"}));
}

TEST(FolderLists, BlankOrMistypedEntriesEndTheList) {
  MemoryRegistry reg = FromText(Values("") + R"([HKEY_CURRENT_USER\Software\Orvane\Lumora\Folders]
"0000"=" C:\\Padded "
"0001"="   "
"0002"="C:\\After blank"
[HKEY_CURRENT_USER\Software\Orvane\Lumora\Folders2]
"0000"="C:\\Music"
"0001"=dword:00000001
"0002"="C:\\After error"
)");
  Reading r;
  Read(reg, r);
  EXPECT_EQ(r.pictures, std::vector<std::string>{" C:\\Padded "});  // kept untrimmed
  EXPECT_EQ(r.sounds, std::vector<std::string>{"C:\\Music"});
}

TEST(FolderLists, GroupsReplaceTheOlderList) {
  MemoryRegistry reg = FromText(Values("\"Draw Wait\"=dword:5\n\"MediaPlayer\"=dword:0\n\"End Option\"=dword:0\n"
                                       "\"DataSetCount\"=dword:2\n") +
                                R"([HKEY_CURRENT_USER\Software\Orvane\Lumora\Folders]
"0000"="C:\\Old list"
[HKEY_CURRENT_USER\Software\Orvane\Lumora\DataSet1]
"count"=dword:00000004
"0000"="C:\\Group two"
"0001"=""
"0002"=dword:00000007
"0003"="C:\\Group two b"
)");
  Reading r;
  Read(reg, r);
  EXPECT_TRUE(r.pictures.empty());  // "Folders" is ignored while there are groups

  SettingsHooks hooks;
  LoadGroupFolders(reg, 1, r.pictures, hooks);
  // Blank and unreadable entries are skipped; the rest of the group is read.
  EXPECT_EQ(r.pictures, (std::vector<std::string>{"C:\\Group two", "C:\\Group two b"}));
  LoadGroupFolders(reg, 7, r.pictures, hooks);  // no such group: unchanged
  EXPECT_EQ(r.pictures.size(), 2u);
}

TEST(FolderLists, ClosingStopsTheReading) {
  MemoryRegistry reg = FromText(Values("") + R"([HKEY_CURRENT_USER\Software\Orvane\Lumora\Folders2]
"0000"="A"
"0001"="B"
"0002"="C"
)");
  std::vector<std::string> list;
  bool closing = false;
  SettingsHooks hooks;
  hooks.closing = [&] { return closing; };
  hooks.yield = [&] { closing = list.size() == 2; };  // the user ends the saver meanwhile
  ReadFolderList(reg, "Folders2", list, hooks);
  EXPECT_EQ(list, (std::vector<std::string>{"A", "B"}));
}

TEST(GroupCountUp, WrapsAndStoresOnlyWhenAsked) {
  for (bool countUp : {true, false}) {
    MemoryRegistry reg = FromText(Values("\"DataSetNo\"=dword:00000002\n"));
    SaverSettings s;
    s.DataSetCount = 3;
    s.DataSetNo = 2;
    s.GroupCountup = countUp;
    SaveGroupCountUp(reg, s);
    EXPECT_EQ(s.DataSetNo, 0);
    const auto key = reg.Open(kSettingsKey, false);
    EXPECT_EQ(ReadInteger(*key, "DataSetNo"), countUp ? 0 : 2) << countUp;
  }
  MemoryRegistry empty;
  SaverSettings s;
  s.DataSetCount = 3;
  s.DataSetNo = 0;
  s.GroupCountup = true;
  SaveGroupCountUp(empty, s);  // creates the key when missing
  EXPECT_EQ(ReadInteger(*empty.Open(kSettingsKey, false), "DataSetNo"), 1);
}

}  // namespace
}  // namespace lumora
