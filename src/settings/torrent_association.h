#pragma once
// Who Windows starts for .torrent files, and making this program that handler or putting the previous
// one back. Windows 2000, XP and Server 2003 keep the choice in the old shell's places; later versions
// in the per-user choice. Each operation asks for the version name afresh. Writes go to the current
// user only; the classes root is only read. Registry failures are silent, as everywhere.
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/system.h"
#include "settings/choice_registration.h"

namespace brisvane {

// Below HKEY_CURRENT_USER.
inline constexpr std::string_view kFileExtsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent";
// Its subkeys: the per-user choice (Vista and later), the classes offered in "Open with", and the
// programs the old shell lists there.
inline const std::string kUserChoiceKey = std::string(kFileExtsKey) + "\\UserChoice";
inline const std::string kOpenWithProgidsKey = std::string(kFileExtsKey) + "\\OpenWithProgids";
inline const std::string kOpenWithListKey = std::string(kFileExtsKey) + "\\OpenWithList";
inline constexpr std::string_view kUserExtensionKey = "Software\\Classes\\.torrent";
inline constexpr std::string_view kProgramClassKey = "Software\\Classes\\Brisvane";
// Below HKEY_CLASSES_ROOT.
inline constexpr std::string_view kMachineExtensionKey = ".torrent";

// The program's own class name, whatever its executable is called. On Windows 8 and later it is also the
// ProgID the user picks for .torrent files, and the name the program is registered under.
inline constexpr std::string_view kProgramClassName = "Brisvane";

// The executable's file name without its extension ("Brisvane" for C:\Apps\Brisvane.exe).
std::string ExeBaseName(std::string_view executable_path);
// The quoted executable (its folder, base name and ".exe"), a blank and the quoted "%1".
std::string OpenCommandLine(std::string_view executable_path);
// "Software\Classes\Applications\" + exe_name + ".exe", below HKEY_CURRENT_USER.
std::string ApplicationKey(std::string_view executable_path);

// The open command of the current handler exactly as stored (quotes, %1 and switches kept), or empty.
std::string FindTorrentHandlerCommand(IRegistry& registry, ISystem& system);

// The current handler's name as stored: an executable name, "Applications\..." or a class name; empty
// when none.
std::string FindTorrentHandlerName(IRegistry& registry, ISystem& system);

// Windows 7 and earlier: remembers the previous handler in the settings key and registers this program. Returns the name the
// association window shows afterwards: the executable's base name on the old shell path, "Brisvane" on the per-user one.
std::string SetTorrentAssociation(IRegistry& registry, ISystem& system);

// Windows 7 and earlier: puts the remembered handler back. Returns the restored name, or nothing when none was remembered
// (the window's label then stays as it was).
std::optional<std::string> RevertTorrentAssociation(IRegistry& registry, ISystem& system);

}  // namespace brisvane
