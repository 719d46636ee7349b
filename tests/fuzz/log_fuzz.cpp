// The log trimming over a log made of the input (its first byte picks the
// log's name, the rest are its lines; a few of the names make the rewrite
// or the replacement fail): a log of more than 10,000 lines ends up as its
// last 100, any failure leaves it whole, and nothing else happens.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "media/log_file.h"

namespace {

class MemoryStorage : public lumora::LogStorage {
 public:
  std::map<std::string, std::vector<std::string>> files;
  bool failRewrite = false, failReplace = false;

  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::vector<std::string> ReadRawLines(const std::string& path) override { return files.at(path); }
  bool RewriteRaw(const std::string& path, const std::vector<std::string>& lines) override {
    if (failRewrite) return false;
    files[path] = lines;
    return true;
  }
  void ReplaceLog(const std::string& replacement, const std::string& target) override {
    if (failReplace) throw lumora::LogError("replace failed");
    files[target] = files.at(replacement);
    files.erase(replacement);
  }
  void Append(const std::string& path, const std::vector<std::string>& lines) override {
    files[path].insert(files[path].end(), lines.begin(), lines.end());
  }
  void CreateFolder(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kNames[] = {"C:\\log.txt", "log", "C:\\a.b\\log", "", "\\\\server\\share\\x.log."};
  const std::string name = kNames[data[0] % 5];
  MemoryStorage storage;
  storage.failRewrite = data[0] % 7 == 1;
  storage.failReplace = data[0] % 11 == 2;
  std::vector<std::string> lines(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += static_cast<char>(data[i]);
    }
  }
  // Long logs without a long input: a byte 0xFF stands for a thousand lines.
  std::vector<std::string> expanded;
  for (const std::string& line : lines) {
    expanded.push_back(line);
    if (line == "\xFF") expanded.insert(expanded.end(), 1000, "x");
  }
  if (!name.empty()) storage.files[name] = expanded;
  lumora::TrimLogFile(storage, name);
  lumora::BakName(name);
  lumora::ResolveLogName(std::string(reinterpret_cast<const char*>(data), size), "C:\\Program\\");
  if (name.empty()) return 0;
  const std::vector<std::string>& after = storage.files.at(name);
  const bool trimmed = expanded.size() > lumora::kTrimAboveLines && !storage.failRewrite && !storage.failReplace;
  if (trimmed) {
    if (after != std::vector<std::string>(expanded.end() - lumora::kKeptLines, expanded.end())) __builtin_trap();
  } else if (after != expanded) {
    __builtin_trap();
  }
  return 0;
}
