// The system's screen-saver settings, the installed savers, and the
// descriptive strings of a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/version_info.h"

namespace lumora::win {

class TSaverCatalog {
 public:
  // Reads the Windows and system folders, then the settings (RefreshSettings).
  TSaverCatalog();

  // Reads ScreenSaverName, ScreenSaveTimeOut and ScreenSaveActive from the
  // system again. Failed queries give an empty name, 0 and off; on a
  // platform other than the two families the name keeps its value, and on
  // the NT family it also does when the desktop settings key does not open.
  void RefreshSettings();

  // Appends (never clears) the full path of every "*.scr" file of the
  // catalogue folders, folder by folder, in the order the system lists them.
  // Paths have the SaverPath form with its doubled backslash.
  void ListSavers(std::vector<std::string>& list) const;

  std::string WindowsDir;  // with a trailing "\"
  std::string SystemDir;   // with a trailing "\"
  bool ScreenSaveActive = false;
  std::string ScreenSaverName;  // as the system stores it
  int32_t ScreenSaveTimeOut = 900;  // seconds
};

// Fills version from the file's version resource (".exe", ".dll", ".scr",
// ".ocx", ".jpn") or, for any other file, from the comments at the top of it
// read as text in the ANSI code page. Fields that cannot be read stay empty.
// Always returns true.
bool GetVersionInfo(const std::string& pathUtf8, TVersion& version);

}  // namespace lumora::win
