#include "settings/association_cleanup.h"

#include <gtest/gtest.h>

#include "settings/magnet_association.h"
#include "settings/torrent_association.h"
#include "support/fakes.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

// Acme holds .torrent files; then Brisvane may have taken them, and the user may have picked another
// client since. The uninstaller's revert must give them back to Acme only while Brisvane holds them.
struct Case {
  const char* name;
  OsVersionInfo version;
  const char* exe_path;
  bool set_by_brisvane;
  const char* chosen_since;
  bool reverted;
  const char* handler_after;
};

TEST(RevertAssociationIfOwned, RevertsOnlyWhatThisProgramHolds) {
  const Case cases[] = {
      {"held", testing::kWindows7, "C:\\Apps\\Brisvane.exe", true, nullptr, true, "Acme.Torrent"},
      {"held, renamed executable", testing::kWindows7, "C:\\Apps\\bv.exe", true, nullptr, true, "Acme.Torrent"},
      {"another client chosen since", testing::kWindows7, "C:\\Apps\\Brisvane.exe", true, "Other.Torrent", false,
       "Other.Torrent"},
      {"never set", testing::kWindows7, "C:\\Apps\\Brisvane.exe", false, nullptr, false, "Acme.Torrent"},
      // Registered for the user to pick: the registration goes, the user's choice is Windows' to keep.
      {"registered", testing::kWindows10, "C:\\Apps\\Brisvane.exe", true, nullptr, true, "Acme.Torrent"},
      {"never registered", testing::kWindows10, "C:\\Apps\\Brisvane.exe", false, nullptr, false, "Acme.Torrent"},
      {"held, old shell", testing::kWindowsXp, "C:\\Apps\\Brisvane.exe", true, nullptr, true, "Acme.Torrent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryRegistry registry;
    testing::FakeSystem system;
    system.version = c.version;
    system.exe_path = c.exe_path;
    // Where this Windows keeps the user's choice.
    const bool old_shell = c.version.major < 6;
    const std::string_view key = old_shell ? kFileExtsKey : kUserChoiceKey;
    const char* value = old_shell ? "Application" : "Progid";
    testing::PutText(registry, RegistryRoot::CurrentUser, key, value, "Acme.Torrent");
    if (c.set_by_brisvane && ChoosesThroughSettings(c.version)) RegisterForChoice(registry, system, AssociationKind::kTorrent);
    if (c.set_by_brisvane && !ChoosesThroughSettings(c.version)) SetTorrentAssociation(registry, system);
    if (c.chosen_since) testing::PutText(registry, RegistryRoot::CurrentUser, key, value, c.chosen_since);

    EXPECT_EQ(RevertAssociationIfOwned(registry, system), c.reverted);
    EXPECT_EQ(testing::ReadText(registry, RegistryRoot::CurrentUser, key, value), c.handler_after);
    EXPECT_FALSE(IsRegisteredForChoice(registry, AssociationKind::kTorrent));
  }
}

TEST(RevertAssociationIfOwned, GivesMagnetLinksBackToo) {
  for (const OsVersionInfo& version : {testing::kWindowsXp, testing::kWindows7, testing::kWindows10}) {
    SCOPED_TRACE(version.major);
    testing::MemoryRegistry registry;
    testing::FakeSystem system;
    system.version = version;
    testing::PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\magnet\\shell\\open\\command", "",
                     "\"C:\\Acme\\acme.exe\" \"%1\"");
    if (ChoosesThroughSettings(version)) {
      RegisterForChoice(registry, system, AssociationKind::kMagnet);
    } else {
      SetMagnetAssociation(registry, system);
    }
    EXPECT_TRUE(RevertAssociationIfOwned(registry, system));
    EXPECT_EQ(FindMagnetHandlerName(registry, system), "acme.exe");
    EXPECT_FALSE(IsRegisteredForChoice(registry, AssociationKind::kMagnet));
    EXPECT_FALSE(RevertAssociationIfOwned(registry, system));
  }
}

}  // namespace
}  // namespace brisvane
