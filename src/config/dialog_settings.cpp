#include "config/dialog_settings.h"

#include <algorithm>
#include <cctype>

#include "app/settings.h"
#include "app/text.h"

namespace lumora {
namespace {

std::string SubKey(const std::string& name) { return std::string(kSettingsKey) + "\\" + name; }

// Reads a list ("Folders", "Folders2") as the saver does, up to the first
// missing, blank or unreadable entry, until `stop` says so.
void ReadList(Registry& registry, const std::string& name, std::vector<std::string>& list,
              const std::function<bool()>& stop) {
  SettingsHooks hooks;
  hooks.closing = stop;
  ReadFolderList(registry, name, list, hooks);
}

void WriteList(RegistryKey& key, const std::vector<std::string>& list) {
  for (size_t i = 0; i < list.size(); ++i) WriteText(key, ListEntryName(static_cast<int>(i)), list[i]);
}

bool SamePath(const std::string& a, const std::string& b) { return AsciiUpper(a) == AsciiUpper(b); }

}  // namespace

int32_t VolumeShown(int32_t stored) { return stored < 0 ? 20 : stored; }

int32_t DrawWaitToStore(const std::string& text) {
  const std::string_view trimmed = Trim(text);
  const std::string head(trimmed.substr(0, std::min<size_t>(2, trimmed.size())));
  size_t digits = 0;
  if (!head.empty() && (head[0] == '-' || head[0] == '+')) digits = 1;
  const bool number = head.size() > digits &&
                      std::all_of(head.begin() + static_cast<ptrdiff_t>(digits), head.end(),
                                  [](char c) { return c >= '0' && c <= '9'; });
  if (!number) throw EConvertError("'" + head + "' は有効な整数値ではありません");
  return static_cast<int32_t>(std::stoi(head));
}

void LoadDialogSettings(Registry& registry, DialogSettings& s, const std::vector<std::string>& saverPaths,
                        const std::function<bool()>& stop) {
  if (const std::unique_ptr<RegistryKey> key = registry.Open(kSettingsKey, false)) {
    const RegistryKey& k = *key;
    ReadRun([&] {
      s.DrawPosision = ReadInteger(k, "Draw Posision");
      s.GraphicsSize = ReadInteger(k, "Graphics Size");
      s.Scroll = ReadSwitch(k, "Scroll");
      s.ScreenClear = ReadSwitch(k, "Screen Clear");
      // A path that is not in the list selects nothing, so 保存 keeps it.
      const std::string pointCast = ReadText(k, "Point Cast");
      s.PointCastIndex = -1;
      for (size_t i = 0; i < saverPaths.size(); ++i) {
        if (SamePath(saverPaths[i], pointCast)) {
          s.PointCastIndex = static_cast<int>(i);
          break;
        }
      }
      s.RandomSort = ReadSwitch(k, "Random Sort");
      s.RandomSortS = ReadSwitch(k, "Random Sort S");
    });


    s.Rotate = ReadSwitchOr(k, "Rotate", false);
    s.Capture = ReadSwitchOr(k, "Capture", true);
    s.DispFileName = ReadSwitchOr(k, "DispFileName", false);
    s.BackColor = static_cast<uint32_t>(ReadIntegerOr(k, "BackColor", static_cast<int32_t>(kDesktopColour)));

    ReadRun([&] {
      s.DrawWait = std::to_string(ReadInteger(k, "Draw Wait"));
      s.MediaPlayer = ReadSwitch(k, "MediaPlayer");
      s.EndOption = ReadInteger(k, "End Option");
      s.Volume = VolumeShown(ReadInteger(k, "Volume"));
      s.ChangeVolume = ReadSwitch(k, "Change Volume");
    });

    s.DisplayPlayer = ReadSwitchOr(k, "Display Player", true);
    s.LogFile = ReadTextOr(k, "LogFile", "");
    s.DataSetCount = ReadIntegerOr(k, "DataSetCount", 0);
    // A damaged count must not fill the selector with millions of groups.
    s.DataSetCount = std::clamp(s.DataSetCount, int32_t{0}, int32_t{kMaxListEntries});
    s.DataSetNo = ReadIntegerOr(k, "DataSetNo", 0);
    s.ActivePage = ReadIntegerOr(k, "ActivePage", 3);
    s.DispAllDataSet = ReadSwitchOr(k, "DispAllDataSet", true);
    s.GroupCountup = ReadSwitchOr(k, "GroupCountup", false);
    s.GroupRandom = ReadSwitchOr(k, "GroupRandom", false);
    s.SmoothZoom = ReadSwitchOr(k, "SmoothZoom", false);
    s.Zoom = ReadSwitchOr(k, "Zoom", false);
    try {
      const bool pictures = ReadSwitch(k, "isNewFolderAdd");
      const bool sounds = ReadSwitch(k, "isNewFolderAdd2");
      s.IsNewFolderAdd = pictures;
      s.IsNewFolderAdd2 = sounds;
    } catch (const RegistryError&) {
      s.IsNewFolderAdd = s.IsNewFolderAdd2 = false;
    }
    s.Brightness = ReadSwitchOr(k, "Brightness", false);
    s.DrawColor = ReadIntegerOr(k, "Draw Color", 0);
  }
  ReadList(registry, "Folders", s.PictureFolders, stop);
  ReadList(registry, "Folders2", s.SoundFolders, stop);
}

void SaveDialogSettings(Registry& registry, const DialogSettings& s, const std::vector<std::string>& saverPaths,
                        const std::string& rootPath) {
  // Checked before anything is written: a waiting time that is no number
  // must not leave half the settings saved.
  const int32_t drawWait = DrawWaitToStore(s.DrawWait);
  const std::unique_ptr<RegistryKey> key = registry.Open(kSettingsKey, true);
  if (!key) throw RegistryError("the settings key cannot be created");
  RegistryKey& k = *key;
  auto flag = [](bool on) { return on ? 1 : 0; };
  WriteInteger(k, "Draw Posision", s.DrawPosision);
  WriteInteger(k, "Graphics Size", s.GraphicsSize);
  WriteInteger(k, "Scroll", flag(s.Scroll));
  WriteInteger(k, "Screen Clear", flag(s.ScreenClear));
  if (s.PointCastIndex >= 0 && static_cast<size_t>(s.PointCastIndex) < saverPaths.size()) {
    WriteText(k, "Point Cast", saverPaths[static_cast<size_t>(s.PointCastIndex)]);
  }
  WriteInteger(k, "Random Sort", flag(s.RandomSort));
  WriteInteger(k, "Random Sort S", flag(s.RandomSortS));
  WriteInteger(k, "Rotate", flag(s.Rotate));
  WriteInteger(k, "Capture", flag(s.Capture));
  WriteInteger(k, "DispFileName", flag(s.DispFileName));
  WriteInteger(k, "Draw Wait", drawWait);
  WriteInteger(k, "MediaPlayer", flag(s.MediaPlayer));
  WriteInteger(k, "End Option", s.EndOption);
  WriteInteger(k, "Change Volume", flag(s.ChangeVolume));
  WriteInteger(k, "Volume", s.Volume);
  WriteText(k, "RootPath", rootPath);
  WriteInteger(k, "BackColor", static_cast<int32_t>(s.BackColor));
  WriteInteger(k, "Display Player", flag(s.DisplayPlayer));
  WriteText(k, "LogFile", s.LogFile);
  WriteInteger(k, "ActivePage", s.ActivePage);
  WriteInteger(k, "DispAllDataSet", flag(s.DispAllDataSet));
  WriteInteger(k, "GroupCountup", flag(s.GroupCountup));
  WriteInteger(k, "GroupRandom", flag(s.GroupRandom));
  WriteInteger(k, "SmoothZoom", flag(s.SmoothZoom));
  WriteInteger(k, "Zoom", flag(s.Zoom));
  WriteInteger(k, "isNewFolderAdd", flag(s.IsNewFolderAdd));
  WriteInteger(k, "isNewFolderAdd2", flag(s.IsNewFolderAdd2));
  WriteInteger(k, "Brightness", flag(s.Brightness));
  WriteInteger(k, "Draw Color", s.DrawColor);

  registry.DeleteKey(SubKey("Folders"));
  registry.DeleteKey(SubKey("Folders2"));
  if (const std::unique_ptr<RegistryKey> sounds = registry.Open(SubKey("Folders2"), true)) {
    WriteList(*sounds, s.SoundFolders);
  }
}

void SaveDataSetFolders(Registry& registry, int group, int groupCount, const std::vector<std::string>& folders) {
  if (group == -1) return;
  const std::unique_ptr<RegistryKey> key = registry.Open(kSettingsKey, true);
  if (!key) throw RegistryError("the settings key cannot be created");
  WriteInteger(*key, "DataSetNo", group);
  WriteInteger(*key, "DataSetCount", groupCount);
  const std::string name = SubKey("DataSet" + std::to_string(group));
  registry.DeleteKey(name);
  const std::unique_ptr<RegistryKey> list = registry.Open(name, true);
  if (!list) return;
  WriteInteger(*list, "count", static_cast<int32_t>(folders.size()));
  WriteList(*list, folders);
}

void LoadDataSetFolders(Registry& registry, int group, std::vector<std::string>& folders) {
  if (group == -1) return;
  const std::unique_ptr<RegistryKey> key = registry.Open(SubKey("DataSet" + std::to_string(group)), false);
  if (!key) return;
  int32_t count = 0;
  try {
    count = std::min(ReadInteger(*key, "count"), int32_t{kMaxListEntries});
  } catch (const RegistryError&) {
    return;
  }
  if (count <= 0) return;
  folders.clear();
  for (int32_t i = 0; i < count; ++i) {
    try {
      folders.push_back(ReadText(*key, ListEntryName(i)));
    } catch (const RegistryError&) {
      folders.emplace_back();  // an unreadable entry shows as a blank line
    }
  }
}

void UpdateOptionStates(OptionStates& o) {
  o.ZoomEnabled = !o.Rotate;
  if (o.Rotate) o.Zoom = false;
  o.RotateEnabled = !o.Zoom;
  if (o.Zoom) o.Rotate = false;
  o.ClearEnabled = !o.Brightness;
  if (o.Brightness) o.ScreenClear = false;
  o.BrightnessEnabled = !o.ScreenClear;
  if (o.ScreenClear) o.Brightness = false;
  o.SizeEnabled = o.DrawPosision != 2 && o.DrawPosision != 3;
}

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string FolderOfFile(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ContainsFolder(const std::vector<std::string>& list, const std::string& folder) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& entry) { return SamePath(entry, folder); });
}

bool AddFolder(std::vector<std::string>& list, const std::string& folder) {
  if (ContainsFolder(list, folder)) return false;
  list.push_back(folder);
  return true;
}

void AddSubfolders(std::vector<std::string>& list, const std::string& folder,
                   const std::function<std::vector<std::string>(const std::string&)>& subfolders,
                   const std::function<void()>& yield, const std::function<bool()>& stop) {
  for (const std::string& name : subfolders(folder)) {
    if (stop && stop()) return;
    if (name == "." || name == "..") continue;
    const std::string child = folder + name + "\\";
    AddFolder(list, child);
    AddSubfolders(list, child, subfolders, yield, stop);
    if (yield) yield();
    if (stop && stop()) return;
  }
}

}  // namespace lumora
