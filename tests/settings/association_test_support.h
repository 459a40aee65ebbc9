#pragma once
// A system whose executable and Windows version a test chooses, and short ways to seed the registry
// the way a torrent client's installer would.
#include <string>
#include <string_view>

#include "platform/app_host.h"
#include "settings/registry_functions.h"
#include "support/memory_registry.h"

namespace brisvane::testing {

inline constexpr OsVersionInfo kWindows10{10, 0, 19045, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindows7{6, 1, 7601, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindowsXp{5, 1, 2600, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindowsServer2003{5, 2, 3790, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindows2000{5, 0, 2195, kVerPlatformWin32Nt};

class ChosenSystem final : public ISystem {
 public:
  std::string CommandLineArguments() override { return {}; }
  std::string ExecutableFolder() override { return exe_path.substr(0, exe_path.find_last_of('\\')); }
  std::string ExpandEnvironment(std::string_view text) override { return std::string(text); }
  std::string ExecutablePath() override { return exe_path; }
  OsVersionInfo WindowsVersion() override {
    ++version_queries;
    return version;
  }

  std::string exe_path = "C:\\Apps\\Brisvane.exe";
  OsVersionInfo version = kWindows10;
  int version_queries = 0;
};

// Text as the registry functions read it back (a DWORD as its digits); empty when absent.
inline std::string ReadText(IRegistry& registry, RegistryRoot root, std::string_view key, std::string_view name) {
  return GetRegValue(registry, root, key, name, true).ToText();
}

// A REG_SZ value with its terminating NUL, creating the key.
inline void PutText(IRegistry& registry, RegistryRoot root, std::string_view key, std::string_view name,
                    std::string_view text) {
  registry.CreateKey(root, key);
  RegData data = MakeRegText(text);
  data.data.push_back(0);
  registry.SetValue(root, key, name, data);
}

// A class below the machine's classes (what HKEY_CLASSES_ROOT shows) with its open command.
inline void PutMachineClass(IRegistry& registry, std::string_view name, std::string_view command) {
  PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\" + std::string(name) + "\\shell\\open\\command",
          "", command);
}

}  // namespace brisvane::testing
