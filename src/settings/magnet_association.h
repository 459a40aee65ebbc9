#pragma once
// Who Windows starts for magnet: links, and making this program that handler or putting the previous one
// back. Windows 2000 to 7 look up the scheme's class, which the user may hold in the per-user classes;
// Vista and 7 may also keep a per-user choice for the scheme, which then wins. Windows 8 and later are
// the registration's affair (choice_registration.h). Writes go to the current user only; registry
// failures are silent.
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/system.h"

namespace brisvane {

// Below HKEY_CURRENT_USER.
inline constexpr std::string_view kUserMagnetKey = "Software\\Classes\\magnet";
inline constexpr std::string_view kMagnetAssociationKey =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\magnet";
inline const std::string kMagnetUserChoiceKey = std::string(kMagnetAssociationKey) + "\\UserChoice";
// Below HKEY_CLASSES_ROOT.
inline constexpr std::string_view kMachineMagnetKey = "magnet";

// The program's class for magnet links: the per-user choice on Vista and 7, the ProgID the user picks on
// Windows 8 and later.
inline constexpr std::string_view kMagnetProgId = "Brisvane.Magnet";
inline constexpr std::string_view kMagnetClassKey = "Software\\Classes\\Brisvane.Magnet";

// Makes `key` (below HKEY_CURRENT_USER) a URL-protocol class that opens links with this program. A
// description the class has already stays: only the handler changes hands.
void WriteMagnetClass(IRegistry& registry, ISystem& system, std::string_view key);

// The open command of the current handler exactly as stored, or empty.
std::string FindMagnetHandlerCommand(IRegistry& registry, ISystem& system);
// The per-user choice's class name, or else the file name of the program that the scheme's command
// starts ("acme.exe"); empty when none.
std::string FindMagnetHandlerName(IRegistry& registry, ISystem& system);

// Windows 7 and earlier: remembers the user's own handler in the settings key and makes this program the
// handler. Returns the name the window shows afterwards.
std::string SetMagnetAssociation(IRegistry& registry, ISystem& system);
// Windows 7 and earlier: puts the remembered handler back, or, when the user had none, removes the
// program's class so that the machine's handler answers again. Returns the name shown afterwards.
std::string RevertMagnetAssociation(IRegistry& registry, ISystem& system);

}  // namespace brisvane
