// The two file queues the scanners fill and the steps empty, and the rules
// by which a scanner turns directory entries into queue entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The folder with exactly one trailing "\".
std::string WithDelimiter(std::string_view folder);

// Every file goes into a queue except icons (".ICO" in any case): the steps
// decide by loading or playing what a picture or a sound is.
bool IsQueuedFile(std::string_view name);

// Folder lists compare whole paths without regard to case.
bool SameFolderText(std::string_view a, std::string_view b);
bool ContainsFolder(const std::vector<std::string>& folders, std::string_view folder);

// Takes the next picture: waits (waitAndYield: five seconds, processing
// messages) while the queue is empty, at least once and until the scanner
// has suspended itself. Empty text when nothing came.
std::string TakeNextPicture(std::vector<std::string>& files, bool randomOrder,
                            const std::function<uint32_t(uint32_t)>& random,
                            const std::function<bool()>& scannerSuspended, const std::function<void()>& waitAndYield);

// Takes the next sound: waits (sleepAndYield: 100 ms, processing messages)
// while the queue is empty and the scanner's pass is not done.
std::string TakeNextSound(std::vector<std::string>& files, bool randomOrder,
                          const std::function<uint32_t(uint32_t)>& random, const std::function<bool()>& passDone,
                          const std::function<void()>& sleepAndYield);

}  // namespace lumora
