#pragma once
// Readable registry values in failure messages, and short ways to seed a registry the way a torrent
// client's installer would.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "settings/registry_functions.h"

namespace brisvane {

inline void PrintTo(const RegValue& value, std::ostream* os) {
  *os << (value.IsInteger() ? "integer " + std::to_string(value.integer())
                             : "text " + ::testing::PrintToString(value.text()));
}

inline void PrintTo(const RegData& value, std::ostream* os) {
  *os << "type " << value.type << " " << ::testing::PrintToString(std::string(value.data.begin(), value.data.end()));
}

// Text data as the registry functions store it: the bytes followed by one NUL.
inline RegData StoredText(std::string_view text) {
  RegData data = MakeRegText(text);
  data.data.push_back(0);
  return data;
}

namespace testing {

// Text as the registry functions read it back (a DWORD as its digits); empty when absent.
inline std::string ReadText(IRegistry& registry, RegistryRoot root, std::string_view key, std::string_view name = "") {
  return GetRegValue(registry, root, key, name, true).ToText();
}

// A REG_SZ value with its terminating NUL, creating the key.
inline void PutText(IRegistry& registry, RegistryRoot root, std::string_view key, std::string_view name,
                    std::string_view text) {
  registry.CreateKey(root, key);
  registry.SetValue(root, key, name, StoredText(text));
}

// A class below the machine's classes (what HKEY_CLASSES_ROOT shows) with its open command.
inline void PutMachineClass(IRegistry& registry, std::string_view name, std::string_view command) {
  PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\" + std::string(name) + "\\shell\\open\\command",
          "", command);
}

}  // namespace testing
}  // namespace brisvane
