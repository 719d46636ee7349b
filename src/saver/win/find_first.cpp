#include "saver/win/find_first.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "app/win/handles.h"
#include "app/win/wide.h"
#include "saver/file_queue.h"

namespace lumora::win {

namespace {

// Volume and file identity of a folder, the link followed; nothing when it
// cannot be opened.
std::optional<std::tuple<uint32_t, uint32_t, uint32_t>> IdentifyFolder(const std::string& folder) {
  UniqueHandle handle(::CreateFileW(Wide(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle || handle.get() == INVALID_HANDLE_VALUE) {
    handle.release();
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
  return std::make_tuple(static_cast<uint32_t>(info.dwVolumeSerialNumber), static_cast<uint32_t>(info.nFileIndexHigh),
                         static_cast<uint32_t>(info.nFileIndexLow));
}

}  // namespace

TMFindFirst::TMFindFirst(std::vector<std::string>& folderList, std::vector<std::string>& fileList,
                         bool includeSubfolders, std::string kindLabel)
    : IncludeSubfolders(includeSubfolders), FileList(fileList), FolderList(folderList),
      KindLabel(std::move(kindLabel)) {}

TMFindFirst::~TMFindFirst() {
  // Join here, while the members the thread uses still exist.
  Terminate();
  WaitFor();
}

void TMFindFirst::UpdateFolderCount() { FolderCount = static_cast<int32_t>(FolderList.size()); }

void TMFindFirst::FetchFolder() {
  // The list may have been emptied (F3) since its count was taken.
  CurrentFolder = FolderIndex < static_cast<int32_t>(FolderList.size()) ? FolderList[FolderIndex] : std::string();
}

void TMFindFirst::AddFolder() {
  if (!ContainsFolder(FolderList, FoundPath)) FolderList.push_back(FoundPath);
}

void TMFindFirst::AddFile() {
  FileList.push_back(FoundPath);
  queueFull_ = FileList.size() >= MaxQueuedFiles;
}

bool TMFindFirst::WaitForRoom() {
  while (queueFull_) {
    if (StopPass || Terminated()) return false;
    ::Sleep(100);
    if (!Synchronize([this] { queueFull_ = FileList.size() >= MaxQueuedFiles; })) return false;
  }
  return true;
}

bool TMFindFirst::LeadsBackIntoTheWalk(const std::string& folder) {
  const auto id = IdentifyFolder(folder);
  if (!id) return true;  // a dangling link lists nothing
  return !knownFolders_.insert(*id).second;
}

void TMFindFirst::ListCurrentFolder() {
  if (CurrentFolder.empty()) return;
  const std::string folder = WithDelimiter(CurrentFolder);
  // Folders listed so far, links followed: a link back to one is skipped.
  if (const auto id = IdentifyFolder(folder)) knownFolders_.insert(*id);

  WIN32_FIND_DATAW entry{};
  HANDLE search = ::FindFirstFileW((Wide(folder) + L"*.*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (StopPass || Terminated()) break;
    const std::string name = Utf8(entry.cFileName);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name == "." || name == ".." || !IncludeSubfolders) continue;
      FoundPath = folder + name + "\\";
      // Only links are tested: a plain sub-folder that is also configured
      // is walked twice, as the folder list says.
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && LeadsBackIntoTheWalk(FoundPath)) continue;
      if (!Synchronize([this] { AddFolder(); })) break;
      if (!Synchronize([this] { UpdateFolderCount(); })) break;
    } else if (IsQueuedFile(name)) {
      FoundPath = folder + name;
      if (!WaitForRoom() || !Synchronize([this] { AddFile(); })) break;
    }
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
}

void TMFindFirst::Execute() {
  while (!Terminated()) {
    StopPass = false;
    FolderIndex = 0;
    PassDone = false;
    Synchronize([this] { UpdateFolderCount(); });
    while (FolderIndex < FolderCount && !StopPass && !Terminated()) {
      if (!Synchronize([this] { FetchFolder(); })) break;
      ListCurrentFolder();
      ++FolderIndex;
    }
    PassDone = true;
    SuspendSelf();
  }
}

}  // namespace lumora::win
