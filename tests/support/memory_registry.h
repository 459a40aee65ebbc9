#pragma once
// An in-memory registry for tests, behaving like the Windows one where the program can tell: key and
// value names compare without regard to ASCII case, doubled backslashes in a path count once, values
// enumerate in the order they were first set, a key with subkeys cannot be deleted, and the classes
// root is the machine's Software\Classes key (the view Wine gives).
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace brisvane::testing {

class MemoryRegistry final : public IRegistry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  // While set, every change fails as it would on keys the user may not write; reads still work.
  void SetReadOnly(bool read_only) { read_only_ = read_only; }

  bool KeyExists(RegistryRoot root, std::string_view path) override;
  bool CreateKey(RegistryRoot root, std::string_view path) override;
  std::optional<RegData> QueryValue(RegistryRoot root, std::string_view path, std::string_view name) override;
  bool SetValue(RegistryRoot root, std::string_view path, std::string_view name, const RegData& value) override;
  bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) override;
  bool DeleteSubkey(RegistryRoot root, std::string_view parent_path, std::string_view subkey) override;
  std::optional<std::vector<std::string>> ValueNames(RegistryRoot root, std::string_view path) override;

 private:
  struct Key;
  Key* Find(RegistryRoot root, std::string_view path, bool create);
  auto Lookup(RegistryRoot root, std::string_view path, std::string_view name);

  std::unique_ptr<Key> current_user_;
  std::unique_ptr<Key> local_machine_;
  bool read_only_ = false;
};

}  // namespace brisvane::testing
