#include "app/registry.h"

namespace lumora {

int32_t ReadInteger(const RegistryKey& key, const std::string& name) {
  const std::optional<RegValue> v = key.Get(name);
  if (!v) throw RegistryError("Value \"" + name + "\" does not exist");
  if (v->type != RegType::Dword) throw RegistryError("Invalid data type for \"" + name + "\"");
  return static_cast<int32_t>(v->dword);
}

bool ReadSwitch(const RegistryKey& key, const std::string& name) {
  return (static_cast<uint32_t>(ReadInteger(key, name)) & 0xFFu) != 0;
}

std::string ReadText(const RegistryKey& key, const std::string& name) {
  const std::optional<RegValue> v = key.Get(name);
  if (!v) return {};
  if (v->type != RegType::String && v->type != RegType::ExpandString) {
    throw RegistryError("Invalid data type for \"" + name + "\"");
  }
  return v->text;
}

int32_t ReadIntegerOr(const RegistryKey& key, const std::string& name, int32_t fallback) {
  try {
    return ReadInteger(key, name);
  } catch (const RegistryError&) {
    return fallback;
  }
}

bool ReadSwitchOr(const RegistryKey& key, const std::string& name, bool fallback) {
  try {
    return ReadSwitch(key, name);
  } catch (const RegistryError&) {
    return fallback;
  }
}

std::string ReadTextOr(const RegistryKey& key, const std::string& name, const std::string& fallback) {
  try {
    return ReadText(key, name);
  } catch (const RegistryError&) {
    return fallback;
  }
}

void WriteInteger(RegistryKey& key, const std::string& name, int32_t value) {
  key.Put(name, RegValue::Number(static_cast<uint32_t>(value)));
}

void WriteText(RegistryKey& key, const std::string& name, const std::string& value) {
  key.Put(name, RegValue::Text(value));
}

}  // namespace lumora
