// Reads the settings from a registry made of the input: records of key,
// value name, type and data under the settings key, its folder lists and
// groups. The saver's and the dialog's readers must take anything; what the
// dialog saves it must read back as it was (apart from what saving changes
// by design: the waiting time's first two characters, the older folder list
// that saving retires, and the groups, which are stored separately).
#include <cstdint>
#include <string>
#include <vector>

#include "app/memory_registry.h"
#include "app/settings.h"
#include "config/dialog_settings.h"

namespace {

const char* const kNames[] = {
    "Draw Posision", "Graphics Size", "Scroll", "Screen Clear", "Point Cast", "Random Sort", "Random Sort S",
    "Rotate", "Capture", "DispFileName", "BackColor", "isNewFolderAdd", "isNewFolderAdd2", "Draw Wait",
    "MediaPlayer", "End Option", "Change Volume", "Volume", "Display Player", "LogFile", "DataSetCount",
    "DataSetNo", "DispAllDataSet", "GroupCountup", "GroupRandom", "SmoothZoom", "Zoom", "Brightness",
    "Draw Color", "ActivePage", "count", "0000", "0001", "0002"};
const char* const kKeys[] = {"", "\\Folders", "\\Folders2", "\\DataSet0", "\\DataSet1"};
const std::vector<std::string> kSavers = {"", "C:\\Windows\\Other.scr"};

void Same(bool same) {
  if (!same) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumora::MemoryRegistry registry;
  for (size_t at = 0; at + 4 <= size;) {
    const std::string key = std::string(lumora::kSettingsKey) + kKeys[data[at] % 5];
    const std::string name = kNames[data[at + 1] % (sizeof kNames / sizeof kNames[0])];
    const uint8_t type = data[at + 2];
    const size_t length = std::min<size_t>(data[at + 3], size - at - 4);
    const uint8_t* payload = data + at + 4;
    at += 4 + length;
    lumora::RegValue value;
    switch (type % 4) {
      case 0:
        value = lumora::RegValue::Text(std::string(reinterpret_cast<const char*>(payload), length));
        break;
      case 1: {
        uint32_t number = 0;
        for (size_t i = 0; i < std::min<size_t>(length, 4); ++i) number |= uint32_t{payload[i]} << (8 * i);
        value = lumora::RegValue::Number(number);
        break;
      }
      default:
        value.type = type % 4 == 2 ? lumora::RegType::Binary : lumora::RegType::Qword;
        value.data.assign(payload, payload + length);
        break;
    }
    registry.Open(key, true)->Put(name, value);
  }

  lumora::SaverSettings saver;
  std::vector<std::string> pictures, sounds;
  lumora::SavedVolumes volumes;
  lumora::ReadSettings(registry, saver, pictures, sounds, volumes, {});
  lumora::LoadGroupFolders(registry, saver.DataSetNo, pictures, {});

  lumora::DialogSettings shown;
  lumora::LoadDialogSettings(registry, shown, kSavers);
  lumora::LoadDataSetFolders(registry, shown.DataSetNo, shown.PictureFolders);
  lumora::MemoryRegistry saved;
  try {
    lumora::SaveDialogSettings(saved, shown, kSavers, "C:\\Program\\");
  } catch (const lumora::EConvertError&) {
    Same(!saved.HasKey(lumora::kSettingsKey));  // nothing written
    return 0;
  }
  lumora::DialogSettings expected = shown;
  expected.DrawWait = std::to_string(lumora::DrawWaitToStore(shown.DrawWait));
  expected.PointCastIndex = std::max(shown.PointCastIndex, 0);
  expected.PictureFolders.clear();
  expected.DataSetCount = 0;
  expected.DataSetNo = 0;
  lumora::DialogSettings again;
  lumora::LoadDialogSettings(saved, again, kSavers);
  Same(again == expected);
  return 0;
}
