#include "support/memory_registry.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace brisvane::testing {
namespace {

// Next code point of UTF-8 text; a byte that starts no valid sequence stands for itself, outside Unicode.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const int length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (length == 1 || length == 0 || i + length > s.size()) {
    ++i;
    return length == 1 ? b : 0x110000 + b;
  }
  char32_t cp = b & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0x110000 + b;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += length;
  return cp;
}

// Upper case for the scripts the tests use; the registry itself folds all of Unicode.
char32_t Fold(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));  // doubled backslashes count once
    start = end + 1;
  }
  return parts;
}

}  // namespace

bool RegistryNamesEqual(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (Fold(NextCodePoint(a, i)) != Fold(NextCodePoint(b, j))) return false;
  return i == a.size() && j == b.size();
}

struct MemoryRegistry::Key {
  std::string name;
  std::vector<std::pair<std::string, RegData>> values;  // in the order first set
  std::vector<std::unique_ptr<Key>> subkeys;

  Key* Subkey(std::string_view wanted) {
    for (auto& subkey : subkeys)
      if (RegistryNamesEqual(subkey->name, wanted)) return subkey.get();
    return nullptr;
  }
  std::pair<std::string, RegData>* Value(std::string_view wanted) {
    for (auto& value : values)
      if (RegistryNamesEqual(value.first, wanted)) return &value;
    return nullptr;
  }
};

MemoryRegistry::MemoryRegistry()
    : current_user_(std::make_unique<Key>()), local_machine_(std::make_unique<Key>()) {
  Find(RegistryRoot::LocalMachine, "Software\\Classes", true);
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Find(RegistryRoot root, std::string_view path, bool create) {
  if (!path.empty() && path.front() == '\\') return nullptr;  // the system refuses a leading backslash
  Key* key = root == RegistryRoot::CurrentUser ? current_user_.get() : local_machine_.get();
  if (root == RegistryRoot::ClassesRoot) {
    key = key->Subkey("Software");
    if (key) key = key->Subkey("Classes");
    if (!key) return nullptr;
  }
  for (const std::string_view part : SplitPath(path)) {
    Key* next = key->Subkey(part);
    if (!next) {
      if (!create || read_only_) return nullptr;
      key->subkeys.push_back(std::make_unique<Key>());
      next = key->subkeys.back().get();
      next->name = std::string(part);
    }
    key = next;
  }
  return key;
}

bool MemoryRegistry::KeyExists(RegistryRoot root, std::string_view path) { return Find(root, path, false); }

bool MemoryRegistry::CreateKey(RegistryRoot root, std::string_view path) { return Find(root, path, true); }

std::optional<RegData> MemoryRegistry::QueryValue(RegistryRoot root, std::string_view path,
                                                  std::string_view name) {
  Key* key = Find(root, path, false);
  if (!key) return std::nullopt;
  const auto* value = key->Value(name);
  if (!value) return std::nullopt;
  return value->second;
}

bool MemoryRegistry::SetValue(RegistryRoot root, std::string_view path, std::string_view name,
                              const RegData& value) {
  Key* key = Find(root, path, false);
  if (!key || read_only_) return false;
  if (auto* existing = key->Value(name))
    existing->second = value;  // keeps the name's first spelling and its place
  else
    key->values.emplace_back(std::string(name), value);
  return true;
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) {
  Key* key = Find(root, path, false);
  if (!key || read_only_) return false;
  const auto it = std::find_if(key->values.begin(), key->values.end(),
                               [&](const auto& value) { return RegistryNamesEqual(value.first, name); });
  if (it == key->values.end()) return false;
  key->values.erase(it);
  return true;
}

bool MemoryRegistry::DeleteSubkey(RegistryRoot root, std::string_view parent_path, std::string_view subkey) {
  if (subkey.empty() || subkey.front() == '\\' || read_only_) return false;
  Key* parent = Find(root, parent_path, false);
  const std::vector<std::string_view> parts = SplitPath(subkey);
  if (!parent || parts.empty()) return false;
  for (std::size_t k = 0; k + 1 < parts.size() && parent; ++k) parent = parent->Subkey(parts[k]);
  if (!parent) return false;
  const auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                               [&](const auto& key) { return RegistryNamesEqual(key->name, parts.back()); });
  if (it == parent->subkeys.end() || !(*it)->subkeys.empty()) return false;
  parent->subkeys.erase(it);
  return true;
}

std::optional<std::vector<std::string>> MemoryRegistry::ValueNames(RegistryRoot root, std::string_view path) {
  Key* key = Find(root, path, false);
  if (!key) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& value : key->values) names.push_back(value.first);
  return names;
}

}  // namespace brisvane::testing
