#include "settings/association_cleanup.h"

#include <string>

#include "settings/association_window.h"
#include "settings/magnet_association.h"
#include "settings/torrent_association.h"

namespace brisvane {

bool RevertAssociationIfOwned(IRegistry& registry, ISystem& system) {
  bool changed = false;
  if (ChoosesThroughSettings(system.WindowsVersion())) {
    for (const AssociationKind kind : {AssociationKind::kTorrent, AssociationKind::kMagnet}) {
      if (!IsRegisteredForChoice(registry, kind)) continue;
      UnregisterForChoice(registry, kind);
      changed = true;
    }
    return changed;
  }
  const std::string exe = ExeBaseName(system.ExecutablePath());
  if (IsOwnHandlerName(FindTorrentHandlerName(registry, system), exe)) {
    RevertTorrentAssociation(registry, system);
    changed = true;
  }
  if (IsOwnHandlerName(FindMagnetHandlerName(registry, system), exe)) {
    RevertMagnetAssociation(registry, system);
    changed = true;
  }
  return changed;
}

}  // namespace brisvane
