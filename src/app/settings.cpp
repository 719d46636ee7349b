#include "app/settings.h"

#include <algorithm>

#include "app/text.h"

namespace lumora {
namespace {

std::string SubKey(const std::string& name) { return std::string(kSettingsKey) + "\\" + name; }

bool IsClosing(const SettingsHooks& hooks) { return hooks.closing && hooks.closing(); }

void Yield(const SettingsHooks& hooks) {
  if (hooks.yield) hooks.yield();
}

}  // namespace

int VolumeLevelFromSetting(int32_t stored) { return static_cast<int>(static_cast<uint32_t>(stored) & 0xFFu); }

void ReadSettings(Registry& registry, SaverSettings& s, std::vector<std::string>& pictureFolders,
                  std::vector<std::string>& soundFolders, SavedVolumes& saved, const SettingsHooks& hooks) {
  if (const std::unique_ptr<RegistryKey> key = registry.Open(kSettingsKey, false)) {
    const RegistryKey& k = *key;

    // One run: the first failure leaves it and the rest of the run at their defaults.
    ReadRun([&] {
      s.DrawPosision = ReadInteger(k, "Draw Posision");
      s.GraphicsSize = ReadInteger(k, "Graphics Size");
      s.Scroll = ReadSwitch(k, "Scroll");
      s.ScreenClear = ReadSwitch(k, "Screen Clear");
      s.PointCast = ReadText(k, "Point Cast");
      s.RandomSort = ReadSwitch(k, "Random Sort");
      s.RandomSortS = ReadSwitch(k, "Random Sort S");
    });


    s.Rotate = ReadSwitchOr(k, "Rotate", false);
    s.Capture = ReadSwitchOr(k, "Capture", true);
    s.DispFileName = ReadSwitchOr(k, "DispFileName", false);
    s.BackColor = static_cast<uint32_t>(ReadIntegerOr(k, "BackColor", static_cast<int32_t>(kDesktopColour)));
    s.IsNewFolderAdd = ReadSwitchOr(k, "isNewFolderAdd", false);
    s.IsNewFolderAdd2 = ReadSwitchOr(k, "isNewFolderAdd2", false);

    // From here on a missing or mistyped "Draw Wait", "MediaPlayer" or
    // "End Option" ends the reading of values: every later field keeps the
    // value it had, and no volume is recorded or changed.
    ReadRun([&] {
      s.DrawWait = std::clamp(ReadInteger(k, "Draw Wait"), 1, 59);
      s.MediaPlayer = ReadSwitch(k, "MediaPlayer");
      s.EndOption = ReadInteger(k, "End Option");

      if (hooks.volume) {
        saved.SavedVolume1 = hooks.volume->GetVolume(1);
        saved.SavedVolume2 = hooks.volume->GetVolume(2);
      }
      s.ChangeVolume = ReadSwitchOr(k, "Change Volume", false);
      if (s.ChangeVolume) {
        ReadRun([&] {
          const int level = VolumeLevelFromSetting(ReadInteger(k, "Volume"));
          if (hooks.volume) {
            for (int channel : {1, 2}) {
              try {
                hooks.volume->SetVolume(channel, level);
              } catch (...) {
                // A device that refuses the level leaves it as it was.
              }
            }
          }
        });
      }
      s.DisplayPlayer = true;
      s.LogFile = ReadTextOr(k, "LogFile", "");
      s.DataSetCount = ReadIntegerOr(k, "DataSetCount", 0);
      s.DataSetNo = ReadIntegerOr(k, "DataSetNo", 0);
      s.DispAllDataSet = ReadSwitchOr(k, "DispAllDataSet", true);
      s.GroupCountup = ReadSwitchOr(k, "GroupCountup", false);
      s.GroupRandom = ReadSwitchOr(k, "GroupRandom", false);
      s.SmoothZoom = ReadSwitchOr(k, "SmoothZoom", false);
      s.Zoom = ReadSwitchOr(k, "Zoom", false);
      s.Brightness = ReadSwitchOr(k, "Brightness", false);
      s.DrawColor = ReadIntegerOr(k, "Draw Color", 0);
    });
  }

  if (s.DataSetCount == 0) ReadFolderList(registry, "Folders", pictureFolders, hooks);
  ReadFolderList(registry, "Folders2", soundFolders, hooks);
}

void ReadFolderList(Registry& registry, const std::string& subKey, std::vector<std::string>& list,
                    const SettingsHooks& hooks) {
  const std::unique_ptr<RegistryKey> key = registry.Open(SubKey(subKey), false);
  if (!key) return;
  try {
    for (int i = 0; i < kMaxListEntries && !IsClosing(hooks); ++i) {
      std::string folder = ReadText(*key, ListEntryName(i));
      if (IsBlank(folder)) break;
      list.push_back(std::move(folder));
      Yield(hooks);
    }
  } catch (const RegistryError&) {
    // An unreadable entry ends the list.
  }
}

void LoadGroupFolders(Registry& registry, int group, std::vector<std::string>& pictureFolders,
                      const SettingsHooks& hooks) {
  const std::unique_ptr<RegistryKey> key = registry.Open(SubKey("DataSet" + std::to_string(group)), false);
  if (!key) return;
  pictureFolders.clear();
  int32_t count = 0;
  try {
    count = ReadInteger(*key, "count");
  } catch (const RegistryError&) {
    count = 0;
  }
  // A damaged "count" must not keep the start busy for billions of entries.
  count = std::min(count, int32_t{kMaxListEntries});
  for (int32_t i = 0; i < count && !IsClosing(hooks); ++i) {
    try {
      std::string folder = ReadText(*key, ListEntryName(i));
      if (!IsBlank(folder)) pictureFolders.push_back(std::move(folder));
    } catch (const RegistryError&) {
      // A single unreadable entry is skipped.
    }
    Yield(hooks);
  }
}

void SaveGroupCountUp(Registry& registry, SaverSettings& settings) {
  const std::unique_ptr<RegistryKey> key = registry.Open(kSettingsKey, true);
  settings.DataSetNo += 1;
  if (settings.DataSetNo >= settings.DataSetCount) settings.DataSetNo = 0;
  if (settings.GroupCountup && key) WriteInteger(*key, "DataSetNo", settings.DataSetNo);
}

}  // namespace lumora
