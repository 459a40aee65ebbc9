#include "settings/association_cleanup.h"

#include <string>
#include <vector>

#include "settings/association_window.h"
#include "settings/file_association.h"

namespace brisvane {

bool RevertAssociationIfOwned(IRegistry& registry, ISystem& system) {
  std::vector<std::string> enumerated;  // the window lists these; nobody shows them here
  const std::string handler = FindTorrentHandlerName(registry, system, enumerated);
  if (!IsOwnHandlerName(handler, ExeBaseName(system.ExecutablePath()))) return false;
  UnSet_File_Association(registry, system);
  return true;
}

}  // namespace brisvane
