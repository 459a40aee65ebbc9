#pragma once
// Who Windows starts for .torrent files, and making this program that handler or putting the previous
// one back. Windows 2000, XP and Server 2003 keep the choice in the old shell's places; later versions
// in the per-user choice. Each operation asks for the version name afresh. Writes go to the current
// user only; the classes root is only read. Registry failures are silent, as everywhere.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/app_host.h"
#include "platform/registry.h"

namespace brisvane {

// Below HKEY_CURRENT_USER.
inline constexpr std::string_view kFileExtsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent";
inline constexpr std::string_view kUserChoiceKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent\\UserChoice";
inline constexpr std::string_view kOpenWithProgidsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent\\OpenWithProgids";
inline constexpr std::string_view kOpenWithListKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent\\OpenWithList";
inline constexpr std::string_view kUserExtensionKey = "Software\\Classes\\.torrent";
inline constexpr std::string_view kProgramClassKey = "Software\\Classes\\Brisvane";
// Below HKEY_CLASSES_ROOT.
inline constexpr std::string_view kMachineExtensionKey = ".torrent";

// The program's own class name, whatever its executable is called.
inline constexpr std::string_view kProgramClassName = "Brisvane";

// The executable's file name without its extension ("Brisvane" for C:\Apps\Brisvane.exe).
std::string ExeBaseName(std::string_view executablePath);
// The quoted executable (its folder, E and ".exe"), a blank and the quoted "%1".
std::string OpenCommandLine(std::string_view executablePath);
// "Software\Classes\Applications\" + E + ".exe", below HKEY_CURRENT_USER.
std::string ApplicationKey(std::string_view executablePath);

// The open command of the current handler exactly as stored (quotes, %1 and switches kept), or empty.
// Value names enumerated on the way are appended to `List1`.
std::string FindTorrentHandlerCommand(IRegistry& registry, ISystem& system, std::vector<std::string>& List1);

// The current handler's name as stored: an executable name, "Applications\..." or a class name; empty
// when none. Value names enumerated on the way are appended to `List1`.
std::string FindTorrentHandlerName(IRegistry& registry, ISystem& system, std::vector<std::string>& List1);

// Remembers the previous handler in the settings key and registers this program. Returns the name the
// association window shows afterwards: E on the old shell path, "Brisvane" on the per-user one.
std::string Set_File_Association(IRegistry& registry, ISystem& system);

// Puts the remembered handler back. Returns the restored name, or nothing when none was remembered
// (the window's label then stays as it was).
std::optional<std::string> UnSet_File_Association(IRegistry& registry, ISystem& system);

}  // namespace brisvane
