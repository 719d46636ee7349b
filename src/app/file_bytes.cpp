#include "app/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lumora {

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& pathUtf8, uint64_t limit) {
  std::ifstream in(PathOf(pathUtf8), std::ios::binary | std::ios::ate);
  if (!in) throw std::runtime_error("cannot open " + pathUtf8);
  const std::streamoff size = in.tellg();
  if (size < 0) throw std::runtime_error("cannot read " + pathUtf8);
  if (static_cast<uint64_t>(size) > limit) {
    throw std::runtime_error(pathUtf8 + " is larger than " + std::to_string(limit / (1024 * 1024)) + " MiB");
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    throw std::runtime_error("cannot read " + pathUtf8);
  }
  return bytes;
}

void WriteFileBytes(const std::string& pathUtf8, const std::vector<uint8_t>& bytes) {
  std::ofstream out(PathOf(pathUtf8), std::ios::binary | std::ios::trunc);
  if (!out || !out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())) ||
      !out.flush()) {
    throw std::runtime_error("cannot write " + pathUtf8);
  }
}

std::string ExtensionOf(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t separator = path.find_last_of("\\/:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return {};
  return path.substr(dot + 1);
}

}  // namespace lumora
