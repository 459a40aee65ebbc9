#include "settings/torrent_association.h"

#include <gtest/gtest.h>

#include "settings/association_window.h"
#include "settings/settings_store.h"
#include "support/fakes.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

using testing::MemoryRegistry;
using testing::PutMachineClass;
using testing::PutText;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr RegistryRoot CR = RegistryRoot::ClassesRoot;

constexpr char kAcmeCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /open \"%1\"";
constexpr char kOwnCommand[] = "\"C:\\Apps\\Brisvane.exe\" \"%1\"";
constexpr char kUserClasses[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Classes\\";

struct Association : ::testing::Test {
  MemoryRegistry registry;
  testing::FakeSystem system;
  void SetUp() override {
    system.exe_path = "C:\\Apps\\Brisvane.exe";
    system.version = testing::kWindows7;
  }

  std::string Read(RegistryRoot root, std::string_view key, std::string_view name = "") {
    return testing::ReadText(registry, root, key, name);
  }
  std::optional<RegData> Raw(std::string_view key, std::string_view name = "") {
    return registry.QueryValue(CU, key, name);
  }
  std::string Command() { return FindTorrentHandlerCommand(registry, system); }
  std::string Name() { return FindTorrentHandlerName(registry, system); }
  // A client registered for the whole machine, as installers do.
  void InstallAcme() {
    PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\.torrent", "", "Acme.Torrent");
    PutMachineClass(registry, "Acme.Torrent", kAcmeCommand);
  }
  std::vector<std::string> ValueNames(std::string_view key) { return registry.ValueNames(CU, key).value_or(std::vector<std::string>{}); }
};

TEST(AssociationNames, BaseNameAndOpenCommandFollowTheExecutable) {
  EXPECT_EQ(ExeBaseName("C:\\Apps\\Brisvane.exe"), "Brisvane");
  EXPECT_EQ(ExeBaseName("C:\\Apps\\my.tool.EXE"), "my.tool");
  EXPECT_EQ(ExeBaseName("D:\\v1.2\\bv"), "bv");
  EXPECT_EQ(OpenCommandLine("C:\\Program Files\\Brisvane\\Brisvane.exe"),
            "\"C:\\Program Files\\Brisvane\\Brisvane.exe\" \"%1\"");
  // One backslash at a drive root; the extension is always written ".exe".
  EXPECT_EQ(OpenCommandLine("C:\\bv.EXE"), "\"C:\\bv.exe\" \"%1\"");
  EXPECT_EQ(ApplicationKey("C:\\Apps\\bv.EXE"), "Software\\Classes\\Applications\\bv.exe");
}

// --- The start-up probe -----------------------------------------------------------------------------

TEST_F(Association, UserChoiceApplicationTriesTheUserKeyThenTheMachineKey) {
  PutText(registry, CU, kUserChoiceKey, "Progid", "Applications\\acme.exe");
  PutMachineClass(registry, "Applications\\acme.exe", kAcmeCommand);
  EXPECT_EQ(Command(), kAcmeCommand);  // as stored: quotes, switch and %1 kept

  PutText(registry, CU, std::string(kUserClasses) + "Applications\\acme.exe\\shell\\open\\command", "",
          "C:\\mine\\acme.exe %1");
  EXPECT_EQ(Command(), "C:\\mine\\acme.exe %1");
  // Not the usual per-user classes key: that one is never read by this probe.
  PutText(registry, CU, "Software\\Classes\\Applications\\acme.exe\\shell\\open\\command", "", "wrong");
  EXPECT_EQ(Command(), "C:\\mine\\acme.exe %1");
}

TEST_F(Association, PerUserExtensionClassComesBeforeTheOpenWithList) {
  PutText(registry, CU, kUserExtensionKey, "", "Acme.Torrent");
  PutMachineClass(registry, "Acme.Torrent", kAcmeCommand);
  PutText(registry, CU, kOpenWithProgidsKey, "Other.Torrent", "");
  EXPECT_EQ(Command(), kAcmeCommand);
}

TEST_F(Association, OpenWithProgidsGivesItsLastName) {
  registry.CreateKey(CU, kOpenWithProgidsKey);
  registry.SetValue(CU, kOpenWithProgidsKey, "First.Torrent", MakeRegDword(0));
  registry.SetValue(CU, kOpenWithProgidsKey, "Acme.Torrent", MakeRegDword(0));
  PutMachineClass(registry, "First.Torrent", "first.exe %1");
  PutMachineClass(registry, "Acme.Torrent", kAcmeCommand);
  EXPECT_EQ(Command(), kAcmeCommand);
}

TEST_F(Association, NothingRegisteredOrNoCommandGivesEmpty) {
  EXPECT_EQ(Command(), "");
  // A machine-wide .torrent class is not looked at on this path.
  InstallAcme();
  EXPECT_EQ(Command(), "");
  PutText(registry, CU, kUserChoiceKey, "Progid", "Gone.Torrent");
  EXPECT_EQ(Command(), "");
}

TEST_F(Association, OldShellApplicationTakesTheFirstOfFourCommandKeys) {
  system.version = testing::kWindowsXp;
  PutText(registry, CU, kFileExtsKey, "Application", "acme.exe");
  const std::pair<RegistryRoot, std::string> keys[] = {
      {CU, "Software\\Classes\\Applications\\acme.exe\\shell\\open\\command"},
      {CU, "Software\\Classes\\acme.exe\\shell\\open\\command"},
      {RegistryRoot::LocalMachine, "Software\\Classes\\Applications\\acme.exe\\shell\\open\\command"},
      {RegistryRoot::LocalMachine, "Software\\Classes\\acme.exe\\shell\\open\\command"},
  };
  for (std::size_t i = 0; i < 4; ++i) PutText(registry, keys[i].first, keys[i].second, "", "cmd" + std::to_string(i));
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Command(), "cmd" + std::to_string(i));
    // An empty value counts as missing, so the next key answers.
    PutText(registry, keys[i].first, keys[i].second, "", "");
  }
  EXPECT_EQ(Command(), "");
}

