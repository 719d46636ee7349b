// Whole files as bytes, named by UTF-8 paths on every platform (on Windows
// the file is opened by its wide name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// The file's bytes; throws std::runtime_error when it cannot be read or is
// larger than `limit` bytes.
std::vector<uint8_t> ReadFileBytes(const std::string& pathUtf8, uint64_t limit);
// Writes (replaces) the file; throws std::runtime_error on failure.
void WriteFileBytes(const std::string& pathUtf8, const std::vector<uint8_t>& bytes);
// The extension without its dot ("" when the name has none).
std::string ExtensionOf(const std::string& path);

}  // namespace lumora
