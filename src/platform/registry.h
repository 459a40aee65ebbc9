#pragma once
// The registry as the program sees it: a thin layer over the system's registry calls. Each call opens
// and closes its own key handle, so nothing stays open between calls.
//
// Text data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) crosses this seam as UTF-8 bytes with every stored
// NUL kept, so a value without a terminating NUL or with one in the middle looks the same here as it
// does in the registry. Data of every other type is passed as raw bytes.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace brisvane {

enum class RegistryRoot {
  CurrentUser,   // HKEY_CURRENT_USER
  ClassesRoot,   // HKEY_CLASSES_ROOT
  LocalMachine,  // HKEY_LOCAL_MACHINE
};

// Registry value types by their system numbers. A value read back may carry any number.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// True for the types whose data is text (UTF-16 in the registry, UTF-8 here).
constexpr bool IsRegTextType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

struct RegData {
  std::uint32_t type = kRegNone;
  Bytes data;

  friend bool operator==(const RegData&, const RegData&) = default;
};

// `text` is taken byte for byte, NULs included: add the terminating NUL yourself when it should be stored.
inline RegData MakeRegText(std::string_view text, std::uint32_t type = kRegSz) {
  return RegData{type, Bytes(text.begin(), text.end())};
}

// A REG_DWORD in the registry's little-endian layout.
inline RegData MakeRegDword(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  return RegData{kRegDword, Bytes{static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                  static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)}};
}

// Key paths are below the root, components separated by a backslash, without a leading backslash.
// The empty value name is the key's default value. Key and value names compare without regard to case.
class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // True when the key can be opened.
  virtual bool KeyExists(RegistryRoot root, std::string_view path) = 0;
  // Opens the key, creating it and any missing keys above it. True when it exists afterwards.
  virtual bool CreateKey(RegistryRoot root, std::string_view path) = 0;
  // The value's type and data; nothing when the key or the value is missing or unreadable.
  virtual std::optional<RegData> QueryValue(RegistryRoot root, std::string_view path,
                                            std::string_view name) = 0;
  // Sets the value in an existing key (the key is not created). True on success.
  virtual bool SetValue(RegistryRoot root, std::string_view path, std::string_view name,
                        const RegData& value) = 0;
  // True when the value existed and was deleted.
  virtual bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) = 0;
  // Deletes `subkey` below `parent_path` when it has no subkeys of its own. An empty `subkey` is
  // refused rather than taken to mean the parent itself. True when the key was deleted.
  virtual bool DeleteSubkey(RegistryRoot root, std::string_view parent_path, std::string_view subkey) = 0;
  // The key's value names in the platform's order; nothing when the key cannot be opened for reading.
  virtual std::optional<std::vector<std::string>> ValueNames(RegistryRoot root, std::string_view path) = 0;
};

// The registry of the machine the program runs on. Only the Windows build has one.
std::unique_ptr<IRegistry> MakeSystemRegistry();

}  // namespace brisvane
