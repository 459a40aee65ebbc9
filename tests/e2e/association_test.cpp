// The .torrent and magnet: associations as a user meets them in Brisvane.exe under Wine: a client is
// registered for the machine (Wine's classes root is HKLM\Software\Classes), the association window shows
// it, "Set Association" and "Revert Association" change the registry, and a first start takes the
// client's program path. Every way Windows keeps the association is exercised: Wine is told, for
// Brisvane.exe alone, to be XP or Server 2003 (the old shell's way), Windows 7 (the per-user choice) or
// Windows 10 (the manifest lets the program see 10.0; Brisvane registers itself and the user picks it in the
// system's settings, which Wine cannot open). Other programs in the prefix keep the prefix's version.
#include "e2e/scenario.h"
#include "settings/association_window.h"
#include "settings/magnet_association.h"
#include "settings/torrent_association.h"

namespace brisvane::e2e {
namespace {

using W = AssociationWindow;

constexpr char kAssociationCaption[] = "File association";
constexpr char kClientClass[] = "AcmeClient.Torrent";
constexpr char kClientCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /open \"%1\"";
constexpr char kOwnApplicationKey[] = "Software\\Classes\\Applications\\Brisvane.exe";
constexpr char kUserClientKey[] = "Software\\Classes\\Applications\\acme.exe";
constexpr char kMagnetClientCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /magnet \"%1\"";

std::string OwnCommand() { return "\"" + ProgramPath() + "\" \"%1\""; }
std::string OwnIcon() { return "\"" + ProgramPath() + "\",0"; }
std::string Below(std::string_view key, std::string_view subkey) { return std::string(key) + "\\" + std::string(subkey); }

class Association : public Scenario {
 protected:
  // The client as its installer leaves it: the machine's .torrent class and its open command.
  void SetUp() override {
    machine_extension_.Seed("", kClientClass);
    registry::WriteString(machine_client_.path() + "\\shell\\open\\command", "", kClientCommand, HKEY_LOCAL_MACHINE);
  }
  // Brisvane.exe alone sees this Windows version; "winxp" (5.1) and "win2003" (5.2) are Wine's names.
  void PretendWindows(std::string_view wine_version) { wine_.Seed("Version", wine_version); }

  static Window OpenAssociation(const Window& main, const Process& app) {
    main.Child(Id(MainWindow::kAssociationButton)).Click();
    return WaitForTopWindow({kAssociationCaption, app.id(), {Id(W::kMagnetToggleButton)}});
  }
  static std::string Handler(const Window& window, int name = W::kHandlerName) {
    return window.Child(Id(name)).Text();
  }
  static std::string Offer(const Window& window, int button = W::kToggleButton) {
    return window.Child(Id(button)).Text();
  }
  // Presses a line's button and waits until it offers the way back.
  static void Toggle(const Window& window, std::string_view next_offer, int button = W::kToggleButton) {
    const Window control = window.Child(Id(button));
    control.Click();
    control.WaitForText(next_offer);
  }
  static void ToggleMagnet(const Window& window, std::string_view next_offer) {
    Toggle(window, next_offer, W::kMagnetToggleButton);
  }

