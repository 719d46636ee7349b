// The saver catalogue and the version reader against Wine's real files,
// registry and system parameters.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/win/handles.h"
#include "app/win/saver_catalog.h"
#include "app/win/wide.h"

namespace lumora::win {
namespace {

// A file built with the tests, named by a Unix path in the environment.
std::string BuiltFile(const char* variable) {
  const char* unixPath = std::getenv(variable);
  if (!unixPath || !*unixPath) {
    ADD_FAILURE() << variable << " is not set";
    return {};
  }
  std::string path = std::string("Z:") + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_NE(file.get(), INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::string TempFolder() {
  wchar_t buffer[MAX_PATH];
  ::GetTempPathW(MAX_PATH, buffer);
  return Utf8(buffer);
}

TEST(GetVersionInfo, TheSaverDescribesItself) {
  TVersion version;
  EXPECT_TRUE(GetVersionInfo(BuiltFile("LUMORA_SCR"), version));
  EXPECT_EQ(version.ProductName, "Lumora");
  EXPECT_FALSE(version.FileVersion.empty());
  EXPECT_FALSE(version.SCRNSAVE.empty());
}

TEST(GetVersionInfo, FirstTranslationUnderTheKeysSaversUse) {
  TVersion version;
  EXPECT_TRUE(GetVersionInfo(BuiltFile("LUMORA_VERSION_JA"), version));
  EXPECT_EQ(version.CompanyName, "試験工房");
  EXPECT_EQ(version.FileDescription, "版情報の試験");
  EXPECT_EQ(version.FileVersion, "2.5.0.1");
  EXPECT_EQ(version.InternalName, "version-ja");
  EXPECT_EQ(version.LegalCopyright, "(C) 試験工房");
  EXPECT_EQ(version.ProductVersion, "2.5");
  EXPECT_EQ(version.LeagalTradeMarks, "試験™");
  EXPECT_EQ(version.OriginalFileName, "version-ja.dll");
  EXPECT_EQ(version.ProductName, "版試験");  // not the second block's
  EXPECT_EQ(version.SCRNSAVE, "試験セーバー");
  // 300 characters stored, 256 kept: 4 kana and 252 digits.
  std::string digits;
  while (digits.size() < 252) digits += "0123456789";
  digits.resize(252);
  EXPECT_EQ(version.Comment, "コメント" + digits);
}

TEST(GetVersionInfo, StandardResourceLeavesTheSaverKeysEmpty) {
  TVersion version;
  GetVersionInfo(BuiltFile("LUMORA_VERSION_JA"), version);
  // Read into the same record: the earlier values must not survive.
  EXPECT_TRUE(GetVersionInfo(BuiltFile("LUMORA_VERSION_EN"), version));
  EXPECT_EQ(version.CompanyName, "Test Works");
  EXPECT_EQ(version.ProductName, "Version Test");
  EXPECT_EQ(version.OriginalFileName, "version-en.dll");  // keys match in any case
  EXPECT_EQ(version.LeagalTradeMarks, "");
  EXPECT_EQ(version.Comment, "");
  EXPECT_EQ(version.SCRNSAVE, "");
}

TEST(GetVersionInfo, OtherFilesAreReadAsScriptText) {
  const std::string path = TempFolder() + "lumora-version-テスト.vbs";
  // CR, LF and CR LF all end a line; the comment sits on the fourth.
  WriteBytes(path, "Option Explicit\rDim a\n\r\n' Photo sorter ver 1.4 by Jo\r\nrem other ver 9\r\n");
  TVersion version;
  EXPECT_TRUE(GetVersionInfo(path, version));
  EXPECT_EQ(version.ProductName, "Photo sorter ");
  EXPECT_EQ(version.FileVersion, "1.4");
  EXPECT_EQ(version.LegalCopyright, "Jo");

  // The text is in the ANSI code page (1252 under the tests' C locale).
  if (::GetACP() == 1252) {
    WriteBytes(path, "# Caf\xE9 tool\n");
    GetVersionInfo(path, version);
    EXPECT_EQ(version.ProductName, "Café tool");
  }
  ::DeleteFileW(Wide(path).c_str());
  EXPECT_TRUE(GetVersionInfo(path, version));  // now missing: all fields cleared
  EXPECT_EQ(version.ProductName, "");
}

class ListSaversTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders = CatalogFolders(catalog.WindowsDir, catalog.SystemDir);
    ASSERT_EQ(folders.size(), 3u) << catalog.SystemDir;  // Wine's system folder is system32
    oldSystemCreated = ::CreateDirectoryW(Wide(folders[2]).c_str(), nullptr) != 0;
    RemoveFiles();
    for (size_t i = 0; i < folders.size(); ++i) WriteBytes(folders[i] + names[i], "");
    ::CreateDirectoryW(Wide(folders[0] + kDirectory).c_str(), nullptr);
  }
  void TearDown() override {
    RemoveFiles();
    if (oldSystemCreated) ::RemoveDirectoryW(Wide(folders[2]).c_str());
  }
  void RemoveFiles() {
    for (size_t i = 0; i < folders.size(); ++i) ::DeleteFileW(Wide(folders[i] + names[i]).c_str());
    ::RemoveDirectoryW(Wide(folders[0] + kDirectory).c_str());
  }
  static ptrdiff_t IndexOf(const std::vector<std::string>& list, const std::string& path) {
    const auto it = std::find(list.begin(), list.end(), path);
    return it == list.end() ? -1 : it - list.begin();
  }

  static constexpr const char* kDirectory = "lumora-catalog-folder.scr";
  const std::vector<std::string> names{"lumora-catalog-a.scr", "lumora-catalog-b.scr", "lumora-catalog-c.scr"};
  TSaverCatalog catalog;
  std::vector<std::string> folders;
  bool oldSystemCreated = false;
};

TEST_F(ListSaversTest, AppendsFolderByFolderWithTheDoubledBackslash) {
  EXPECT_EQ(catalog.WindowsDir.back(), '\\');
  EXPECT_EQ(catalog.SystemDir.back(), '\\');
  std::vector<std::string> list{"kept"};
  catalog.ListSavers(list);
  ASSERT_EQ(list.front(), "kept");
  // For instance "C:\windows\\lumora-catalog-a.scr".
  const ptrdiff_t a = IndexOf(list, catalog.WindowsDir + "\\" + names[0]);
  const ptrdiff_t b = IndexOf(list, catalog.SystemDir + "\\" + names[1]);
  const ptrdiff_t c = IndexOf(list, catalog.WindowsDir + "system\\\\" + names[2]);
  EXPECT_GT(a, 0);
  EXPECT_GT(b, a);
  EXPECT_GT(c, b);
  EXPECT_EQ(IndexOf(list, catalog.WindowsDir + "\\" + kDirectory), -1);

  const size_t once = list.size();
  catalog.ListSavers(list);
  EXPECT_EQ(list.size(), 2 * once - 1);
  EXPECT_EQ(list[once - 1 + a], list[a]);
}

// Puts the desktop value "SCRNSAVE.EXE" and the platform override back.
class ScreenSaverNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD size = 0;
    if (::RegQueryValueExW(desktop, kValue, nullptr, &savedType, nullptr, &size) == ERROR_SUCCESS) {
      savedValue.emplace(size, 0);
      ::RegQueryValueExW(desktop, kValue, nullptr, &savedType, savedValue->data(), &size);
    }
    ::SetEnvironmentVariableW(L"LUMORA_TEST_PLATFORM_ID", L"2");
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"LUMORA_TEST_PLATFORM_ID", nullptr);
    if (savedValue) {
      ::RegSetValueExW(desktop, kValue, 0, savedType, savedValue->data(), static_cast<DWORD>(savedValue->size()));
    } else {
      ::RegDeleteValueW(desktop, kValue);
    }
    ::RegCloseKey(desktop);
  }
  void SetText(const std::wstring& text) {
    ::RegSetValueExW(desktop, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  static constexpr const wchar_t* kValue = L"SCRNSAVE.EXE";
  TSaverCatalog catalog;
  HKEY desktop = nullptr;
  DWORD savedType = 0;
  std::optional<std::vector<BYTE>> savedValue;
};

TEST_F(ScreenSaverNameTest, FromTheDesktopKeyOnTheNTFamily) {
  SetText(L"C:\\windows\\system32\\写真.scr");
  catalog.RefreshSettings();
  EXPECT_EQ(catalog.ScreenSaverName, "C:\\windows\\system32\\写真.scr");

  const DWORD number = 5;
  ::RegSetValueExW(desktop, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  catalog.RefreshSettings();
  EXPECT_EQ(catalog.ScreenSaverName, "");  // another type

  SetText(L"again.scr");
  catalog.RefreshSettings();
  ::RegDeleteValueW(desktop, kValue);
  catalog.RefreshSettings();
  EXPECT_EQ(catalog.ScreenSaverName, "");  // missing

  // Neither family: the name is not read.
  SetText(L"again.scr");
  ::SetEnvironmentVariableW(L"LUMORA_TEST_PLATFORM_ID", L"3");
  catalog.ScreenSaverName = "kept";
  catalog.RefreshSettings();
  EXPECT_EQ(catalog.ScreenSaverName, "kept");
}

}  // namespace
}  // namespace lumora::win
