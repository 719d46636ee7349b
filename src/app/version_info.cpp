#include "app/version_info.h"

#include <cstdio>

#include "app/text.h"

namespace lumora {
namespace {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Length of the comment marker a line begins with: "#" (not "#!", which
// names a script's interpreter), "'" or "rem" in any case; 0 when the line
// is no comment.
size_t CommentMarkerLength(std::string_view line) {
  if (line.starts_with('#')) return line.starts_with("#!") ? 0 : 1;
  if (line.starts_with('\'')) return 1;
  if (AsciiLower(line.substr(0, 3)) == "rem") return 3;
  return 0;
}

// A "ver …" or "by …" text reduced to what follows its keyword: the part
// from the first blank on, trimmed. Without a blank the text stays whole.
std::string FromFirstBlank(std::string_view text) {
  const size_t blank = text.find(' ');
  if (blank != std::string_view::npos) text.remove_prefix(blank);
  return std::string(Trim(text));
}

// The text from keyword position `at` up to the other keyword when that one
// comes later on the line, else to the end: in "Tool ver 1.2 by Someone"
// the version is "1.2" and the copyright "Someone".
std::string_view KeywordText(std::string_view comment, size_t at, size_t other) {
  const size_t end = (other != std::string_view::npos && other > at) ? other : comment.size();
  return comment.substr(at, end - at);
}

}  // namespace

std::string& VersionField(TVersion& version, size_t index) {
  switch (index) {
    case 0: return version.CompanyName;
    case 1: return version.FileDescription;
    case 2: return version.FileVersion;
    case 3: return version.InternalName;
    case 4: return version.LegalCopyright;
    case 5: return version.LeagalTradeMarks;
    case 6: return version.OriginalFileName;
    case 7: return version.ProductName;
    case 8: return version.ProductVersion;
    case 9: return version.Comment;
    default: return version.SCRNSAVE;
  }
}

std::string FileExtension(std::string_view path) {
  const size_t last = path.find_last_of(".\\/:");
  if (last == std::string_view::npos || path[last] != '.') return {};
  return std::string(path.substr(last));
}

bool UsesVersionResource(std::string_view extension) {
  if (extension.empty()) return false;
  return std::string_view(".exe.dll.scr.ocx.jpn").find(AsciiLower(extension)) != std::string_view::npos;
}

std::string VersionKeyPrefix(uint16_t language, uint16_t codePage) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "\\StringFileInfo\\%04X%04X\\", static_cast<unsigned>(language),
                static_cast<unsigned>(codePage));
  return buffer;
}

void ReadScriptText(const std::vector<std::string>& lines, TVersion& version) {
  const size_t count = lines.size() < kScriptTextLines ? lines.size() : kScriptTextLines;
  for (size_t i = 0; i < count; ++i) {
    if (!version.ProductName.empty() && !version.FileVersion.empty() && !version.LegalCopyright.empty()) break;
    const std::string_view line = lines[i];
    const size_t marker = CommentMarkerLength(line);
    if (marker == 0) continue;
    const std::string_view comment = Trim(line.substr(marker));
    const std::string lower = AsciiLower(comment);
    const size_t ver = lower.find("ver");
    const size_t by = lower.find("by");
    constexpr size_t npos = std::string_view::npos;

    if (version.ProductName.empty()) {
      // The name is what precedes whichever keyword comes first; trailing
      // blanks before the keyword are kept.
      std::string_view name = comment;
      if (ver != npos && (by == npos || by > ver)) {
        name = comment.substr(0, ver);
      } else if (by != npos) {
        name = comment.substr(0, by);
      }
      while (!name.empty() && std::string_view(" #/\\*:;").find(name.front()) != npos) name.remove_prefix(1);
      version.ProductName = std::string(name);
    }
    if (version.FileVersion.empty() && ver != npos) {
      version.FileVersion = FromFirstBlank(KeywordText(comment, ver, by));
    }
    if (version.LegalCopyright.empty() && by != npos) {
      version.LegalCopyright = FromFirstBlank(KeywordText(comment, by, ver));
    }
  }
}

std::vector<std::string> CatalogFolders(const std::string& windowsDir, const std::string& systemDir) {
  std::vector<std::string> folders{windowsDir, systemDir};
  const std::string oldSystem = windowsDir + "system\\";
  if (systemDir != oldSystem) folders.push_back(oldSystem);
  return folders;
}

std::string SaverPath(const std::string& folder, const std::string& fileName) { return folder + "\\" + fileName; }

}  // namespace lumora
