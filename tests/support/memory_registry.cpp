#include "support/memory_registry.h"

#include <algorithm>
#include <ranges>
#include <utility>

namespace brisvane::testing {
namespace {

// The registry folds all of Unicode; the program's own names are ASCII, and so are the names the tests
// spell in another case.
char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool NamesEqual(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return Fold(x) == Fold(y); });
}

// The (name, item) entry of that name, for values and subkeys alike.
template <typename Entries>
auto Named(Entries& entries, std::string_view name) {
  return std::find_if(entries.begin(), entries.end(), [&](const auto& entry) { return NamesEqual(entry.first, name); });
}

}  // namespace

struct MemoryRegistry::Key {
  std::vector<std::pair<std::string, RegData>> values;  // in the order first set
  std::vector<std::pair<std::string, std::unique_ptr<Key>>> subkeys;
};

MemoryRegistry::MemoryRegistry()
    : current_user_(std::make_unique<Key>()), local_machine_(std::make_unique<Key>()) {
  Find(RegistryRoot::LocalMachine, "Software\\Classes", true);
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Find(RegistryRoot root, std::string_view path, bool create) {
  Key* key = root == RegistryRoot::CurrentUser ? current_user_.get() : local_machine_.get();
  const std::string full = (root == RegistryRoot::ClassesRoot ? "Software\\Classes\\" : "") + std::string(path);
  for (const auto name : std::views::split(full, '\\')) {
    const std::string_view part(name.begin(), name.end());
    if (part.empty()) continue;  // doubled backslashes count once
    auto it = Named(key->subkeys, part);
    if (it == key->subkeys.end()) {
      if (!create || read_only_) return nullptr;
      it = key->subkeys.emplace(key->subkeys.end(), std::string(part), std::make_unique<Key>());
    }
    key = it->second.get();
  }
  return key;
}

bool MemoryRegistry::KeyExists(RegistryRoot root, std::string_view path) { return Find(root, path, false); }

bool MemoryRegistry::CreateKey(RegistryRoot root, std::string_view path) { return Find(root, path, true); }

// The key and the entry of the value of that name in it; the key is null when there is none.
auto MemoryRegistry::Lookup(RegistryRoot root, std::string_view path, std::string_view name) {
  Key* key = Find(root, path, false);
  return std::pair(key, key ? Named(key->values, name) : decltype(Named(key->values, name)){});
}

std::optional<RegData> MemoryRegistry::QueryValue(RegistryRoot root, std::string_view path, std::string_view name) {
  const auto [key, it] = Lookup(root, path, name);
  return key && it != key->values.end() ? std::optional(it->second) : std::nullopt;
}

bool MemoryRegistry::SetValue(RegistryRoot root, std::string_view path, std::string_view name, const RegData& value) {
  const auto [key, it] = Lookup(root, path, name);
  if (!key || read_only_) return false;
  if (it == key->values.end()) key->values.emplace_back(std::string(name), value);
  else it->second = value;  // keeps the name's first spelling and its place
  return true;
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) {
  const auto [key, it] = Lookup(root, path, name);
  if (!key || read_only_ || it == key->values.end()) return false;
  key->values.erase(it);
  return true;
}

bool MemoryRegistry::DeleteSubkey(RegistryRoot root, std::string_view parent_path, std::string_view subkey) {
  if (subkey.empty() || read_only_) return false;
  const std::size_t slash = subkey.rfind('\\');  // npos + 1: the subkey is a single name
  Key* parent = Find(root, std::string(parent_path) + "\\" + std::string(subkey.substr(0, slash + 1)), false);
  if (!parent) return false;
  const auto it = Named(parent->subkeys, subkey.substr(slash + 1));
  if (it == parent->subkeys.end() || !it->second->subkeys.empty()) return false;
  parent->subkeys.erase(it);
  return true;
}

std::optional<std::vector<std::string>> MemoryRegistry::ValueNames(RegistryRoot root, std::string_view path) {
  Key* key = Find(root, path, false);
  if (!key) return std::nullopt;
  const auto names = std::views::keys(key->values);
  return std::vector<std::string>(names.begin(), names.end());
}

}  // namespace brisvane::testing
