// The configuration dialog's side of the stored settings: what its controls
// show when it opens, what 保存 writes and in which order, the picture
// groups it stores one by one, and the rules between its options. The
// format is the saver's (app/settings.h): a value the dialog writes reads
// back in the saver exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/registry.h"

namespace lumora {

// System colour "button face", the colour panel's initial colour.
inline constexpr uint32_t kButtonFaceColour = 0x8000000Fu;

// The state of the dialog's controls that map to stored values. The
// initial values are those the controls show when nothing is stored.
struct DialogSettings {
  // Options page.
  int32_t DrawPosision = 1;
  int32_t GraphicsSize = 2;
  bool Scroll = true;
  bool ScreenClear = false;
  int PointCastIndex = -1;  // item of the saver list; -1 nothing selected
  bool RandomSort = true;
  bool RandomSortS = true;
  bool Rotate = false;
  bool Capture = true;
  bool DispFileName = false;
  uint32_t BackColor = kButtonFaceColour;
  std::string DrawWait = "5";  // the edit field's text
  bool MediaPlayer = false;
  int32_t EndOption = 2;
  int32_t Volume = 127;
  bool ChangeVolume = false;
  bool DisplayPlayer = true;
  bool SmoothZoom = false;
  bool Zoom = false;
  bool Brightness = false;
  int32_t DrawColor = 0;
  // Picture-folder page.
  std::string LogFile;
  bool DispAllDataSet = true;
  bool GroupCountup = false;
  bool GroupRandom = false;
  bool IsNewFolderAdd = true;
  bool IsNewFolderAdd2 = true;
  int32_t DataSetCount = 0;  // groups stored; 0 for the older single list
  int32_t DataSetNo = 0;     // the group selected
  int32_t ActivePage = 2;    // 0 pictures, 1 sounds, 2 options, 3 version
  // The older picture list "Folders" and the sound list "Folders2".
  std::vector<std::string> PictureFolders;
  std::vector<std::string> SoundFolders;

  friend bool operator==(const DialogSettings&, const DialogSettings&) = default;
};

// The framework's conversion error: a waiting time that is no number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Volume" as the track bar shows it: a stored value below 0 shows 20.
int32_t VolumeShown(int32_t stored);

// "Draw Wait" as 保存 stores it: the first two characters of the trimmed
// text as a whole number ("120" stores 12, "-5" stores -5). Throws
// EConvertError with the framework's message when they are no number.
int32_t DrawWaitToStore(const std::string& text);

// Loads the settings into the controls' state, which holds their initial
// values on entry. `saverPaths` are the hand-over list's paths (entry 0 the
// empty "なし"); `stop` ends the reading of the folder lists.
void LoadDialogSettings(Registry& registry, DialogSettings& settings, const std::vector<std::string>& saverPaths,
                        const std::function<bool()>& stop = {});

// Writes every value in the stored order, then replaces "Folders2" with the
// sound folders and deletes the older "Folders". The waiting time is
// checked first: when it is no number, EConvertError and nothing written.
void SaveDialogSettings(Registry& registry, const DialogSettings& settings, const std::vector<std::string>& saverPaths,
                        const std::string& rootPath);

// Stores the folders as group `group` ("DataSet" group), with "DataSetNo"
// and "DataSetCount" = `groupCount`. Group -1 stores nothing.
void SaveDataSetFolders(Registry& registry, int group, int groupCount, const std::vector<std::string>& folders);

// Replaces `folders` with group `group`'s stored folders, blanks included,
// when the group is stored with at least one; otherwise leaves them as they
// are. Group -1 does nothing.
void LoadDataSetFolders(Registry& registry, int group, std::vector<std::string>& folders);

// The enabled and checked states of the options that exclude each other,
// applied in order: rotation over zoom, then darkening over clearing; the
// size choice is off for the two tiling positions.
struct OptionStates {
  bool Rotate, Zoom, ScreenClear, Brightness;
  int32_t DrawPosision;
  bool RotateEnabled = true, ZoomEnabled = true, ClearEnabled = true, BrightnessEnabled = true,
       SizeEnabled = true;
};
void UpdateOptionStates(OptionStates& states);

// Folder lists: a folder is its path ending in "\"; the lists hold no path
// twice, letter case ignored.
std::string FolderOfFile(const std::string& path);
std::string WithBackslash(std::string folder);
bool ContainsFolder(const std::vector<std::string>& list, const std::string& folder);
// Adds the folder unless it is listed; true when it was added.
bool AddFolder(std::vector<std::string>& list, const std::string& folder);

// Adds every subfolder of `folder` (ending in "\") to the list, depth first
// (each new subfolder followed by its own before its next sibling), going
// into folders already listed too. `subfolders` names a folder's
// subfolders in the file system's order; `yield` runs after each one and
// the scan stops once `stop` says so.
void AddSubfolders(std::vector<std::string>& list, const std::string& folder,
                   const std::function<std::vector<std::string>(const std::string&)>& subfolders,
                   const std::function<void()>& yield, const std::function<bool()>& stop);

}  // namespace lumora
