#include "config/dialog_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/memory_registry.h"
#include "app/settings.h"

namespace lumora {
namespace {

std::unique_ptr<MemoryRegistry> WithValues(const std::string& body) {
  auto registry = std::make_unique<MemoryRegistry>();
  registry->LoadRegFile("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora]\n" +
                        body);
  return registry;
}

const std::vector<std::string> kSavers = {"", "C:\\Windows\\System32\\Other.scr", "C:\\Windows\\Lumora.scr"};

TEST(DialogSettings, BlocksEndAtTheFirstUnreadableValueAndOthersFallBackOneByOne) {
  // Block A stops at the mistyped "Scroll": its later values keep the
  // initial states, the values after the block are read on.
  auto registry = WithValues(
      "\"Draw Posision\"=dword:00000003\n\"Scroll\"=\"yes\"\n\"Screen Clear\"=dword:1\n"
      "\"Random Sort\"=dword:0\n\"Rotate\"=dword:1\n"
      // Block B stops at the missing "MediaPlayer".
      "\"Draw Wait\"=dword:0000000c\n\"End Option\"=dword:1\n\"Volume\"=dword:ffffffff\n"
      "\"isNewFolderAdd\"=dword:1\n");
  DialogSettings s;
  LoadDialogSettings(*registry, s, kSavers);
  EXPECT_EQ(s.DrawPosision, 3);
  EXPECT_EQ(s.GraphicsSize, 2);  // missing: ended the block, kept
  EXPECT_TRUE(s.Scroll);
  EXPECT_FALSE(s.ScreenClear);
  EXPECT_TRUE(s.RandomSort);
  EXPECT_EQ(s.PointCastIndex, -1);
  EXPECT_TRUE(s.Rotate);
  EXPECT_EQ(s.BackColor, kDesktopColour);  // missing under an existing key
  EXPECT_EQ(s.DrawWait, "12");
  EXPECT_EQ(s.EndOption, 2);
  EXPECT_EQ(s.Volume, 127);
  EXPECT_EQ(s.ActivePage, 3);  // no "ActivePage": the version page
  // "isNewFolderAdd2" missing unchecks both.
  EXPECT_FALSE(s.IsNewFolderAdd);
  EXPECT_FALSE(s.IsNewFolderAdd2);
  EXPECT_TRUE(s.DispAllDataSet);

  // A whole block B; a negative "Volume" shows 20; "Point Cast" matches
  // the list ignoring case, a missing one selects "なし".
  registry = WithValues(
      "\"Draw Wait\"=dword:7\n\"MediaPlayer\"=dword:1\n\"End Option\"=dword:0\n\"Volume\"=dword:ffffffff\n"
      "\"Change Volume\"=dword:1\n\"Point Cast\"=\"c:\\\\windows\\\\LUMORA.SCR\"\n\"Draw Posision\"=dword:0\n"
      "\"Graphics Size\"=dword:0\n\"Scroll\"=dword:0\n\"Screen Clear\"=dword:0\n");
  s = {};
  LoadDialogSettings(*registry, s, kSavers);
  EXPECT_EQ(s.Volume, 20);
  EXPECT_TRUE(s.ChangeVolume);
  EXPECT_EQ(s.DrawWait, "7");
  EXPECT_EQ(s.PointCastIndex, 2);
  registry = WithValues("\"Draw Posision\"=dword:0\n\"Graphics Size\"=dword:0\n\"Scroll\"=dword:0\n"
                        "\"Screen Clear\"=dword:0\n");
  s = {};
  LoadDialogSettings(*registry, s, kSavers);
  EXPECT_EQ(s.PointCastIndex, 0);

  // No key at all: the initial states, both sub-folder options on.
  MemoryRegistry empty;
  s = {};
  LoadDialogSettings(empty, s, kSavers);
  EXPECT_EQ(s.ActivePage, 2);
  EXPECT_EQ(s.BackColor, kButtonFaceColour);
  EXPECT_TRUE(s.IsNewFolderAdd && s.IsNewFolderAdd2);
}

TEST(DialogSettings, WaitingTimeIsStoredFromItsFirstTwoCharacters) {
  EXPECT_EQ(DrawWaitToStore("120"), 12);
  EXPECT_EQ(DrawWaitToStore("-5"), -5);
  EXPECT_EQ(DrawWaitToStore("  7 "), 7);
  for (const char* bad : {"", "ab", "1a", "-", " - 5"}) EXPECT_THROW(DrawWaitToStore(bad), EConvertError) << bad;
}

TEST(DialogSettings, WhatTheDialogSavesTheSaverReadsBack) {
  MemoryRegistry registry;
  DialogSettings s;
  s.DrawPosision = 3;
  s.GraphicsSize = 0;
  s.ScreenClear = true;
  s.PointCastIndex = 1;
  s.RandomSort = false;
  s.Rotate = true;
  s.Capture = false;
  s.DispFileName = true;
  s.BackColor = 0x00336699;
  s.DrawWait = "120";
  s.MediaPlayer = true;
  s.EndOption = 3;
  s.ChangeVolume = true;
  s.Volume = 300;
  s.LogFile = "C:\\log\\表示.txt";
  s.GroupRandom = true;
  s.SmoothZoom = true;
  s.Brightness = true;
  s.DrawColor = 2;
  s.IsNewFolderAdd = false;
  s.SoundFolders = {"C:\\music\\", "D:\\歌\\"};
  // The older list goes with the first save.
  registry.Open(std::string(kSettingsKey) + "\\Folders", true)->Put("0000", RegValue::Text("C:\\old\\"));
  SaveDialogSettings(registry, s, kSavers, "C:\\Program\\");
  SaveDataSetFolders(registry, 0, 1, {"C:\\pictures\\"});

  SaverSettings read;
  std::vector<std::string> pictures, sounds;
  SavedVolumes saved;
  ReadSettings(registry, read, pictures, sounds, saved, {});
  EXPECT_EQ(read.DrawPosision, 3);
  EXPECT_EQ(read.GraphicsSize, 0);
  EXPECT_TRUE(read.ScreenClear);
  EXPECT_EQ(read.PointCast, kSavers[1]);
  EXPECT_FALSE(read.RandomSort);
  EXPECT_TRUE(read.Rotate);
  EXPECT_FALSE(read.Capture);
  EXPECT_TRUE(read.DispFileName);
  EXPECT_EQ(read.BackColor, 0x00336699u);
  EXPECT_EQ(read.DrawWait, 12);
  EXPECT_TRUE(read.MediaPlayer);
  EXPECT_EQ(read.EndOption, 3);
  EXPECT_TRUE(read.ChangeVolume);
  EXPECT_EQ(read.LogFile, s.LogFile);
  EXPECT_TRUE(read.GroupRandom && read.SmoothZoom && read.Brightness);
  EXPECT_EQ(read.DrawColor, 2);
  EXPECT_EQ(read.DataSetCount, 1);
  EXPECT_TRUE(pictures.empty());  // groups now; "Folders" is gone
  EXPECT_FALSE(registry.HasKey(std::string(kSettingsKey) + "\\Folders"));
  EXPECT_EQ(sounds, s.SoundFolders);
  std::vector<std::string> group;
  LoadGroupFolders(registry, 0, group, {});
  EXPECT_EQ(group, (std::vector<std::string>{"C:\\pictures\\"}));

  // The dialog reads its own save back as it was.
  DialogSettings again;
  LoadDialogSettings(registry, again, kSavers);
  EXPECT_EQ(again.DrawWait, "12");
  EXPECT_EQ(again.PointCastIndex, 1);
  EXPECT_EQ(again.Volume, 300);
  EXPECT_EQ(again.ActivePage, 2);

  // Nothing selected in the saver list: the stored path stays.
  again.PointCastIndex = -1;
  SaveDialogSettings(registry, again, kSavers, "C:\\Program\\");
  EXPECT_EQ(ReadText(*registry.Open(kSettingsKey, false), "Point Cast"), kSavers[1]);

  // A waiting time that is no number writes nothing at all.
  MemoryRegistry untouched;
  s.DrawWait = "x5";
  EXPECT_THROW(SaveDialogSettings(untouched, s, kSavers, ""), EConvertError);
  EXPECT_FALSE(untouched.HasKey(kSettingsKey));
}

TEST(DialogSettings, GroupsAreStoredWholeAndAnEmptyGroupLeavesTheListAlone) {
  MemoryRegistry registry;
  SaveDataSetFolders(registry, 2, 3, {"A\\", "", "B\\"});
  SaveDataSetFolders(registry, 2, 3, {"C\\"});  // replaces, no stale entries
  SaveDataSetFolders(registry, 1, 3, {});
  std::vector<std::string> list = {"kept\\"};
  LoadDataSetFolders(registry, 1, list);
  EXPECT_EQ(list, (std::vector<std::string>{"kept\\"}));
  LoadDataSetFolders(registry, 2, list);
  EXPECT_EQ(list, (std::vector<std::string>{"C\\"}));
  SaveDataSetFolders(registry, 0, 3, {"A\\", "", "B\\"});
  LoadDataSetFolders(registry, 0, list);
  EXPECT_EQ(list, (std::vector<std::string>{"A\\", "", "B\\"}));  // blanks too
  const auto root = registry.Open(kSettingsKey, false);
  EXPECT_EQ(ReadInteger(*root, "DataSetNo"), 0);
  EXPECT_EQ(ReadInteger(*root, "DataSetCount"), 3);
}

TEST(DialogSettings, RotationWinsOverZoomAndDarkeningOverClearing) {
  OptionStates o{true, true, true, true, 2};
  UpdateOptionStates(o);
  EXPECT_TRUE(o.Rotate);
  EXPECT_FALSE(o.Zoom);
  EXPECT_FALSE(o.ZoomEnabled);
  EXPECT_TRUE(o.RotateEnabled);
  EXPECT_TRUE(o.Brightness);
  EXPECT_FALSE(o.ScreenClear);
  EXPECT_FALSE(o.ClearEnabled);
  EXPECT_TRUE(o.BrightnessEnabled);
  EXPECT_FALSE(o.SizeEnabled);
  o = {false, true, true, false, 1};
  UpdateOptionStates(o);
  EXPECT_FALSE(o.RotateEnabled);
  EXPECT_FALSE(o.BrightnessEnabled);
  EXPECT_TRUE(o.SizeEnabled);
}

TEST(DialogSettings, SubfoldersAreAddedDepthFirstOnceIgnoringCase) {
  const std::map<std::string, std::vector<std::string>> tree = {
      {"R\\", {"a", "b"}}, {"R\\a\\", {"x", "y"}}, {"R\\a\\x\\", {"deep"}}, {"R\\b\\", {"z"}}};
  auto subfolders = [&](const std::string& folder) {
    const auto found = tree.find(folder);
    return found == tree.end() ? std::vector<std::string>() : found->second;
  };
  std::vector<std::string> list = {"R\\", "r\\A\\X\\"};
  int yields = 0;
  AddSubfolders(list, "R\\", subfolders, [&] { ++yields; }, {});
  EXPECT_EQ(list, (std::vector<std::string>{"R\\", "r\\A\\X\\", "R\\a\\", "R\\a\\x\\deep\\", "R\\a\\y\\", "R\\b\\",
                                            "R\\b\\z\\"}));
  EXPECT_EQ(yields, 6);
  // Stopping ends the scan at once.
  list = {};
  AddSubfolders(list, "R\\", subfolders, {}, [&] { return list.size() >= 2; });
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(FolderOfFile("C:\\a\\b.jpg"), "C:\\a\\");
  EXPECT_EQ(WithBackslash("C:\\a"), "C:\\a\\");
}

}  // namespace
}  // namespace lumora
