// The folder scanner's real worker threads on real folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/win/wide.h"
#include "saver/win/find_first.h"

namespace lumora::win {
namespace {

void Pump() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 20000) {
  const DWORD until = ::GetTickCount() + milliseconds;
  while (!done()) {
    if (static_cast<LONG>(until - ::GetTickCount()) <= 0) return false;
    Pump();
    ::Sleep(1);
  }
  return true;
}

void WriteFile(const std::string& path) {
  HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  ::CloseHandle(file);
}

void MakeFolder(const std::string& path) { ASSERT_TRUE(::CreateDirectoryW(Wide(path).c_str(), nullptr)) << path; }

// Attributes as a listing of the parent folder gives them: those of a link
// itself (Wine gives the target's for a search of the exact name).
bool IsLink(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  const std::wstring name = path.substr(slash + 1);
  WIN32_FIND_DATAW entry;
  HANDLE search = ::FindFirstFileW((path.substr(0, slash) + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool link = false;
  do {
    if (_wcsicmp(entry.cFileName, name.c_str()) == 0) link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  return link;
}

using UnixNameFn = char*(CDECL*)(LPCWSTR);

// Wine's own export; absent on Windows.
UnixNameFn WineUnixName() {
  return reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring UnixPath(const std::wstring& path) {
  const UnixNameFn unixName = WineUnixName();
  char* name = unixName ? unixName(path.c_str()) : nullptr;
  if (!name) return {};
  std::wstring result = Wide(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Runs a Linux program (Wine starts them like Windows programs).
bool RunUnix(std::wstring command) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  ::WaitForSingleObject(process.hProcess, 10000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

// A folder link made the Windows way; Wine 8 answers success without making
// one, and presents a Unix symbolic link as a linked folder instead, so
// there one is made with ln.
void MakeFolderLink(const std::string& link, const std::string& target) {
  ::CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */);
  if (IsLink(Wide(link))) return;
  ASSERT_TRUE(WineUnixName()) << "no way to make a folder link here";
  const std::wstring parent = Wide(link.substr(0, link.rfind('\\')));
  ASSERT_TRUE(RunUnix(L"Z:\\bin\\ln -s \"" + UnixPath(Wide(target)) + L"\" \"" + UnixPath(parent) + L"/" +
                      Wide(link.substr(link.rfind('\\') + 1)) + L"\""));
  // The process handle of a Linux program may signal before it is done.
  for (int i = 0; i < 100 && !IsLink(Wide(link)); ++i) ::Sleep(50);
  ASSERT_TRUE(IsLink(Wide(link))) << "the folder link was not made";
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!::RemoveDirectoryW(path.c_str())) ::DeleteFileW(path.c_str());
      } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

std::vector<std::string> Sorted(std::vector<std::string> list) {
  std::sort(list.begin(), list.end());
  return list;
}

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    root = Utf8(temp) + "lumora-scan-" + std::to_string(::GetCurrentProcessId());
    RemoveTree(Wide(root));
    MakeFolder(root);
    for (const char* name : {"a.jpg", "b.ICO", "c.ico", "Thumbs.db"}) WriteFile(root + "\\" + name);
    MakeFolder(root + "\\x");
    WriteFile(root + "\\x\\inner.png");
    MakeFolder(root + "\\写真");
    WriteFile(root + "\\写真\\夏.jpg");
  }
  void TearDown() override {
    // Wine removes the links it presents only from the Linux side.
    if (WineUnixName()) RunUnix(L"Z:\\bin\\rm -rf \"" + UnixPath(Wide(root)) + L"\"");
    for (int i = 0; i < 100 && ::GetFileAttributesW(Wide(root).c_str()) != INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(50);
    RemoveTree(Wide(root));
  }

  // Runs one pass of a fresh scanner over the folders.
  void Scan(bool subfolders) {
    TMFindFirst scanner(folders, files, subfolders, "Photo");
    scanner.Resume();
    ASSERT_TRUE(PumpUntil([&] { return scanner.PassDone && scanner.Suspended(); })) << "the pass did not end";
  }

  std::string root;
  std::vector<std::string> folders;
  std::vector<std::string> files;
};

TEST_F(ScannerTest, ListsEveryFileButIconsAndGrowsTheFolderListOnlyWhenAsked) {
  folders = {root};
  Scan(false);
  EXPECT_EQ(Sorted(files), Sorted({root + "\\Thumbs.db", root + "\\a.jpg"}));
  EXPECT_EQ(folders, std::vector<std::string>{root});

  files.clear();
  Scan(true);
  // Breadth-first: the sub-folders are listed in the same pass, Japanese
  // names intact.
  EXPECT_EQ(Sorted(folders), Sorted({root, root + "\\x\\", root + "\\写真\\"}));
  EXPECT_EQ(Sorted(files), Sorted({root + "\\Thumbs.db", root + "\\a.jpg", root + "\\x\\inner.png",
                                   root + "\\写真\\夏.jpg"}));
}

TEST_F(ScannerTest, FoldersWithAndWithoutADelimiterGiveTheSamePaths) {
  folders = {root + "\\写真", root + "\\写真\\", root + "\\X\\"};
  Scan(true);
  EXPECT_EQ(files, (std::vector<std::string>{root + "\\写真\\夏.jpg", root + "\\写真\\夏.jpg",
                                             root + "\\X\\inner.png"}));
  EXPECT_EQ(folders.size(), 3u) << "no sub-folders to add";
}

TEST_F(ScannerTest, EveryPassListsEverythingAgain) {
  folders = {root};
  TMFindFirst scanner(folders, files, true, "Photo");
  scanner.Resume();
  ASSERT_TRUE(PumpUntil([&] { return scanner.PassDone && scanner.Suspended(); }));
  EXPECT_EQ(files.size(), 4u);
  scanner.Resume();
  ASSERT_TRUE(PumpUntil([&] { return files.size() == 8u && scanner.PassDone && scanner.Suspended(); }));
  EXPECT_EQ(Sorted(folders), Sorted({root, root + "\\x\\", root + "\\写真\\"})) << "x is in the list once";
}

TEST_F(ScannerTest, AStopRequestEndsThePassAndClosingEndsTheWorker) {
  const std::string big = root + "\\big";
  MakeFolder(big);
  constexpr size_t kFiles = 3000;
  for (size_t i = 0; i < kFiles; ++i) WriteFile(big + "\\p" + std::to_string(i) + ".jpg");
  folders = {big};
  {
    TMFindFirst scanner(folders, files, false, "Photo");
    scanner.Resume();
    ASSERT_TRUE(PumpUntil([&] { return !files.empty(); }));
    const size_t atStop = files.size();
    ASSERT_LT(atStop, kFiles) << "the pass ended before the stop request";
    scanner.StopPass = true;
    ASSERT_TRUE(PumpUntil([&] { return scanner.Idle(); }));
    EXPECT_TRUE(scanner.PassDone);
    EXPECT_LE(files.size(), atStop + 1) << "the pass went on after the stop request";
  }
  // A worker destroyed in the middle of a pass, waiting for the window
  // thread, is woken and joined.
  files.clear();
  {
    TMFindFirst scanner(folders, files, false, "Photo");
    scanner.Resume();
    ASSERT_TRUE(PumpUntil([&] { return files.size() >= 5; }));
  }
  const size_t after = files.size();
  Pump();
  EXPECT_EQ(files.size(), after) << "a call ran after the worker was gone";
}

TEST_F(ScannerTest, ALinkBackIntoTheWalkIsNotFollowedButOneOutOfItIs) {
  const std::string walk = root + "\\walk";
  const std::string elsewhere = root + "\\elsewhere";
  MakeFolder(walk);
  MakeFolder(elsewhere);
  WriteFile(walk + "\\p.jpg");
  WriteFile(elsewhere + "\\q.jpg");
  MakeFolderLink(walk + "\\loop", walk);
  MakeFolderLink(walk + "\\out", elsewhere);
  folders = {walk};
  Scan(true);
  EXPECT_EQ(Sorted(folders), Sorted({walk, walk + "\\out\\"}));
  EXPECT_EQ(Sorted(files), Sorted({walk + "\\out\\q.jpg", walk + "\\p.jpg"}));
}

TEST_F(ScannerTest, AFullQueueHoldsTheWalkUntilTheShowTakesFiles) {
  for (int i = 0; i < 8; ++i) WriteFile(root + "\\extra" + std::to_string(i) + ".jpg");
  folders = {root};
  TMFindFirst scanner(folders, files, false, "Photo");
  scanner.MaxQueuedFiles = 3;
  scanner.Resume();
  // 10 files to queue (a.jpg, Thumbs.db and 8 more); the queue stops at 3.
  ASSERT_TRUE(PumpUntil([&] { return files.size() == 3; }));
  PumpUntil([] { return false; }, 500);
  EXPECT_EQ(files.size(), 3u);
  EXPECT_FALSE(scanner.PassDone);
  // Taking files lets the walk go on to the end of the pass.
  size_t taken = 0;
  ASSERT_TRUE(PumpUntil([&] {
    if (!files.empty()) {
      files.erase(files.begin());
      ++taken;
    }
    return scanner.PassDone.load();
  }));
  EXPECT_EQ(taken + files.size(), 10u);
}

}  // namespace
}  // namespace lumora::win
