// The stored settings as the saver reads them, and the two writes the saver
// makes. Value names are the stored ones, misspellings included; the
// configuration dialog and existing users' registries rely on them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/registry.h"

namespace lumora {

// HKEY_CURRENT_USER path of the product's settings.
inline constexpr const char* kSettingsKey = "\\Software\\Orvane\\Lumora";
// Highest number of entries read from "Folders" and "Folders2".
inline constexpr int kMaxListEntries = 10000;
// System colour "desktop background" (top bit set: a system colour index).
inline constexpr uint32_t kDesktopColour = 0x80000001u;
// "Point Cast" when its value cannot be read: names no file, so no hand-over.
inline constexpr const char* kNoSaver = "なし";

struct SaverSettings {
  int32_t DrawPosision = 1;  // 0 centre, 1 random, 2 tile small, 3 tile large
  int32_t GraphicsSize = 2;  // 0 full, 1 fit (no enlarging), 2 random, 3 fit
  bool Scroll = true;
  bool ScreenClear = false;
  std::string PointCast = kNoSaver;
  bool RandomSort = true;
  bool RandomSortS = true;
  bool Rotate = false;
  // A missing settings key keeps the saver defaults, so a new user's saver
  // starts over the desktop.
  bool Capture = true;
  bool DispFileName = false;
  uint32_t BackColor = kDesktopColour;
  bool IsNewFolderAdd = false;
  bool IsNewFolderAdd2 = false;
  int32_t DrawWait = 5;  // seconds, 1…59 after reading
  bool MediaPlayer = false;
  int32_t EndOption = 0;  // 0 all shown, 1 all played, 2 never, 3 hand over at once
  bool ChangeVolume = false;
  bool DisplayPlayer = false;  // on once the reading of values got that far
  std::string LogFile;
  int32_t DataSetCount = 0;
  int32_t DataSetNo = 0;
  bool DispAllDataSet = false;  // "on" when its reading fails; off when never read
  bool GroupCountup = false;
  bool GroupRandom = false;
  bool SmoothZoom = false;
  bool Zoom = false;
  bool Brightness = false;
  int32_t DrawColor = 0;  // 0 colour, 1 black and white, 2 sepia
};

// The volume component's view used while reading the settings: levels 0…255
// of channel 1 (wave) and channel 2 (MIDI). Failures are the component's to
// report by exception; the reader ignores them where the rules say so.
class VolumeLevels {
 public:
  virtual ~VolumeLevels() = default;
  virtual int GetVolume(int channel) = 0;
  virtual void SetVolume(int channel, int level) = 0;
};

struct SavedVolumes {
  int SavedVolume1 = 0;
  int SavedVolume2 = 0;
};

// What the saver window lends the reader: its volume component (absent
// until it exists), its Closing flag and its message pump.
struct SettingsHooks {
  VolumeLevels* volume = nullptr;
  std::function<bool()> closing;
  std::function<void()> yield;
};

// The level "Volume" sets: its low 8 bits.
int VolumeLevelFromSetting(int32_t stored);

// Fills settings from the registry, the picture folders from "Folders" when
// there are no groups, and the sound folders from "Folders2"; records the
// volume levels and sets the stored one when "Change Volume" is on. The
// caller passes settings holding the saver's own defaults.
void ReadSettings(Registry& registry, SaverSettings& settings, std::vector<std::string>& pictureFolders,
                  std::vector<std::string>& soundFolders, SavedVolumes& saved, const SettingsHooks& hooks);

// Reads a folder list ("Folders", "Folders2") as the saver does: entries
// "0000" on, up to the first blank, missing or unreadable one.
void ReadFolderList(Registry& registry, const std::string& subKey, std::vector<std::string>& list,
                    const SettingsHooks& hooks);

// Replaces the picture folders with those of group n ("DataSet" n); leaves
// them unchanged when the group does not exist.
void LoadGroupFolders(Registry& registry, int group, std::vector<std::string>& pictureFolders,
                      const SettingsHooks& hooks);

// Moves the in-memory "DataSetNo" one group on (wrapping to 0) and stores it
// when "GroupCountup" is on.
void SaveGroupCountUp(Registry& registry, SaverSettings& settings);

}  // namespace lumora