TEST_F(Association, OldShellExplorerClassIsLookedUpDirectlyBelowTheUser) {
  system.version = testing::kWindowsServer2003;
  InstallAcme();
  PutText(registry, CU, kFileExtsKey, "", "Mine.Torrent");
  PutText(registry, CU, "Software\\Classes\\Mine.Torrent\\shell\\open\\command", "", "not here");
  EXPECT_EQ(Command(), "");
  PutText(registry, CU, "Mine.Torrent\\shell\\open\\command", "", "mine.exe \"%1\"");
  EXPECT_EQ(Command(), "mine.exe \"%1\"");
}

TEST_F(Association, OldShellFallsBackToTheMachineClass) {
  system.version = testing::kWindows2000;
  InstallAcme();
  EXPECT_EQ(Command(), kAcmeCommand);
}

TEST_F(Association, OnlyTheThreeOldVersionsUseTheOldShellPath) {
  InstallAcme();  // found only by the old shell path
  PutText(registry, CU, kUserChoiceKey, "Progid", "Applications\\acme.exe");
  PutText(registry, CU, std::string(kUserClasses) + "Applications\\acme.exe\\shell\\open\\command", "", "new");
  const std::pair<OsVersionInfo, const char*> cases[] = {
      {testing::kWindowsXp, kAcmeCommand},   {testing::kWindowsServer2003, kAcmeCommand},
      {testing::kWindows2000, kAcmeCommand}, {testing::kWindows7, "new"},
      {testing::kWindows10, "new"},          {OsVersionInfo{4, 0, 1381, 2}, "new"},
      {OsVersionInfo{}, "new"},
  };
  for (const auto& [version, expected] : cases) {
    system.version = version;
    EXPECT_EQ(Command(), expected) << version.major << "." << version.minor;
  }
}

// --- The window's probe -------------------------------------------------------------------------------

TEST_F(Association, NameOnTheOldShellPath) {
  system.version = testing::kWindowsXp;
  EXPECT_EQ(Name(), "");
  InstallAcme();
  EXPECT_EQ(Name(), "Acme.Torrent");
  PutText(registry, CU, kFileExtsKey, "", "Mine.Torrent");
  EXPECT_EQ(Name(), "Mine.Torrent");
  PutText(registry, CU, kFileExtsKey, "Application", "acme.exe");
  EXPECT_EQ(Name(), "acme.exe");
}

TEST_F(Association, NameOnServer2003DependsOnTheApplicationValue) {
  system.version = testing::kWindowsServer2003;
  InstallAcme();
  PutText(registry, CU, kFileExtsKey, "", "Mine.Torrent");
  PutText(registry, CU, kUserChoiceKey, "Progid", "Chosen.Torrent");
  EXPECT_EQ(Name(), "Chosen.Torrent");  // no "Application": the per-user choice
  PutText(registry, CU, kFileExtsKey, "Application", "acme.exe");
  EXPECT_EQ(Name(), "acme.exe");
}

TEST_F(Association, NameOnThePerUserPathIgnoresTheExtensionKeys) {
  InstallAcme();
  PutText(registry, CU, kUserExtensionKey, "", "Mine.Torrent");
  PutText(registry, CU, kFileExtsKey, "Application", "left.exe");  // left behind by an older Windows
  EXPECT_EQ(Name(), "");
  registry.CreateKey(CU, kOpenWithProgidsKey);
  registry.SetValue(CU, kOpenWithProgidsKey, "A.Torrent", MakeRegDword(0));
  registry.SetValue(CU, kOpenWithProgidsKey, "B.Torrent", MakeRegDword(0));
  EXPECT_EQ(Name(), "B.Torrent");
  PutText(registry, CU, kUserChoiceKey, "Progid", "Applications\\acme.exe");
  EXPECT_EQ(Name(), "Applications\\acme.exe");
}

