// The folder scanner: a worker thread that walks a folder list and appends
// every file it finds (icons aside) to a file queue. The lists belong to the
// saver window and are touched only on its thread, through synchronized
// calls; the worker only reads the file system.
#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/win/threads.h"

namespace lumora::win {

class TMFindFirst : public TThread {
 public:
  // Created suspended; Resume starts the first pass.
  TMFindFirst(std::vector<std::string>& folderList, std::vector<std::string>& fileList, bool includeSubfolders,
              std::string kindLabel);
  ~TMFindFirst() override;

  std::string FoundPath;      // the entry being handed over
  std::string CurrentFolder;  // the folder being listed
  bool IncludeSubfolders;
  std::atomic<bool> PassDone{false};
  int32_t FolderIndex = 0;
  std::vector<std::string>& FileList;
  std::vector<std::string>& FolderList;
  int32_t FolderCount = 0;
  std::atomic<bool> StopPass{false};
  std::string KindLabel;
  // The most files the queue holds: with that many waiting, the walk waits
  // until the show has taken some, so a folder tree of millions of files
  // costs the memory of this many paths, not of all of them.
  size_t MaxQueuedFiles = 1'000'000;

  // Run on the saver's thread through Synchronize.
  void UpdateFolderCount();
  void FetchFolder();
  void AddFolder();
  void AddFile();

  // Suspended at the end of a pass, or finished.
  bool Idle() const { return Suspended() || Finished(); }

 protected:
  void Execute() override;

 private:
  void ListCurrentFolder();
  // Waits while the queue is full; false when the pass or the thread stops.
  bool WaitForRoom();
  std::atomic<bool> queueFull_{false};
  // A linked folder (junction, symbolic link) that leads to a folder this
  // walk already knows would make the folder list grow without end.
  bool LeadsBackIntoTheWalk(const std::string& folder);

  using FolderId = std::tuple<uint32_t, uint32_t, uint32_t>;  // volume, file index
  std::set<FolderId> knownFolders_;  // worker thread only
};

}  // namespace lumora::win
