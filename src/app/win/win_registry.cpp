#include "app/win/win_registry.h"

#include <windows.h>

#include <vector>

#include "app/win/handles.h"
#include "app/win/wide.h"

namespace lumora::win {
namespace {

std::wstring KeyPath(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.front() == '\\') p.erase(0, 1);
  return Wide(p);
}

class WinKey : public RegistryKey {
 public:
  explicit WinKey(UniqueKey key) : key_(std::move(key)) {}

  std::optional<RegValue> Get(const std::string& name) const override {
    const std::wstring wname = Wide(name);
    DWORD type = 0;
    // Most values (numbers, folder paths) fit the first buffer, so a list of
    // thousands of folders costs one registry call per entry, not two.
    std::vector<BYTE> data(1024);
    DWORD size = static_cast<DWORD>(data.size());
    LONG rc = ::RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, data.data(), &size);
    // A value that grew between the two calls asks again.
    for (int tries = 0; rc == ERROR_MORE_DATA && tries < 4; ++tries) {
      data.resize(size + sizeof(wchar_t));
      size = static_cast<DWORD>(data.size());
      rc = ::RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, data.data(), &size);
    }
    if (rc != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    RegValue v;
    v.type = static_cast<RegType>(type);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
      const size_t nul = text.find(L'\0');
      if (nul != std::wstring::npos) text.resize(nul);
      v.text = Utf8(text);
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
      v.dword = *reinterpret_cast<const DWORD*>(data.data());
    } else {
      if (type == REG_DWORD) v.type = RegType::Binary;  // a DWORD of the wrong length is no number
      v.data.assign(data.begin(), data.end());
    }
    return v;
  }

  void Put(const std::string& name, const RegValue& value) override {
    const std::wstring wname = Wide(name);
    LONG rc = ERROR_INVALID_PARAMETER;
    if (value.type == RegType::String || value.type == RegType::ExpandString) {
      const std::wstring text = Wide(value.text);
      rc = ::RegSetValueExW(key_.get(), wname.c_str(), 0, static_cast<DWORD>(value.type),
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else if (value.type == RegType::Dword) {
      const DWORD d = value.dword;
      rc = ::RegSetValueExW(key_.get(), wname.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), sizeof d);
    } else {
      rc = ::RegSetValueExW(key_.get(), wname.c_str(), 0, static_cast<DWORD>(value.type), value.data.data(),
                            static_cast<DWORD>(value.data.size()));
    }
    if (rc != ERROR_SUCCESS) throw RegistryError("Failed to set data for \"" + name + "\"");
  }

 private:
  UniqueKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> WinRegistry::Open(const std::string& path, bool create) {
  HKEY key = nullptr;
  const std::wstring wpath = KeyPath(path);
  LONG rc;
  if (create) {
    rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, wpath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  } else {
    rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, wpath.c_str(), 0, KEY_READ, &key);
  }
  if (rc != ERROR_SUCCESS) return nullptr;
  return std::make_unique<WinKey>(UniqueKey(key));
}

bool WinRegistry::DeleteKey(const std::string& path) {
  const std::wstring wpath = KeyPath(path);
  // RegDeleteTreeW empties the key; RegDeleteKeyW then removes the key itself.
  if (::RegDeleteTreeW(HKEY_CURRENT_USER, wpath.c_str()) != ERROR_SUCCESS) return false;
  ::RegDeleteKeyW(HKEY_CURRENT_USER, wpath.c_str());
  return true;
}

}  // namespace lumora::win