  registry::ScopedKey machine_extension_{"Software\\Classes\\.torrent", HKEY_LOCAL_MACHINE};
  registry::ScopedKey machine_client_{std::string("Software\\Classes\\") + kClientClass, HKEY_LOCAL_MACHINE};
  registry::ScopedKey file_exts_{std::string(kFileExtsKey)};
  registry::ScopedKey user_extension_{std::string(kUserExtensionKey)};
  registry::ScopedKey program_class_{std::string(kProgramClassKey)};
  registry::ScopedKey own_application_{kOwnApplicationKey};
  registry::ScopedKey user_client_{kUserClientKey};
  registry::ScopedKey machine_magnet_{"Software\\Classes\\magnet", HKEY_LOCAL_MACHINE};
  registry::ScopedKey user_magnet_{std::string(kUserMagnetKey)};
  registry::ScopedKey magnet_class_{std::string(kMagnetClassKey)};
  registry::ScopedKey magnet_choice_{std::string(kMagnetAssociationKey)};
  registry::ScopedKey registered_{std::string(kRegisteredApplicationsKey)};
  registry::ScopedKey wine_{"Software\\Wine\\AppDefaults\\Brisvane.exe"};  // read when a program starts
};

// Windows 7 (6.1) keeps the per-user choice.
class PerUserChoice : public Association, public ::testing::WithParamInterface<const char*> {};

TEST_P(PerUserChoice, SetAndRevert) {
  PretendWindows(GetParam());
  registry::WriteString(kUserChoiceKey, "Progid", kClientClass);
  registry::WriteDword(kOpenWithProgidsKey, kClientClass, 0);
  Process app = StartAccepted();
  const Window main = MainOf(app);
  Window window = OpenAssociation(main, app);
  EXPECT_EQ(window.Child(Id(W::kCaption)).Text(), ".torrent extension is associated with:");
  EXPECT_EQ(Handler(window), kClientClass);
  EXPECT_EQ(Offer(window), "Set Association");
  EXPECT_TRUE(main.Enabled());  // not modal

  Toggle(window, "Revert Association");
  EXPECT_EQ(Handler(window), "Brisvane");
  EXPECT_EQ(registry::ReadString(kSettingsKey, ".torrent"), kClientClass);
  EXPECT_EQ(registry::ReadString(kSettingsKey, "ProgID"), kClientClass);
  EXPECT_EQ(registry::ReadString(kSettingsKey, "command"), "");
  EXPECT_EQ(registry::ReadString(kUserExtensionKey, ""), "Brisvane");
  EXPECT_EQ(registry::ReadString(std::string(kProgramClassKey) + "\\shell\\open\\command", ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(std::string(kOwnApplicationKey) + "\\shell\\open\\command", ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), "Applications\\Brisvane.exe");
  EXPECT_EQ(registry::ReadDword(kOpenWithProgidsKey, "Brisvane"), 0u);
  EXPECT_FALSE(registry::ValueExists(kOpenWithProgidsKey, kClientClass));

  // Opened again, the window reads the registry afresh and knows the program as the handler.
  window.Close();
  window.WaitGone();
  window = OpenAssociation(main, app);
  EXPECT_EQ(Handler(window), "Applications\\Brisvane.exe");
  EXPECT_EQ(Offer(window), "Revert Association");

  Toggle(window, "Set Association");
  EXPECT_EQ(Handler(window), kClientClass);
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), kClientClass);
  EXPECT_EQ(registry::ReadString(kUserExtensionKey, ""), kClientClass);
  EXPECT_EQ(registry::ReadDword(kOpenWithProgidsKey, kClientClass), 0u);
  EXPECT_FALSE(registry::ValueExists(kOpenWithProgidsKey, "Brisvane"));

