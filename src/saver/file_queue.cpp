#include "saver/file_queue.h"

#include "app/text.h"

namespace lumora {

namespace {

std::string TakeAt(std::vector<std::string>& files, bool randomOrder, const std::function<uint32_t(uint32_t)>& random) {
  const size_t index = randomOrder ? random(static_cast<uint32_t>(files.size())) : 0;
  std::string taken = std::move(files[index]);
  files.erase(files.begin() + static_cast<std::ptrdiff_t>(index));
  return taken;
}

}  // namespace

std::string WithDelimiter(std::string_view folder) {
  std::string result(folder);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

bool IsQueuedFile(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return true;
  return AsciiUpper(name.substr(dot)) != ".ICO";
}

bool SameFolderText(std::string_view a, std::string_view b) { return AsciiUpper(a) == AsciiUpper(b); }

bool ContainsFolder(const std::vector<std::string>& folders, std::string_view folder) {
  const std::string wanted = AsciiUpper(folder);
  for (const std::string& entry : folders) {
    if (entry.size() == wanted.size() && AsciiUpper(entry) == wanted) return true;
  }
  return false;
}

std::string TakeNextPicture(std::vector<std::string>& files, bool randomOrder,
                            const std::function<uint32_t(uint32_t)>& random,
                            const std::function<bool()>& scannerSuspended, const std::function<void()>& waitAndYield) {
  for (int waits = 0; files.empty(); ++waits) {
    if (waits >= 1 && scannerSuspended()) break;
    waitAndYield();
  }
  if (files.empty()) return {};
  return TakeAt(files, randomOrder, random);
}

std::string TakeNextSound(std::vector<std::string>& files, bool randomOrder,
                          const std::function<uint32_t(uint32_t)>& random, const std::function<bool()>& passDone,
                          const std::function<void()>& sleepAndYield) {
  while (files.empty() && !passDone()) sleepAndYield();
  if (files.empty()) return {};
  return TakeAt(files, randomOrder, random);
}

}  // namespace lumora