// --- Set and revert, per-user choice ----------------------------------------------------------------

TEST_F(Association, PerUserSetRemembersTheClientAndRevertRestoresIt) {
  InstallAcme();
  PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  PutText(registry, CU, kUserChoiceKey, "Hash", "abc=");
  PutText(registry, CU, "Software\\Classes\\Acme.Torrent\\shell\\open\\command", "", "user acme %1");
  registry.CreateKey(CU, kOpenWithProgidsKey);
  registry.SetValue(CU, kOpenWithProgidsKey, "Acme.Torrent", MakeRegDword(0));

  EXPECT_EQ(SetTorrentAssociation(registry, system), "Brisvane");
  EXPECT_EQ(Read(CU, kSettingsKey, ".torrent"), "Acme.Torrent");
  EXPECT_EQ(Read(CU, kSettingsKey, "ProgID"), "Acme.Torrent");
  EXPECT_EQ(Read(CU, kSettingsKey, "command"), "user acme %1");
  EXPECT_EQ(Raw(kUserExtensionKey), StoredText("Brisvane"));
  EXPECT_EQ(Raw("Software\\Classes\\Brisvane\\shell\\open\\command"), StoredText(kOwnCommand));
  EXPECT_EQ(Raw("Software\\Classes\\Applications\\Brisvane.exe\\shell\\open\\command"), StoredText(kOwnCommand));
  // The choice key is made anew: the old hash is gone with it.
  EXPECT_EQ(ValueNames(kUserChoiceKey), (std::vector<std::string>{"Progid"}));
  EXPECT_EQ(Read(CU, kUserChoiceKey, "Progid"), "Applications\\Brisvane.exe");
  EXPECT_EQ(ValueNames(kOpenWithProgidsKey), (std::vector<std::string>{"Brisvane"}));
  EXPECT_EQ(Raw(kOpenWithProgidsKey, "Brisvane"), MakeRegDword(0));
  EXPECT_EQ(Name(), "Applications\\Brisvane.exe");

  EXPECT_EQ(RevertTorrentAssociation(registry, system), "Acme.Torrent");
  EXPECT_EQ(Read(CU, kUserChoiceKey, "Progid"), "Acme.Torrent");
  EXPECT_EQ(Raw(kUserExtensionKey), StoredText("Acme.Torrent"));
  EXPECT_EQ(ValueNames(kOpenWithProgidsKey), (std::vector<std::string>{"Acme.Torrent"}));
  EXPECT_EQ(Raw(kOpenWithProgidsKey, "Acme.Torrent"), MakeRegDword(0));
  EXPECT_EQ(Name(), "Acme.Torrent");
  EXPECT_EQ(Command(), kAcmeCommand);
  // Revert leaves the program's own keys and the remembered values where they are.
  EXPECT_TRUE(registry.KeyExists(CU, "Software\\Classes\\Brisvane\\shell\\open\\command"));
  EXPECT_TRUE(registry.KeyExists(CU, "Software\\Classes\\Applications\\Brisvane.exe"));
  EXPECT_EQ(Read(CU, kSettingsKey, ".torrent"), "Acme.Torrent");
}

TEST_F(Association, PerUserSetWithNothingBeforeStoresEmptyAndRevertWritesEmpty) {
  EXPECT_EQ(SetTorrentAssociation(registry, system), "Brisvane");
  EXPECT_EQ(Raw(kSettingsKey, ".torrent"), StoredText(""));
  EXPECT_EQ(Raw(kSettingsKey, "ProgID"), StoredText(""));
  EXPECT_TRUE(registry.KeyExists(CU, kFileExtsKey));
  EXPECT_FALSE(registry.KeyExists(CU, kUserChoiceKey));
  EXPECT_EQ(ValueNames(kOpenWithProgidsKey), (std::vector<std::string>{"Brisvane"}));
  EXPECT_EQ(Name(), "Brisvane");

  EXPECT_EQ(RevertTorrentAssociation(registry, system), std::nullopt);
  EXPECT_EQ(Raw(kUserExtensionKey), StoredText(""));
  EXPECT_EQ(Raw(kOpenWithProgidsKey, ""), MakeRegDword(0));
  EXPECT_FALSE(Raw(kOpenWithProgidsKey, "Brisvane").has_value());
  EXPECT_FALSE(registry.KeyExists(CU, kUserChoiceKey));
}

