#pragma once
// Windows 8 and later keep the user's choice of program under a hash that only Windows can write: a
// choice written without it makes Windows reset the association. There the program registers itself,
// for .torrent files and for magnet links, and the user picks it in the system's own settings. The two
// registrations share the capabilities and the registered application; each can go without the other.
#include <string_view>

#include "platform/registry.h"
#include "platform/system.h"

namespace brisvane {

// What Windows hands to the program: a file type or a link scheme.
enum class AssociationKind { kTorrent, kMagnet };

// Below HKEY_CURRENT_USER: how Windows 8 and later learn what Brisvane can open.
inline constexpr std::string_view kCapabilitiesKey = "Software\\Kestrelwick\\Brisvane\\Capabilities";
inline constexpr std::string_view kFileAssociationsKey = "Software\\Kestrelwick\\Brisvane\\Capabilities\\FileAssociations";
inline constexpr std::string_view kUrlAssociationsKey = "Software\\Kestrelwick\\Brisvane\\Capabilities\\URLAssociations";
inline constexpr std::string_view kRegisteredApplicationsKey = "Software\\RegisteredApplications";
inline constexpr std::string_view kClassOpenWithProgidsKey = "Software\\Classes\\.torrent\\OpenWithProgids";

// Decided from the version numbers (the version name is empty there).
bool ChoosesThroughSettings(const OsVersionInfo& version);

// The kind's ProgID with its open command and icon, its place in the capabilities, and the registered
// application; for .torrent files also its place among the programs that can open them. Never touches the
// user's choice. False when a write did not take.
bool RegisterForChoice(IRegistry& registry, ISystem& system, AssociationKind kind);
// Removes what RegisterForChoice added for the kind but the ProgID, which the user's choice may still
// name; the capabilities and the registered application go once neither kind is registered.
void UnregisterForChoice(IRegistry& registry, AssociationKind kind);
bool IsRegisteredForChoice(IRegistry& registry, AssociationKind kind);

}  // namespace brisvane
