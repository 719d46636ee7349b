#include "app/memory_registry.h"

#include <cctype>
#include <stdexcept>
#include <vector>

#include "app/text.h"

namespace lumora {

class MemoryRegistry::KeyView : public RegistryKey {
 public:
  KeyView(MemoryRegistry& owner, std::string path) : owner_(owner), path_(std::move(path)) {}

  std::optional<RegValue> Get(const std::string& name) const override {
    const auto key = owner_.keys_.find(path_);
    if (key == owner_.keys_.end()) return std::nullopt;
    const auto value = key->second.values.find(AsciiLower(name));
    if (value == key->second.values.end()) return std::nullopt;
    return value->second.second;
  }

  void Put(const std::string& name, const RegValue& value) override {
    const auto key = owner_.keys_.find(path_);
    if (key == owner_.keys_.end()) throw RegistryError("Key was deleted: " + path_);
    key->second.values[AsciiLower(name)] = {name, value};
  }

  static std::string AsciiLower(const std::string& s) {
    std::string out = s;
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }

 private:
  MemoryRegistry& owner_;
  std::string path_;
};

std::string MemoryRegistry::Normalise(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\') {
      if (!out.empty() && out.back() != '\\') out += '\\';
    } else {
      out += c;
    }
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return KeyView::AsciiLower(out);
}

std::unique_ptr<RegistryKey> MemoryRegistry::Open(const std::string& path, bool create) {
  const std::string key = Normalise(path);
  if (!HasKey(key)) {
    if (!create) return nullptr;
    for (size_t p = key.find('\\'); p != std::string::npos; p = key.find('\\', p + 1)) {
      keys_.try_emplace(key.substr(0, p));
    }
    keys_.try_emplace(key);
  }
  keys_.try_emplace(key);  // a parent known only through its children
  return std::make_unique<KeyView>(*this, key);
}

bool MemoryRegistry::HasKey(const std::string& path) const {
  const std::string key = Normalise(path);
  if (keys_.count(key)) return true;
  const auto child = keys_.lower_bound(key + "\\");
  return child != keys_.end() && child->first.compare(0, key.size() + 1, key + "\\") == 0;
}

bool MemoryRegistry::DeleteKey(const std::string& path) {
  const std::string key = Normalise(path);
  bool found = false;
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == key || it->first.compare(0, key.size() + 1, key + "\\") == 0) {
      it = keys_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

namespace {

std::string DecodeRegText(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return Utf16ToUtf8(wide);
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return std::string(bytes);
}

// Reads a quoted string starting at text[pos] == '"'; moves pos past it.
std::string ReadQuoted(const std::string& text, size_t& pos) {
  std::string out;
  ++pos;
  while (pos < text.size() && text[pos] != '"') {
    if (text[pos] == '\\' && pos + 1 < text.size()) ++pos;
    out += text[pos++];
  }
  if (pos >= text.size()) throw std::runtime_error("unterminated string in .reg line: " + text);
  ++pos;
  return out;
}

std::vector<uint8_t> ReadHexBytes(std::string_view text) {
  std::vector<uint8_t> out;
  std::string digits;
  auto flush = [&] {
    if (digits.empty()) return;
    if (digits.size() > 2) throw std::runtime_error("bad hex byte in .reg file: " + digits);
    out.push_back(static_cast<uint8_t>(std::stoul(digits, nullptr, 16)));
    digits.clear();
  };
  for (char c : text) {
    if (c == ',') {
      flush();
    } else if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (static_cast<unsigned char>(c) > ' ' && c != '\\') {
      throw std::runtime_error(std::string("bad character in hex data: ") + c);
    }
  }
  flush();
  return out;
}

RegValue ParseData(const std::string& data) {
  if (!data.empty() && data[0] == '"') {
    size_t pos = 0;
    return RegValue::Text(ReadQuoted(data, pos));
  }
  if (data.rfind("dword:", 0) == 0) {
    return RegValue::Number(static_cast<uint32_t>(std::stoul(data.substr(6), nullptr, 16)));
  }
  RegValue v;
  size_t colon = data.find(':');
  if (data.rfind("hex:", 0) == 0) {
    v.type = RegType::Binary;
  } else if (data.rfind("hex(", 0) == 0 && colon != std::string::npos) {
    v.type = static_cast<RegType>(std::stoul(data.substr(4, colon - 5), nullptr, 16));
  } else {
    throw std::runtime_error("unknown value data in .reg file: " + data);
  }
  v.data = ReadHexBytes(std::string_view(data).substr(colon + 1));
  if (v.type == RegType::ExpandString || v.type == RegType::String) {
    std::u16string wide;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2) {
      const char16_t c = static_cast<char16_t>(v.data[i] | (v.data[i + 1] << 8));
      if (c == 0) break;
      wide += c;
    }
    v.text = Utf16ToUtf8(wide);
    v.data.clear();
  } else if (v.type == RegType::Dword && v.data.size() == 4) {
    v.dword = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
    v.data.clear();
  }
  return v;
}

}  // namespace

void MemoryRegistry::LoadRegFile(std::string_view bytes) {
  const std::string text = DecodeRegText(bytes);
  std::vector<std::string> lines;
  std::string current;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    const std::string_view trimmed = Trim(line);
    // A trailing backslash continues hex data on the next line.
    if (!trimmed.empty() && trimmed.back() == '\\' && trimmed.find("=hex") != std::string_view::npos) {
      current += std::string(trimmed.substr(0, trimmed.size() - 1));
      continue;
    }
    if (!current.empty()) {
      current += std::string(trimmed);
      lines.push_back(current);
      current.clear();
    } else {
      lines.emplace_back(trimmed);
    }
    if (end == text.size()) break;
  }

  static const std::string kRoots[] = {"HKEY_CURRENT_USER\\", "HKCU\\"};
  std::unique_ptr<RegistryKey> key;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == ';' || line.rfind("REGEDIT4", 0) == 0 ||
        line.rfind("Windows Registry Editor", 0) == 0) {
      continue;
    }
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string::npos) throw std::runtime_error("bad key line in .reg file: " + line);
      std::string path = line.substr(1, close - 1);
      const bool remove = !path.empty() && path[0] == '-';
      if (remove) path.erase(0, 1);
      key.reset();
      for (const std::string& root : kRoots) {
        if (path.size() >= root.size() && KeyView::AsciiLower(path.substr(0, root.size())) ==
                                              KeyView::AsciiLower(root)) {
          const std::string sub = path.substr(root.size());
          if (remove) {
            DeleteKey(sub);
          } else {
            key = Open(sub, true);
          }
        }
      }
      continue;
    }
    if (!key) continue;  // values of a key outside HKEY_CURRENT_USER
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      name = ReadQuoted(line, pos);
    } else {
      throw std::runtime_error("bad value line in .reg file: " + line);
    }
    if (pos >= line.size() || line[pos] != '=') throw std::runtime_error("missing = in .reg line: " + line);
    const std::string data(Trim(std::string_view(line).substr(pos + 1)));
    if (data == "-") {
      throw std::runtime_error("value deletion is not supported in .reg files here: " + line);
    }
    key->Put(name, ParseData(data));
  }
}

}  // namespace lumora
