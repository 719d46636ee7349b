// A registry held in memory, for the native tests and tools. It can load the
// text of a .reg file (REGEDIT4 or version 5.00, UTF-8 or UTF-16LE) so the
// same file can be imported into Wine's registry and compared.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "app/registry.h"

namespace lumora {

class MemoryRegistry : public Registry {
 public:
  std::unique_ptr<RegistryKey> Open(const std::string& path, bool create) override;
  bool DeleteKey(const std::string& path) override;

  // Loads the keys and values of a .reg file below HKEY_CURRENT_USER; keys of
  // other roots are skipped. Throws std::runtime_error on text it cannot read.
  void LoadRegFile(std::string_view bytes);

  bool HasKey(const std::string& path) const;

 private:
  struct Key {
    // lower-cased name -> (name as written, value)
    std::map<std::string, std::pair<std::string, RegValue>> values;
  };
  class KeyView;
  static std::string Normalise(const std::string& path);
  std::map<std::string, Key> keys_;  // lower-cased normalised path -> key
};

}  // namespace lumora
