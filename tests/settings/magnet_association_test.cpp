#include "settings/magnet_association.h"

#include <gtest/gtest.h>

#include "settings/association_window.h"
#include "settings/torrent_association.h"
#include "support/fakes.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

using testing::PutText;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

constexpr char kOwnCommand[] = "\"C:\\Apps\\Brisvane.exe\" \"%1\"";
constexpr char kOwnIcon[] = "\"C:\\Apps\\Brisvane.exe\",0";
constexpr char kMachineCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /magnet \"%1\"";
constexpr char kUserCommand[] = "C:\\Users\\me\\Mine Client\\mine.EXE %1";
const std::string kUserCommandKey = std::string(kUserMagnetKey) + "\\shell\\open\\command";
const std::string kUserIconKey = std::string(kUserMagnetKey) + "\\DefaultIcon";

// A client installed for the machine; the user may have a client of their own for the scheme, and on
// Vista and later may have chosen another one's class.
struct World {
  testing::MemoryRegistry registry;
  testing::FakeSystem system;

  World(OsVersionInfo version, bool user_class, bool user_choice) {
    system.exe_path = "C:\\Apps\\Brisvane.exe";
    system.version = version;
    PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\magnet\\shell\\open\\command", "", kMachineCommand);
    testing::PutMachineClass(registry, "Other.Magnet", "other.exe \"%1\"");
    if (user_class) {
      PutText(registry, CU, kUserMagnetKey, "", "URL:Mine");
      PutText(registry, CU, kUserMagnetKey, "URL Protocol", "");
      PutText(registry, CU, kUserCommandKey, "", kUserCommand);
      PutText(registry, CU, kUserIconKey, "", "mine.exe,1");
    }
    if (user_choice) {
      PutText(registry, CU, kMagnetUserChoiceKey, "Progid", "Other.Magnet");
      PutText(registry, CU, kMagnetUserChoiceKey, "Hash", "abc=");
    }
  }
  std::string Read(std::string_view key, std::string_view name = "") { return testing::ReadText(registry, CU, key, name); }
  std::string Name() { return FindMagnetHandlerName(registry, system); }
  std::string Command() { return FindMagnetHandlerCommand(registry, system); }
  // Every value of every key Set writes to; "-" for a missing key.
  std::vector<std::string> Places() {
    std::vector<std::string> seen;
    for (const std::string& key : {std::string(kUserMagnetKey), kUserCommandKey, kUserIconKey, std::string(kMagnetUserChoiceKey)}) {
      if (!registry.KeyExists(CU, key)) seen.push_back("-");
      for (const std::string& name : registry.ValueNames(CU, key).value_or(std::vector<std::string>{}))
        seen.push_back(name + "=" + Read(key, name));
    }
    return seen;
  }
};

// Set then revert, on every version that lets the program choose, over each handler a user may have had.
TEST(MagnetHandler, SetMakesThisProgramTheHandlerAndRevertGivesBackExactlyWhatWasThere) {
  struct Case {
    OsVersionInfo version;
    bool user_class, user_choice;
    const char* name_before;
    const char* own_name;  // what the window shows once set
  };
  const Case cases[] = {
      {testing::kWindows2000, false, false, "acme.exe", "Brisvane.exe"},
      // The old shell knows no choice for a scheme: the user's class wins over the machine's.
      {testing::kWindowsXp, true, true, "mine.EXE", "Brisvane.exe"},
      {testing::kWindowsServer2003, true, false, "mine.EXE", "Brisvane.exe"},
      {testing::kWindows7, false, false, "acme.exe", "Brisvane.exe"},
      {testing::kWindows7, true, false, "mine.EXE", "Brisvane.exe"},
      {testing::kWindows7, true, true, "Other.Magnet", "Brisvane.Magnet"},
      {testing::kWindows7, false, true, "Other.Magnet", "Brisvane.Magnet"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    World w(c.version, c.user_class, c.user_choice);
    const std::vector<std::string> before = w.Places();
    EXPECT_EQ(w.Name(), c.name_before);

    EXPECT_EQ(SetMagnetAssociation(w.registry, w.system), c.own_name);
    EXPECT_TRUE(IsOwnHandlerName(c.own_name, "Brisvane"));
    EXPECT_EQ(w.Read(kUserMagnetKey), c.user_class ? "URL:Mine" : "URL:Magnet link");
    EXPECT_EQ(w.registry.QueryValue(CU, kUserMagnetKey, "URL Protocol"), StoredText(""));
    EXPECT_EQ(w.Read(kUserIconKey), kOwnIcon);
    EXPECT_EQ(w.Command(), kOwnCommand);
    const bool chosen = std::string_view(c.own_name) == kMagnetProgId;
    // Made anew: the old hash goes with it.
    if (chosen) {
      EXPECT_EQ(w.registry.ValueNames(CU, kMagnetUserChoiceKey), std::vector<std::string>{"Progid"});
    }

    EXPECT_EQ(RevertMagnetAssociation(w.registry, w.system), c.name_before);
    std::vector<std::string> after = w.Places();
    if (chosen) after.push_back("Hash=abc=");  // only Windows can write the hash
    EXPECT_EQ(after, before);
  }
}

TEST(MagnetHandler, RevertLeavesAChoiceMadeSinceAndARefusedRegistryLosesNothing) {
  World w(testing::kWindows7, false, true);
  SetMagnetAssociation(w.registry, w.system);
  PutText(w.registry, CU, kMagnetUserChoiceKey, "Progid", "Later.Magnet");
  EXPECT_EQ(RevertMagnetAssociation(w.registry, w.system), "Later.Magnet");
  EXPECT_FALSE(w.registry.KeyExists(CU, kUserMagnetKey));

  w.registry.SetReadOnly(true);
  EXPECT_EQ(SetMagnetAssociation(w.registry, w.system), "Later.Magnet");
  EXPECT_EQ(RevertMagnetAssociation(w.registry, w.system), "Later.Magnet");
}

// Windows 8 and later: each kind's registration goes on its own, the shared part with the last of them.
TEST(MagnetHandler, EachKindsRegistrationGoesWithoutTheOthers) {
  World w(testing::kWindows10, false, true);
  ASSERT_TRUE(RegisterForChoice(w.registry, w.system, AssociationKind::kTorrent));
  ASSERT_TRUE(RegisterForChoice(w.registry, w.system, AssociationKind::kMagnet));
  UnregisterForChoice(w.registry, AssociationKind::kMagnet);
  EXPECT_FALSE(IsRegisteredForChoice(w.registry, AssociationKind::kMagnet));
  EXPECT_TRUE(IsRegisteredForChoice(w.registry, AssociationKind::kTorrent));
  UnregisterForChoice(w.registry, AssociationKind::kTorrent);
  EXPECT_FALSE(w.registry.KeyExists(CU, kCapabilitiesKey));
  EXPECT_FALSE(w.registry.QueryValue(CU, kRegisteredApplicationsKey, "Brisvane").has_value());
  // The ProgID stays for a choice that may still name it; the choice is Windows' own.
  EXPECT_TRUE(w.registry.KeyExists(CU, kMagnetClassKey));
  EXPECT_EQ(w.Read(kMagnetUserChoiceKey, "Hash"), "abc=");
}

}  // namespace
}  // namespace brisvane
