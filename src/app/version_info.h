// The descriptive strings of a file, as the saver list and the display
// history show them, and the rules behind the installed-saver catalogue that
// do not need the system.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// One field per version-resource key, in the order of kVersionKeys.
struct TVersion {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LeagalTradeMarks;
  std::string OriginalFileName;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comment;
  std::string SCRNSAVE;
};

// The keys queried in a version resource, spelled as the savers that carry
// them spell them ("LeagalTradeMarks", "Comment"): resources that use the
// standard names leave those two fields empty.
inline constexpr std::array<const char*, 11> kVersionKeys = {
    "CompanyName",      "FileDescription", "FileVersion",    "InternalName", "LegalCopyright", "LeagalTradeMarks",
    "OriginalFileName", "ProductName",     "ProductVersion", "Comment",      "SCRNSAVE"};

// The field of version that belongs to kVersionKeys[index] (index 0…10).
std::string& VersionField(TVersion& version, size_t index);

// The extension of a path with its dot: the text from the last "." after
// the last "\", "/" or ":"; empty when there is none.
std::string FileExtension(std::string_view path);

// True when files with this extension (dot included, any case) carry a
// version resource: it occurs in ".exe.dll.scr.ocx.jpn". Empty is false.
bool UsesVersionResource(std::string_view extension);

// "\StringFileInfo\" + language and code page as eight upper-case hex
// digits + "\": the prefix of every string key of that translation.
std::string VersionKeyPrefix(uint16_t language, uint16_t codePage);

// Number of lines looked at when a file has no version resource.
inline constexpr size_t kScriptTextLines = 10;

// Fills ProductName, FileVersion and LegalCopyright from the comment lines
// at the top of a script ("# Tool ver 1.2 by Someone"). Looks at no more
// than kScriptTextLines lines and stops once all three are filled; fields
// that already hold text are kept.
void ReadScriptText(const std::vector<std::string>& lines, TVersion& version);

// The folders searched for installed savers: the Windows folder, the system
// folder and, unless the system folder is exactly (case included) the
// Windows folder + "system\", that folder too. Both arguments end in "\".
std::vector<std::string> CatalogFolders(const std::string& windowsDir, const std::string& systemDir);

// The listed path of a saver: folder + "\" + file name. The folder already
// ends in "\", so the path holds a doubled one; stored "Point Cast" values
// are found again by comparing them with these paths, so the form stays.
std::string SaverPath(const std::string& folder, const std::string& fileName);

}  // namespace lumora
