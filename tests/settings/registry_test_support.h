#pragma once
// Readable failure messages for registry values, and a registry that notes every call it passes on.
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "settings/registry_functions.h"

namespace brisvane {

inline void PrintTo(const RegValue& value, std::ostream* os) {
  if (value.IsInteger())
    *os << "integer " << value.integer();
  else
    *os << "text \"" << value.text() << "\"";
}

inline void PrintTo(const RegData& value, std::ostream* os) {
  *os << "type " << value.type << " [";
  for (const std::uint8_t b : value.data) {
    if (b >= 0x20 && b < 0x7F)
      *os << static_cast<char>(b);
    else
      *os << "\\x" << "0123456789abcdef"[b >> 4] << "0123456789abcdef"[b & 15];
  }
  *os << "]";
}

// Text data as the registry functions store it: the bytes followed by one NUL.
inline RegData StoredText(std::string_view text) {
  RegData data = MakeRegText(text);
  data.data.push_back(0);
  return data;
}

namespace testing {

// Passes every call on to `inner` and notes it as "Operation path[|name]".
class RecordingRegistry final : public IRegistry {
 public:
  explicit RecordingRegistry(IRegistry& inner) : inner_(inner) {}
  std::vector<std::string> calls;

  bool KeyExists(RegistryRoot root, std::string_view path) override {
    Note("KeyExists", path);
    return inner_.KeyExists(root, path);
  }
  bool CreateKey(RegistryRoot root, std::string_view path) override {
    Note("CreateKey", path);
    return inner_.CreateKey(root, path);
  }
  std::optional<RegData> QueryValue(RegistryRoot root, std::string_view path, std::string_view name) override {
    Note("QueryValue", path, name);
    return inner_.QueryValue(root, path, name);
  }
  bool SetValue(RegistryRoot root, std::string_view path, std::string_view name, const RegData& value) override {
    Note("SetValue", path, name);
    return inner_.SetValue(root, path, name, value);
  }
  bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) override {
    Note("DeleteValue", path, name);
    return inner_.DeleteValue(root, path, name);
  }
  bool DeleteSubkey(RegistryRoot root, std::string_view parent_path, std::string_view subkey) override {
    Note("DeleteSubkey", parent_path, subkey);
    return inner_.DeleteSubkey(root, parent_path, subkey);
  }
  std::optional<std::vector<std::string>> ValueNames(RegistryRoot root, std::string_view path) override {
    Note("ValueNames", path);
    return inner_.ValueNames(root, path);
  }

 private:
  void Note(std::string_view op, std::string_view path) { calls.push_back(std::string(op) + " " + std::string(path)); }
  void Note(std::string_view op, std::string_view path, std::string_view name) {
    calls.push_back(std::string(op) + " " + std::string(path) + "|" + std::string(name));
  }
  IRegistry& inner_;
};

}  // namespace testing
}  // namespace brisvane
