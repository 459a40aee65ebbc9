#pragma once
// What an uninstaller needs of the .torrent association: give the files back to the handler this
// program replaced, and only when this program still holds them (a user who has since chosen another
// client keeps that choice).
#include "platform/app_host.h"
#include "platform/registry.h"

namespace brisvane {

// Reverts the association when the current handler is this program's own, with the same test the
// association window uses. True when it reverted; nothing is written otherwise.
bool RevertAssociationIfOwned(IRegistry& registry, ISystem& system);

}  // namespace brisvane
