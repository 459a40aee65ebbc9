#pragma once
// What an uninstaller needs of the .torrent association: give the files back to the handler this
// program replaced, and only when this program still holds them (a user who has since chosen another
// client keeps that choice).
#include "platform/system.h"
#include "platform/registry.h"

namespace brisvane {

// Windows 7 and earlier: reverts the association when the current handler is this program's own, with
// the same test the association window uses. Windows 8 and later: removes the program's registration,
// leaving the user's choice to Windows. True when it changed something; nothing is written otherwise.
bool RevertAssociationIfOwned(IRegistry& registry, ISystem& system);

}  // namespace brisvane
