#pragma once
// What an uninstaller needs of the associations: give .torrent files and magnet links back to the
// handlers this program replaced, and only while this program still holds them (a user who has since
// chosen another client keeps that choice).
#include "platform/system.h"
#include "platform/registry.h"

namespace brisvane {

// Windows 7 and earlier: reverts each association whose current handler is this program's own, with the
// same test the association window uses. Windows 8 and later: removes the program's registrations,
// leaving the user's choices to Windows. True when it changed something; nothing is written otherwise.
bool RevertAssociationIfOwned(IRegistry& registry, ISystem& system);

}  // namespace brisvane
