#include "settings/magnet_association.h"

#include "settings/registry_functions.h"
#include "settings/settings_store.h"
#include "settings/torrent_association.h"
#include "settings/windows_version.h"

namespace brisvane {
namespace {

constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr RegistryRoot CR = RegistryRoot::ClassesRoot;

// The user's own handler as Set found it, in the settings key, for Revert.
constexpr std::string_view kRememberedCommand = "magnet command";
constexpr std::string_view kRememberedIcon = "magnet icon";
constexpr std::string_view kRememberedChoice = "magnet ProgID";

std::string CommandKey(std::string_view class_key) { return std::string(class_key) + "\\shell\\open\\command"; }
std::string IconKey(std::string_view class_key) { return std::string(class_key) + "\\DefaultIcon"; }

// The old shell knows no per-user choice for a scheme.
bool KeepsAChoice(ISystem& system) { return !IsOldShellVersion(GetWindowsVersionName(system)); }

std::string ChosenClass(IRegistry& registry, ISystem& system) {
  return KeepsAChoice(system) ? ReadRegText(registry, CU, kMagnetUserChoiceKey, "Progid") : std::string();
}

// The user's class for the scheme wins over the machine's.
std::string SchemeCommand(IRegistry& registry) {
  std::string command = ReadRegText(registry, CU, CommandKey(kUserMagnetKey), "");
  if (command.empty()) command = ReadRegText(registry, CR, CommandKey(kMachineMagnetKey), "");
  return command;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The program a command line starts, as a name to show: the quoted path, or an unquoted one through its
// ".exe" (or up to the first blank), without its folder.
std::string ProgramFileName(std::string_view command) {
  std::string_view program = command;
  if (!program.empty() && program.front() == '"') {
    program.remove_prefix(1);
    program = program.substr(0, program.find('"'));
  } else {
    std::string lower(program);
    for (char& c : lower) c = Lower(c);
    const std::size_t exe = lower.find(".exe");
    program = program.substr(0, exe == std::string::npos ? program.find(' ') : exe + 4);
  }
  const std::size_t slash = program.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? program : program.substr(slash + 1));
}

// Made anew rather than rewritten: Windows guards the old key's values against changes.
void ReplaceChoice(IRegistry& registry, std::string_view progid) {
  DeleteRegKey(registry, CU, kMagnetAssociationKey, "UserChoice");
  CreateRegKey(registry, CU, kMagnetUserChoiceKey);
  SetRegValue(registry, CU, kMagnetUserChoiceKey, "Progid", progid);
}

// Deepest first; a key the user put more into stays.
void RemoveClass(IRegistry& registry, std::string_view class_key) {
  const std::string key(class_key);
  DeleteRegKey(registry, CU, key + "\\shell\\open", "command");
  DeleteRegKey(registry, CU, key + "\\shell", "open");
  DeleteRegKey(registry, CU, key, "shell");
  DeleteRegKey(registry, CU, key, "DefaultIcon");
  const std::size_t slash = key.rfind('\\');
  DeleteRegKey(registry, CU, key.substr(0, slash), key.substr(slash + 1));
}

}  // namespace

void WriteMagnetClass(IRegistry& registry, ISystem& system, std::string_view key) {
  const std::string exe = system.ExecutablePath();
  if (ReadRegText(registry, CU, key, "").empty()) SetRegValue(registry, CU, key, "", std::string_view("URL:Magnet link"));
  SetRegValue(registry, CU, key, "URL Protocol", std::string_view());
  SetRegValue(registry, CU, IconKey(key), "", std::string_view("\"" + exe + "\",0"));
  SetRegValue(registry, CU, CommandKey(key), "", std::string_view(OpenCommandLine(exe)));
}

std::string FindMagnetHandlerCommand(IRegistry& registry, ISystem& system) {
  const std::string chosen = ChosenClass(registry, system);
  if (!chosen.empty()) {
    std::string command = ReadRegText(registry, CU, CommandKey("Software\\Classes\\" + chosen), "");
    if (command.empty()) command = ReadRegText(registry, CR, CommandKey(chosen), "");
    if (!command.empty()) return command;
  }
  return SchemeCommand(registry);
}

std::string FindMagnetHandlerName(IRegistry& registry, ISystem& system) {
  std::string chosen = ChosenClass(registry, system);
  return chosen.empty() ? ProgramFileName(SchemeCommand(registry)) : chosen;
}

std::string SetMagnetAssociation(IRegistry& registry, ISystem& system) {
  EnsureRegKey(registry, CU, kSettingsKey);
  SetRegValue(registry, CU, kSettingsKey, kRememberedCommand, ReadRegText(registry, CU, CommandKey(kUserMagnetKey), ""));
  SetRegValue(registry, CU, kSettingsKey, kRememberedIcon, ReadRegText(registry, CU, IconKey(kUserMagnetKey), ""));
  SetRegValue(registry, CU, kSettingsKey, kRememberedChoice, ChosenClass(registry, system));

  WriteMagnetClass(registry, system, kUserMagnetKey);
  if (KeepsAChoice(system) && RegKeyExists(registry, CU, kMagnetUserChoiceKey)) {
    // The user's choice would still win over the scheme's class: it names the program's own class now.
    WriteMagnetClass(registry, system, kMagnetClassKey);
    ReplaceChoice(registry, kMagnetProgId);
  }
  return FindMagnetHandlerName(registry, system);
}

std::string RevertMagnetAssociation(IRegistry& registry, ISystem& system) {
  const std::string command = ReadRegText(registry, CU, kSettingsKey, kRememberedCommand);
  if (command.empty()) {
    RemoveClass(registry, kUserMagnetKey);  // the machine's handler answers again
  } else {
    SetRegValue(registry, CU, CommandKey(kUserMagnetKey), "", command);
    const std::string icon = ReadRegText(registry, CU, kSettingsKey, kRememberedIcon);
    if (icon.empty()) {
      DeleteRegKey(registry, CU, kUserMagnetKey, "DefaultIcon");
    } else {
      SetRegValue(registry, CU, IconKey(kUserMagnetKey), "", icon);
    }
  }
  // A choice the user has made since stays theirs.
  if (ChosenClass(registry, system) == kMagnetProgId) {
    const std::string choice = ReadRegText(registry, CU, kSettingsKey, kRememberedChoice);
    if (choice.empty()) {
      DeleteRegKey(registry, CU, kMagnetAssociationKey, "UserChoice");
    } else {
      ReplaceChoice(registry, choice);
    }
  }
  return FindMagnetHandlerName(registry, system);
}

}  // namespace brisvane