TEST_F(Association, PerUserSetLeavesAMissingChoiceKeyAloneWhenTheExplorerKeyExists) {
  InstallAcme();
  PutText(registry, CU, kFileExtsKey, "Other", "kept");
  SetTorrentAssociation(registry, system);
  EXPECT_FALSE(registry.KeyExists(CU, kUserChoiceKey));
  EXPECT_EQ(Read(CU, kFileExtsKey, "Other"), "kept");
  EXPECT_EQ(Read(CU, kSettingsKey, ".torrent"), "Acme.Torrent");  // from the machine when the user has none
}

TEST_F(Association, PerUserSetOverItsOwnClassDeletesItsOwnProgid) {
  PutText(registry, CU, kUserExtensionKey, "", "Brisvane");
  SetTorrentAssociation(registry, system);
  EXPECT_EQ(Read(CU, kSettingsKey, ".torrent"), "Brisvane");
  EXPECT_FALSE(Raw(kOpenWithProgidsKey, "Brisvane").has_value());
}

TEST_F(Association, TheExecutableNameShapesWhatIsWritten) {
  system.exe_path = "D:\\Tools\\bv.EXE";
  PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  SetTorrentAssociation(registry, system);
  EXPECT_EQ(Read(CU, kUserChoiceKey, "Progid"), "Applications\\bv.exe");
  EXPECT_EQ(Read(CU, "Software\\Classes\\Applications\\bv.exe\\shell\\open\\command"), "\"D:\\Tools\\bv.exe\" \"%1\"");
  // The class keeps the program's name whatever the file is called.
  EXPECT_EQ(Read(CU, kUserExtensionKey), "Brisvane");
}

// --- Set and revert, old shell -----------------------------------------------------------------------

TEST_F(Association, OldShellSetChoosesTheApplicationAndRevertPutsTheUsersChoiceBack) {
  system.version = testing::kWindowsXp;
  InstallAcme();
  PutText(registry, CU, kFileExtsKey, "Application", "acme.exe");

  EXPECT_EQ(SetTorrentAssociation(registry, system), "Brisvane");
  EXPECT_EQ(Raw(kFileExtsKey, "Application"), StoredText("Brisvane.exe"));
  EXPECT_TRUE(registry.KeyExists(CU, kOpenWithListKey));
  EXPECT_EQ(ValueNames(kOpenWithListKey), std::vector<std::string>{});
  EXPECT_EQ(Raw("Software\\Classes\\Applications\\Brisvane.exe\\shell\\open\\command"), StoredText(kOwnCommand));
  EXPECT_EQ(Read(CU, kSettingsKey, ".torrent"), "Acme.Torrent");
  EXPECT_EQ(Read(CU, kSettingsKey, "Application"), "acme.exe");
  // Nothing of the per-user choice's places is touched on this path.
  EXPECT_FALSE(registry.KeyExists(CU, kUserExtensionKey));
  EXPECT_FALSE(registry.KeyExists(CU, kProgramClassKey));
  EXPECT_FALSE(registry.KeyExists(CU, kOpenWithProgidsKey));
  EXPECT_EQ(Name(), "Brisvane.exe");
  EXPECT_EQ(Command(), kOwnCommand);

  EXPECT_EQ(RevertTorrentAssociation(registry, system), "acme.exe");
  EXPECT_EQ(Name(), "acme.exe");
}

TEST_F(Association, OldShellRevertWithoutARememberedApplicationEmptiesTheChoice) {
  system.version = testing::kWindowsServer2003;
  InstallAcme();
  SetTorrentAssociation(registry, system);
  EXPECT_EQ(Raw(kSettingsKey, "Application"), StoredText(""));
  EXPECT_EQ(RevertTorrentAssociation(registry, system), std::nullopt);
  EXPECT_EQ(Raw(kFileExtsKey, "Application"), StoredText(""));
  // With the choice empty the machine's client answers again.
  EXPECT_EQ(Command(), kAcmeCommand);
  // On Server 2003 an empty choice sends the window's probe to the per-user places, which are empty.
  EXPECT_EQ(Name(), "");
}

TEST_F(Association, ARefusedRegistryLosesNothingAndRaisesNothing) {
  InstallAcme();
  PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  registry.SetReadOnly(true);
  EXPECT_EQ(SetTorrentAssociation(registry, system), "Brisvane");
  EXPECT_EQ(Name(), "Acme.Torrent");
  EXPECT_FALSE(registry.KeyExists(CU, kSettingsKey));
  EXPECT_EQ(RevertTorrentAssociation(registry, system), std::nullopt);
  EXPECT_EQ(Read(CU, kUserChoiceKey, "Progid"), "Acme.Torrent");
}

}  // namespace
}  // namespace brisvane
