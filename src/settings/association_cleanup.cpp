#include "settings/association_cleanup.h"

#include <string>

#include "settings/association_window.h"
#include "settings/torrent_association.h"

namespace brisvane {

bool RevertAssociationIfOwned(IRegistry& registry, ISystem& system) {
  if (ChoosesThroughSettings(system.WindowsVersion())) {
    if (!IsRegisteredForChoice(registry)) return false;
    UnregisterForChoice(registry);
    return true;
  }
  const std::string handler = FindTorrentHandlerName(registry, system);
  if (!IsOwnHandlerName(handler, ExeBaseName(system.ExecutablePath()))) return false;
  RevertTorrentAssociation(registry, system);
  return true;
}

}  // namespace brisvane
