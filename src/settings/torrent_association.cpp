#include "settings/torrent_association.h"

#include "settings/registry_functions.h"
#include "settings/settings_store.h"
#include "settings/windows_version.h"

namespace brisvane {
namespace {

constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr RegistryRoot CR = RegistryRoot::ClassesRoot;

std::string Read(IRegistry& registry, RegistryRoot root, std::string_view key, std::string_view name) {
  return ReadRegText(registry, root, key, name);
}

void Ensure(IRegistry& registry, std::string_view key) { EnsureRegKey(registry, CU, key); }

std::string Cat(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string s(a);
  s += b;
  s += c;
  return s;
}

std::string OldShellCommand(IRegistry& registry) {
  std::string name = Read(registry, CU, kFileExtsKey, "Application");
  if (name.empty()) {
    // No per-user application: the extension's class, first the user's Explorer entry, then the machine's.
    RegistryRoot root = CU;
    name = Read(registry, CU, kFileExtsKey, "");
    if (name.empty()) {
      root = CR;
      name = Read(registry, CR, kMachineExtensionKey, "");
    }
    return name.empty() ? std::string() : Read(registry, root, Cat(name, "\\shell\\open\\command"), "");
  }
  struct Try {
    RegistryRoot root;
    std::string key;
  };
  const Try tries[] = {
      {CU, Cat("Software\\Classes\\Applications\\", name, "\\shell\\open\\command")},
      {CU, Cat("Software\\Classes\\", name, "\\shell\\open\\command")},
      {CR, Cat("Applications\\", name, "\\shell\\open\\command")},
      {CR, Cat(name, "\\shell\\open\\command")},
  };
  for (const Try& t : tries) {
    std::string command = Read(registry, t.root, t.key, "");
    if (!command.empty()) return command;
  }
  return {};
}

std::string UserChoiceCommand(IRegistry& registry) {
  std::string name = Read(registry, CU, kUserChoiceKey, "Progid");
  if (name.empty()) name = Read(registry, CU, kUserExtensionKey, "");
  if (name.empty()) name = LastValueName(registry, CU, kOpenWithProgidsKey).value_or("");
  if (name.empty()) return {};
  std::string command = Read(
      registry, CU, Cat("Software\\Microsoft\\Windows\\CurrentVersion\\Classes\\", name, "\\shell\\open\\command"), "");
  if (command.empty()) command = Read(registry, CR, Cat(name, "\\shell\\open\\command"), "");
  return command;
}

}  // namespace

std::string ExeBaseName(std::string_view executable_path) {
  const std::size_t slash = executable_path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? executable_path : executable_path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string OpenCommandLine(std::string_view executable_path) {
  const std::size_t slash = executable_path.find_last_of("\\/");
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : executable_path.substr(0, slash);
  return "\"" + std::string(folder) + "\\" + ExeBaseName(executable_path) + ".exe\" \"%1\"";
}

std::string ApplicationKey(std::string_view executable_path) {
  return "Software\\Classes\\Applications\\" + ExeBaseName(executable_path) + ".exe";
}

std::string FindTorrentHandlerCommand(IRegistry& registry, ISystem& system) {
  return IsOldShellVersion(GetWindowsVersionName(system)) ? OldShellCommand(registry)
                                                          : UserChoiceCommand(registry);
}

std::string FindTorrentHandlerName(IRegistry& registry, ISystem& system) {
  const std::string version = GetWindowsVersionName(system);
  // Server 2003 counts as old only when a per-user application is chosen there.
  const bool old_shell = version == "Windows XP" || version == "Windows 2000" ||
                         (version == "Windows Server 2003" && !Read(registry, CU, kFileExtsKey, "Application").empty());
  if (old_shell) {
    std::string name = Read(registry, CU, kFileExtsKey, "Application");
    if (name.empty()) name = Read(registry, CU, kFileExtsKey, "");
    if (name.empty()) name = Read(registry, CR, kMachineExtensionKey, "");
    return name;
  }
  std::string name = Read(registry, CU, kUserChoiceKey, "Progid");
  if (name.empty()) name = LastValueName(registry, CU, kOpenWithProgidsKey).value_or("");
  return name;
}

std::string SetTorrentAssociation(IRegistry& registry, ISystem& system) {
  const bool old_shell = IsOldShellVersion(GetWindowsVersionName(system));
  const std::string exe = system.ExecutablePath();
  const std::string exe_name = ExeBaseName(exe);
  const std::string command = OpenCommandLine(exe);
  const std::string app_key = ApplicationKey(exe);

  // What was there before, so that revert can put it back.
  Ensure(registry, kSettingsKey);
  std::string previous_class = Read(registry, CU, kUserExtensionKey, "");
  if (previous_class.empty()) previous_class = Read(registry, CR, kMachineExtensionKey, "");
  SetRegValue(registry, CU, kSettingsKey, ".torrent", std::string_view(previous_class));
  const std::string previous_choice = Read(registry, CU, kUserChoiceKey, "Progid");
  SetRegValue(registry, CU, kSettingsKey, "ProgID", std::string_view(previous_choice));
  const std::string previous_command =
      Read(registry, CU, Cat("Software\\Classes\\", previous_choice, "\\shell\\open\\command"), "");
  SetRegValue(registry, CU, kSettingsKey, "command", std::string_view(previous_command));

  if (old_shell) {
    // The old shell's per-user choice is the "Application" value; keep it too, or revert could only
    // empty it and the user's own choice of client would be lost.
    const std::string previous_application = Read(registry, CU, kFileExtsKey, "Application");
    SetRegValue(registry, CU, kSettingsKey, "Application", std::string_view(previous_application));

    Ensure(registry, kFileExtsKey);
    SetRegValue(registry, CU, kFileExtsKey, "Application", std::string_view(exe_name + ".exe"));
    Ensure(registry, kOpenWithListKey);
    Ensure(registry, app_key);
    Ensure(registry, app_key + "\\shell");
    Ensure(registry, app_key + "\\shell\\open");
    Ensure(registry, app_key + "\\shell\\open\\command");
    SetRegValue(registry, CU, app_key + "\\shell\\open\\command", "", std::string_view(command));
    return exe_name;
  }

  Ensure(registry, kUserExtensionKey);
  SetRegValue(registry, CU, kUserExtensionKey, "", kProgramClassName);
  const std::string class_key(kProgramClassKey);
  Ensure(registry, class_key + "\\shell");
  Ensure(registry, class_key + "\\shell\\open");
  Ensure(registry, class_key + "\\shell\\open\\command");
  SetRegValue(registry, CU, class_key + "\\shell\\open\\command", "", std::string_view(command));

  if (!RegKeyExists(registry, CU, kFileExtsKey)) {
    CreateRegKey(registry, CU, kFileExtsKey);
  } else if (RegKeyExists(registry, CU, kUserChoiceKey)) {
    // Recreated rather than rewritten: Windows guards the old key's values against changes.
    DeleteRegKey(registry, CU, kFileExtsKey, "UserChoice");
    CreateRegKey(registry, CU, kUserChoiceKey);
    SetRegValue(registry, CU, kUserChoiceKey, "Progid", std::string_view("Applications\\" + exe_name + ".exe"));
  }
  Ensure(registry, app_key + "\\shell\\open\\command");
  SetRegValue(registry, CU, app_key + "\\shell\\open\\command", "", std::string_view(command));
  SetRegValue(registry, CU, kOpenWithProgidsKey, kProgramClassName, 0);
  DeleteRegValue(registry, CU, kOpenWithProgidsKey, previous_class);
  return std::string(kProgramClassName);
}

std::optional<std::string> RevertTorrentAssociation(IRegistry& registry, ISystem& system) {
  if (IsOldShellVersion(GetWindowsVersionName(system))) {
    const std::string application = Read(registry, CU, kSettingsKey, "Application");
    Ensure(registry, kFileExtsKey);
    SetRegValue(registry, CU, kFileExtsKey, "Application", std::string_view(application));
    if (application.empty()) return std::nullopt;
    return application;
  }
  const std::string progid = Read(registry, CU, kSettingsKey, "Progid");
  if (!progid.empty()) SetRegValue(registry, CU, kUserChoiceKey, "Progid", std::string_view(progid));
  const std::string previous_class = Read(registry, CU, kSettingsKey, ".torrent");
  SetRegValue(registry, CU, kOpenWithProgidsKey, previous_class, 0);
  SetRegValue(registry, CU, kUserExtensionKey, "", std::string_view(previous_class));
  DeleteRegValue(registry, CU, kOpenWithProgidsKey, kProgramClassName);
  if (previous_class.empty()) return std::nullopt;
  return previous_class;
}

}  // namespace brisvane
