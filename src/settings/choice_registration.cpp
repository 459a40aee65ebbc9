#include "settings/choice_registration.h"

#include <string>

#include "settings/magnet_association.h"
#include "settings/registry_functions.h"
#include "settings/settings_store.h"
#include "settings/torrent_association.h"

namespace brisvane {
namespace {

constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

// Where the capabilities name the kind's ProgID.
struct Capability {
  std::string_view key;
  std::string_view subkey;  // of the capabilities key
  std::string_view name;    // the extension or the scheme
  std::string_view progid;
  std::string_view class_key;
};

Capability CapabilityOf(AssociationKind kind) {
  if (kind == AssociationKind::kTorrent)
    return {kFileAssociationsKey, "FileAssociations", ".torrent", kProgramClassName, kProgramClassKey};
  return {kUrlAssociationsKey, "URLAssociations", "magnet", kMagnetProgId, kMagnetClassKey};
}

AssociationKind OtherKind(AssociationKind kind) {
  return kind == AssociationKind::kTorrent ? AssociationKind::kMagnet : AssociationKind::kTorrent;
}

void WriteTorrentClass(IRegistry& registry, ISystem& system) {
  const std::string exe = system.ExecutablePath();
  const std::string class_key(kProgramClassKey);
  SetRegValue(registry, CU, class_key, "", std::string_view("BitTorrent file"));
  SetRegValue(registry, CU, class_key + "\\DefaultIcon", "", std::string_view("\"" + exe + "\",0"));
  SetRegValue(registry, CU, class_key + "\\shell\\open\\command", "", std::string_view(OpenCommandLine(exe)));
  // Listed, not chosen: Windows offers it when the user picks a program for .torrent files.
  if (registry.CreateKey(CU, kClassOpenWithProgidsKey))
    registry.SetValue(CU, kClassOpenWithProgidsKey, kProgramClassName, RegData{kRegNone, {}});
}

}  // namespace

bool ChoosesThroughSettings(const OsVersionInfo& version) {
  return version.platform_id == kVerPlatformWin32Nt && (version.major > 6 || (version.major == 6 && version.minor >= 2));
}

bool RegisterForChoice(IRegistry& registry, ISystem& system, AssociationKind kind) {
  const Capability capability = CapabilityOf(kind);
  if (kind == AssociationKind::kTorrent) {
    WriteTorrentClass(registry, system);
  } else {
    WriteMagnetClass(registry, system, kMagnetClassKey);
  }
  SetRegValue(registry, CU, kCapabilitiesKey, "ApplicationName", std::string_view("Brisvane"));
  SetRegValue(registry, CU, kCapabilitiesKey, "ApplicationDescription",
              std::string_view("Checks each torrent with a reputation service before your torrent client opens it."));
  SetRegValue(registry, CU, capability.key, capability.name, capability.progid);
  SetRegValue(registry, CU, kRegisteredApplicationsKey, kProgramClassName, kCapabilitiesKey);
  // The registry functions stay silent about refused writes: read back what matters.
  const std::string command_key = std::string(capability.class_key) + "\\shell\\open\\command";
  return ReadRegText(registry, CU, command_key, "") == OpenCommandLine(system.ExecutablePath()) &&
         IsRegisteredForChoice(registry, kind) &&
         (kind != AssociationKind::kTorrent ||
          registry.QueryValue(CU, kClassOpenWithProgidsKey, kProgramClassName).has_value());
}

void UnregisterForChoice(IRegistry& registry, AssociationKind kind) {
  DeleteRegKey(registry, CU, kCapabilitiesKey, CapabilityOf(kind).subkey);
  if (kind == AssociationKind::kTorrent) DeleteRegValue(registry, CU, kClassOpenWithProgidsKey, kProgramClassName);
  if (RegKeyExists(registry, CU, CapabilityOf(OtherKind(kind)).key)) return;  // still registered for that one
  DeleteRegValue(registry, CU, kRegisteredApplicationsKey, kProgramClassName);
  DeleteRegKey(registry, CU, kSettingsKey, "Capabilities");
}

bool IsRegisteredForChoice(IRegistry& registry, AssociationKind kind) {
  const Capability capability = CapabilityOf(kind);
  return ReadRegText(registry, CU, kRegisteredApplicationsKey, kProgramClassName) == kCapabilitiesKey &&
         ReadRegText(registry, CU, capability.key, capability.name) == capability.progid;
}

}  // namespace brisvane