  // The window goes with the main window.
  main.Close();
  window.WaitGone();
  EXPECT_EQ(app.ExpectExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Wine, PerUserChoice, ::testing::Values("win7"));

// Windows 10: the user's choices are Windows' own to write. Brisvane registers itself for each kind, leaves
// the choices alone and says where to pick it (Wine cannot open the settings page); each revert takes back
// its own kind's registration, and the shared part goes with the last.
TEST_F(Association, OnWindows10BothKindsAreRegisteredForTheUsersChoice) {
  PretendWindows("win10");
  for (const std::string_view choice : {kUserChoiceKey, kMagnetUserChoiceKey}) {
    registry::WriteString(choice, "Progid", choice == kUserChoiceKey ? kClientClass : "AcmeMagnet");
    registry::WriteString(choice, "Hash", "abc=");
  }
  Process app = StartAccepted();
  const Window main = MainOf(app);
  const Window window = OpenAssociation(main, app);
  EXPECT_EQ(Handler(window), kClientClass);
  EXPECT_EQ(Handler(window, W::kMagnetHandlerName), "AcmeMagnet");
  EXPECT_EQ(window.Child(Id(W::kGuidance)).Text(), "");

  Toggle(window, "Revert Association");
  EXPECT_EQ(window.Child(Id(W::kGuidance)).Text(), GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kPickBrisvaneInSettings));
  EXPECT_EQ(Handler(window), kClientClass);  // until the user picks Brisvane
  EXPECT_EQ(registry::ReadString(Below(kProgramClassKey, "shell\\open\\command"), ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(Below(kProgramClassKey, "DefaultIcon"), ""), OwnIcon());
  EXPECT_TRUE(registry::ValueExists(kClassOpenWithProgidsKey, "Brisvane"));
  EXPECT_EQ(registry::ReadString(kCapabilitiesKey, "ApplicationName"), "Brisvane");
  EXPECT_EQ(registry::ReadString(kFileAssociationsKey, ".torrent"), "Brisvane");
  EXPECT_EQ(registry::ReadString(kRegisteredApplicationsKey, "Brisvane"), std::string(kCapabilitiesKey));
  // Nothing of the older Windows' ways.
  EXPECT_FALSE(registry::ValueExists(kUserExtensionKey, ""));
  EXPECT_FALSE(registry::KeyExists(kOwnApplicationKey));
  EXPECT_FALSE(registry::ValueExists(kOpenWithProgidsKey, "Brisvane"));

  ToggleMagnet(window, "Revert Association");
  EXPECT_EQ(window.Child(Id(W::kMagnetGuidance)).Text(), GuidanceText(AssociationKind::kMagnet, ChoiceGuidance::kPickBrisvaneInSettings));
  EXPECT_EQ(Handler(window, W::kMagnetHandlerName), "AcmeMagnet");
  EXPECT_EQ(registry::ReadString(kMagnetClassKey, ""), "URL:Magnet link");
  EXPECT_EQ(registry::ReadString(kMagnetClassKey, "URL Protocol"), "");
  EXPECT_EQ(registry::ReadString(Below(kMagnetClassKey, "shell\\open\\command"), ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(Below(kMagnetClassKey, "DefaultIcon"), ""), OwnIcon());
  EXPECT_EQ(registry::ReadString(kUrlAssociationsKey, "magnet"), "Brisvane.Magnet");
  EXPECT_FALSE(registry::KeyExists(kUserMagnetKey));

  Toggle(window, "Set Association");
  EXPECT_EQ(window.Child(Id(W::kGuidance)).Text(), "");
  EXPECT_FALSE(registry::KeyExists(kFileAssociationsKey));
  EXPECT_FALSE(registry::ValueExists(kClassOpenWithProgidsKey, "Brisvane"));
  EXPECT_EQ(registry::ReadString(kRegisteredApplicationsKey, "Brisvane"), std::string(kCapabilitiesKey));
  ToggleMagnet(window, "Set Association");
  EXPECT_EQ(window.Child(Id(W::kMagnetGuidance)).Text(), "");
  EXPECT_FALSE(registry::KeyExists(kCapabilitiesKey));
  EXPECT_FALSE(registry::ValueExists(kRegisteredApplicationsKey, "Brisvane"));
  EXPECT_TRUE(registry::KeyExists(kMagnetClassKey));  // the user's choice may still name it
  for (const std::string_view choice : {kUserChoiceKey, kMagnetUserChoiceKey})
    EXPECT_EQ(registry::ReadString(choice, "Hash"), "abc=");
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), kClientClass);
  CloseAndWait(main, app);
}

TEST_F(Association, OldShellOnWindowsXpSetAndRevert) {
  PretendWindows("winxp");
  registry::WriteString(kFileExtsKey, "Application", "acme.exe");
  registry::WriteString(std::string(kUserClientKey) + "\\shell\\open\\command", "", "\"C:\\Acme\\acme.exe\" \"%1\"");
  Process app = StartAccepted();
  const Window main = MainOf(app);
  // The user's own choice of client wins over the machine's class.
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Acme\\acme.exe ");
  const Window window = OpenAssociation(main, app);
  EXPECT_EQ(Handler(window), "acme.exe");
  EXPECT_EQ(Offer(window), "Set Association");

  Toggle(window, "Revert Association");
  EXPECT_EQ(Handler(window), "Brisvane");
  EXPECT_EQ(registry::ReadString(kFileExtsKey, "Application"), "Brisvane.exe");
  EXPECT_TRUE(registry::KeyExists(kOpenWithListKey));
  EXPECT_EQ(registry::ReadString(std::string(kOwnApplicationKey) + "\\shell\\open\\command", ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(kSettingsKey, ".torrent"), kClientClass);
  EXPECT_EQ(registry::ReadString(kSettingsKey, "Application"), "acme.exe");
  // The per-user choice's places stay untouched on this path.
  EXPECT_FALSE(registry::KeyExists(kUserExtensionKey));
  EXPECT_FALSE(registry::KeyExists(kProgramClassKey));
  EXPECT_FALSE(registry::KeyExists(kUserChoiceKey));

  Toggle(window, "Set Association");
  EXPECT_EQ(Handler(window), "acme.exe");
  EXPECT_EQ(registry::ReadString(kFileExtsKey, "Application"), "acme.exe");
  CloseAndWait(main, app);
}

TEST_F(Association, OldShellOnServer2003WithNothingChosenBefore) {
  PretendWindows("win2003");
  Process app = StartAccepted();
  const Window main = MainOf(app);
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /open ");
  // Without a per-user application the window looks at the per-user choice, which is empty here.
  const Window window = OpenAssociation(main, app);
  EXPECT_EQ(Handler(window), "");
  EXPECT_EQ(Offer(window), "Set Association");

  Toggle(window, "Revert Association");
  EXPECT_EQ(Handler(window), "Brisvane");
  EXPECT_EQ(registry::ReadString(kFileExtsKey, "Application"), "Brisvane.exe");
  EXPECT_FALSE(registry::KeyExists(kUserExtensionKey));

  // Nothing was chosen before, so revert empties the choice; the machine's client answers again.
  Toggle(window, "Set Association");
  EXPECT_EQ(registry::ReadString(kFileExtsKey, "Application"), "");
  EXPECT_EQ(Handler(window), "Brisvane");
  CloseAndWait(main, app);
}

TEST_F(Association, MagnetLinksOnTheOldShellSetAndRevert) {
  PretendWindows("winxp");
  registry::WriteString(Below(machine_magnet_.path(), "shell\\open\\command"), "", kMagnetClientCommand,
                        HKEY_LOCAL_MACHINE);
  registry::WriteString(machine_extension_.path(), "", "", HKEY_LOCAL_MACHINE);  // no .torrent handler
  Process app = StartAccepted();
  const Window main = MainOf(app);
  // The first start takes the program from the magnet handler then.
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /magnet ");
  const Window window = OpenAssociation(main, app);
  EXPECT_EQ(window.Child(Id(W::kMagnetCaption)).Text(), "magnet: links are opened by:");
  EXPECT_EQ(Handler(window, W::kMagnetHandlerName), "acme.exe");
  EXPECT_EQ(Offer(window, W::kMagnetToggleButton), "Set Association");

  ToggleMagnet(window, "Revert Association");
  EXPECT_EQ(Handler(window, W::kMagnetHandlerName), "Brisvane.exe");
  EXPECT_EQ(registry::ReadString(kUserMagnetKey, ""), "URL:Magnet link");
  EXPECT_EQ(registry::ReadString(kUserMagnetKey, "URL Protocol"), "");
  EXPECT_EQ(registry::ReadString(Below(kUserMagnetKey, "shell\\open\\command"), ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(Below(kUserMagnetKey, "DefaultIcon"), ""), OwnIcon());
  EXPECT_FALSE(registry::KeyExists(kMagnetAssociationKey));
  EXPECT_EQ(Offer(window), "Set Association");  // the .torrent line is a line of its own

  // The user had no handler of their own: revert leaves the machine's.
  ToggleMagnet(window, "Set Association");
  EXPECT_EQ(Handler(window, W::kMagnetHandlerName), "acme.exe");
  EXPECT_FALSE(registry::KeyExists(kUserMagnetKey));
  CloseAndWait(main, app);
}

TEST_F(Association, TheFirstStartTakesTheRegisteredClientsProgramAndKeepsIt) {
  registry::WriteString(kUserChoiceKey, "Progid", kClientClass);
  {
    Process app = StartAccepted();
    const Window main = MainOf(app);
    EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /open ");
    CloseAndWait(main, app);
  }
  EXPECT_EQ(registry::ReadString(kSettingsKey, "torPath"), "C:\\Program Files\\Acme\\acme.exe /open");
  // Once stored, the path is kept even when another client takes over.
  registry::WriteString(kUserChoiceKey, "Progid", "Other.Torrent");
  Process again = StartAccepted();
  const Window main = MainOf(again);
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /open");
  CloseAndWait(main, again);
}

}  // namespace
}  // namespace brisvane::e2e
