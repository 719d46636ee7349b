// The Registry interface over the real registry, below HKEY_CURRENT_USER.
#pragma once

#include "app/registry.h"

namespace lumora::win {

class WinRegistry : public Registry {
 public:
  std::unique_ptr<RegistryKey> Open(const std::string& path, bool create) override;
  bool DeleteKey(const std::string& path) override;
};

}  // namespace lumora::win
