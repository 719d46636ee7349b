// The Win32 side against Wine's real registry, file system and processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/settings.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"

namespace lumora::win {
namespace {

const std::string kTestKey = "\\Software\\Orvane\\LumoraShellTest";

class WinRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { registry.DeleteKey(kTestKey); }
  void TearDown() override { registry.DeleteKey(kTestKey); }
  WinRegistry registry;
};

TEST_F(WinRegistryTest, ValuesRoundTripWithTheirTypes) {
  EXPECT_FALSE(registry.Open(kTestKey, false));
  {
    auto key = registry.Open(kTestKey + "\\Folders", true);
    ASSERT_TRUE(key);
    WriteText(*key, "0000", "D:\\写真\\桜");
    WriteInteger(*key, "count", -2);
  }
  auto key = registry.Open(kTestKey + "\\FOLDERS", false);  // names are case-insensitive
  ASSERT_TRUE(key);
  EXPECT_EQ(ReadText(*key, "0000"), "D:\\写真\\桜");
  EXPECT_EQ(ReadInteger(*key, "count"), -2);
  EXPECT_THROW(ReadInteger(*key, "0000"), RegistryError);
  EXPECT_THROW(ReadText(*key, "count"), RegistryError);
  EXPECT_THROW(ReadInteger(*key, "missing"), RegistryError);
  EXPECT_EQ(ReadText(*key, "missing"), "");
}

TEST_F(WinRegistryTest, TextsOfAnyLengthReadWhole) {
  // Around the size that one read call takes in, and far past it.
  auto key = registry.Open(kTestKey, true);
  for (size_t length : {0u, 511u, 512u, 513u, 10000u}) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += i % 7 == 0 ? "桜" : "x";
    WriteText(*key, "text", text);
    EXPECT_EQ(ReadText(*key, "text"), text) << length;
  }
}

TEST_F(WinRegistryTest, DeletingAKeyTakesItsSubKeys) {
  WriteInteger(*registry.Open(kTestKey + "\\DataSet0", true), "count", 0);
  WriteInteger(*registry.Open(kTestKey + "\\DataSet1", true), "count", 0);
  EXPECT_TRUE(registry.DeleteKey(kTestKey + "\\DataSet0"));
  EXPECT_FALSE(registry.Open(kTestKey + "\\DataSet0", false));
  EXPECT_TRUE(registry.Open(kTestKey + "\\DataSet1", false));
  EXPECT_TRUE(registry.DeleteKey(kTestKey));
  EXPECT_FALSE(registry.Open(kTestKey, false));
  EXPECT_FALSE(registry.DeleteKey(kTestKey));
}

TEST_F(WinRegistryTest, BinaryAndShortValuesAreNoNumbers) {
  auto key = registry.Open(kTestKey, true);
  const BYTE two[2] = {1, 0};
  HKEY raw = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Orvane\\LumoraShellTest", 0, KEY_WRITE, &raw), 0);
  ::RegSetValueExW(raw, L"short", 0, REG_DWORD, two, 2);
  ::RegSetValueExW(raw, L"binary", 0, REG_BINARY, two, 2);
  ::RegCloseKey(raw);
  EXPECT_THROW(ReadInteger(*key, "short"), RegistryError);
  EXPECT_THROW(ReadInteger(*key, "binary"), RegistryError);
}

TEST(Paths, SystemAndAppDataFoldersEndInADelimiterAndExist) {
  for (const std::wstring& path : {GetSystemDirectoryPath(), GetAppDataPath()}) {
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), L'\\') << Utf8(path);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << Utf8(path);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << Utf8(path);
  }
}

TEST(RewriteWithRetry, TruncatesOrGivesUpAfterTheRetries) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  TextFile file;
  file.path = std::wstring(folder) + L"lumora-rewrite-テスト.log";
  if (FILE* f = ::_wfopen(file.path.c_str(), L"wb")) {
    std::fputs("old contents\n", f);
    std::fclose(f);
  }
  int waits = 0;
  ASSERT_TRUE(RewriteWithRetry(file, 2, [&] { ++waits; }));
  std::fputs("new\n", file.handle);
  std::fclose(file.handle);
  file.handle = nullptr;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(::GetFileAttributesExW(file.path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 4u);
  EXPECT_EQ(waits, 0);
  ::DeleteFileW(file.path.c_str());

  TextFile impossible;
  impossible.path = std::wstring(folder) + L"no-such-folder-lumora\\x.log";
  EXPECT_FALSE(RewriteWithRetry(impossible, 2, [&] { ++waits; }));
  EXPECT_EQ(waits, 2);  // three attempts, a wait between each
}

TEST(RunCommandLine, StartsAProcessOrReportsFailure) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring marker = std::wstring(folder) + L"lumora-run-marker.txt";
  ::DeleteFileW(marker.c_str());
  EXPECT_TRUE(RunCommandLine(L"cmd.exe /c echo ran> \"" + marker + L"\""));
  bool appeared = false;
  for (int i = 0; i < 100 && !appeared; ++i) {
    ::Sleep(50);
    appeared = ::GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  EXPECT_TRUE(appeared);
  ::DeleteFileW(marker.c_str());
  EXPECT_FALSE(RunCommandLine(L"C:\\no\\such\\program-lumora.exe"));
}

TEST(SingleInstance, TheSecondCheckGivesWay) {
  const std::wstring name = L"LUMORA-TEST-" + std::to_wstring(::GetCurrentProcessId());
  EXPECT_TRUE(CheckSingleInstance(name));
  HANDLE other = ::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str());
  EXPECT_TRUE(other != nullptr);
  if (other) ::CloseHandle(other);
  ReleaseSingleInstance();
  EXPECT_EQ(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str()), nullptr);
}


// The soak test's GDI figures under Wine come from this counter, loaded into
// the saver: it must see objects come and go.
TEST(GdiObjectCounter, CountsObjectsAsTheyAreMadeAndDeleted) {
  wchar_t own[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring path = own;
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"lumora-gdi-count.dll";
  HMODULE counter = ::LoadLibraryW(path.c_str());
  ASSERT_NE(counter, nullptr);
  const auto count = reinterpret_cast<DWORD(WINAPI*)(void*)>(
      reinterpret_cast<void*>(::GetProcAddress(counter, "CountGdiObjects")));
  ASSERT_NE(count, nullptr);
  const DWORD before = count(nullptr);
  EXPECT_GT(before, 0u);  // the stock objects at least
  HBRUSH brushes[20];
  for (int i = 0; i < 20; ++i) brushes[i] = ::CreateSolidBrush(RGB(i, 0, 0));
  HDC dc = ::CreateCompatibleDC(nullptr);
  EXPECT_EQ(count(nullptr), before + 21);
  for (HBRUSH brush : brushes) ::DeleteObject(brush);
  ::DeleteDC(dc);
  EXPECT_EQ(count(nullptr), before);
  ::FreeLibrary(counter);
}

}  // namespace
}  // namespace lumora::win
