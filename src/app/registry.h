// The registry as the settings code sees it: keys below HKEY_CURRENT_USER,
// addressed by "\"-separated paths, holding typed values. The Win32 shell
// implements it over the real registry; MemoryRegistry keeps it in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumora {

enum class RegType : uint32_t {
  None = 0,
  String = 1,        // REG_SZ
  ExpandString = 2,  // REG_EXPAND_SZ
  Binary = 3,        // REG_BINARY
  Dword = 4,         // REG_DWORD
  MultiString = 7,   // REG_MULTI_SZ
  Qword = 11,        // REG_QWORD
};

struct RegValue {
  RegType type = RegType::None;
  std::string text;           // String, ExpandString (UTF-8)
  uint32_t dword = 0;         // Dword
  std::vector<uint8_t> data;  // every other type, raw

  static RegValue Text(std::string s) {
    RegValue v;
    v.type = RegType::String;
    v.text = std::move(s);
    return v;
  }
  static RegValue Number(uint32_t n) {
    RegValue v;
    v.type = RegType::Dword;
    v.dword = n;
    return v;
  }
  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// A value that is absent when it must be present, has the wrong type, or a
// write that failed.
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Nothing when the value does not exist.
  virtual std::optional<RegValue> Get(const std::string& name) const = 0;
  // Throws RegistryError when the value cannot be written.
  virtual void Put(const std::string& name, const RegValue& value) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens a key below HKEY_CURRENT_USER; a leading "\" is allowed. Returns
  // nullptr when the key does not exist (or cannot be created with create).
  virtual std::unique_ptr<RegistryKey> Open(const std::string& path, bool create) = 0;
  // Deletes a key with all its sub-keys; false when it did not exist.
  virtual bool DeleteKey(const std::string& path) = 0;
};

// Typed reads with the error rules the stored settings were written for:
// an integer that is absent or not a DWORD is an error; a text that is absent
// reads as empty, a text of another type is an error.
int32_t ReadInteger(const RegistryKey& key, const std::string& name);
bool ReadSwitch(const RegistryKey& key, const std::string& name);  // low 8 bits not 0
std::string ReadText(const RegistryKey& key, const std::string& name);

// The same reads with a value for the error case.
int32_t ReadIntegerOr(const RegistryKey& key, const std::string& name, int32_t fallback);
bool ReadSwitchOr(const RegistryKey& key, const std::string& name, bool fallback);
std::string ReadTextOr(const RegistryKey& key, const std::string& name, const std::string& fallback);

// Runs a run of reads: the first RegistryError ends it and is dropped, so
// the values after it keep what they held.
template <typename Reads>
void ReadRun(Reads&& reads) {
  try {
    reads();
  } catch (const RegistryError&) {
  }
}

void WriteInteger(RegistryKey& key, const std::string& name, int32_t value);
void WriteText(RegistryKey& key, const std::string& name, const std::string& value);

}  // namespace lumora
