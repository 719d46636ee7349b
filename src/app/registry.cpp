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

void WriteInteger(RegistryKey& key, const std::string& name, int32_t value) {
  key.Put(name, RegValue::Number(static_cast<uint32_t>(value)));
}

void WriteText(RegistryKey& key, const std::string& name, const std::string& value) {
  key.Put(name, RegValue::Text(value));
}

}  // namespace lumora
