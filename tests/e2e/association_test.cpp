// The .torrent and magnet: associations as a user meets them in Brisvane.exe under Wine: a client is
// registered for the machine (Wine's classes root is HKLM\Software\Classes) and chosen by the user, the
// association window shows it, and "Set Association" and "Revert Association" change the registry. Wine is
// told, for Brisvane.exe alone, to be Windows 7 (the per-user choice, which the program writes) or Windows
// 10 (the manifest lets the program see 10.0; Brisvane registers itself and the user picks it in the
// system's settings, which Wine cannot open).
#include <deque>

#include "e2e/scenario.h"
#include "settings/association_window.h"
#include "settings/magnet_association.h"
#include "settings/torrent_association.h"

namespace brisvane::e2e {
namespace {

using W = AssociationWindow;

constexpr char kClientClass[] = "AcmeClient.Torrent";
constexpr char kOwnApplicationKey[] = "Software\\Classes\\Applications\\Brisvane.exe";

std::string OwnCommand() { return "\"" + ProgramPath() + "\" \"%1\""; }
std::string Below(std::string_view key, std::string_view subkey) { return std::string(key) + "\\" + std::string(subkey); }

class Association : public Scenario {
 protected:
  Association() {
    for (std::string_view key : {kFileExtsKey, kUserExtensionKey, kProgramClassKey, std::string_view(kOwnApplicationKey),
                                 kUserMagnetKey, kMagnetClassKey, kMagnetAssociationKey, kRegisteredApplicationsKey})
      written_.emplace_back(std::string(key));
  }
  // The client as its installer leaves it, chosen by the user for both kinds; Brisvane.exe alone sees
  // `version` ("win7", "win10": Wine's names).
  void Prepare(std::string_view version) {
    wine_.Seed("Version", version);
    machine_extension_.Seed("", kClientClass);
    registry::WriteString(Below(machine_client_.path(), "shell\\open\\command"), "",
                          "\"C:\\Program Files\\Acme\\acme.exe\" /open \"%1\"", HKEY_LOCAL_MACHINE);
    registry::WriteString(kUserChoiceKey, "Progid", kClientClass);
    registry::WriteString(kMagnetUserChoiceKey, "Progid", "AcmeMagnet");
  }
  Window Open(const Process& app) {
    main_ = MainOf(app);
    main_.Child(Id(MainWindow::kAssociationButton)).Click();
    return WaitForTopWindow({"File association", app.id(), {Id(W::kMagnetToggleButton)}});
  }
  static std::string Text(const Window& window, int control) { return window.Child(Id(control)).Text(); }
  // Presses a line's button and waits until it offers the way back.
  static void Toggle(const Window& window, int button, std::string_view next_offer) {
    const Window control = window.Child(Id(button));
    control.Click();
    control.WaitForText(next_offer);
  }

  registry::ScopedKey machine_extension_{"Software\\Classes\\.torrent", HKEY_LOCAL_MACHINE};
  registry::ScopedKey machine_client_{std::string("Software\\Classes\\") + kClientClass, HKEY_LOCAL_MACHINE};
  std::deque<registry::ScopedKey> written_;  // what Brisvane writes, in either way
  registry::ScopedKey wine_{"Software\\Wine\\AppDefaults\\Brisvane.exe"};  // read when a program starts
  Window main_;
};

TEST_F(Association, OnWindows7ThePerUserChoiceIsSetAndRevertedForBothKinds) {
  Prepare("win7");
  Process app = Start();
  Window window = Open(app);
  EXPECT_EQ(Text(window, W::kHandlerName), kClientClass);
  EXPECT_EQ(Text(window, W::kMagnetHandlerName), "AcmeMagnet");
  EXPECT_TRUE(IsWindowEnabled(main_.handle()));  // not modal

  Toggle(window, W::kToggleButton, "Revert Association");
  EXPECT_EQ(Text(window, W::kHandlerName), "Brisvane");
  EXPECT_EQ(registry::ReadString(Below(kProgramClassKey, "shell\\open\\command"), ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), "Applications\\Brisvane.exe");
  EXPECT_EQ(Text(window, W::kMagnetToggleButton), "Set Association");  // a line of its own
  Toggle(window, W::kMagnetToggleButton, "Revert Association");
  EXPECT_EQ(Text(window, W::kMagnetHandlerName), "Brisvane.Magnet");
  EXPECT_EQ(registry::ReadString(kMagnetUserChoiceKey, "Progid"), "Brisvane.Magnet");

  // Opened again, the window reads the registry afresh and knows the program as the handler.
  window.Close();
  window.WaitGone();
  window = Open(app);
  EXPECT_EQ(Text(window, W::kHandlerName), "Applications\\Brisvane.exe");
  Toggle(window, W::kToggleButton, "Set Association");
  EXPECT_EQ(Text(window, W::kHandlerName), kClientClass);
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), kClientClass);
  Toggle(window, W::kMagnetToggleButton, "Set Association");
  EXPECT_EQ(Text(window, W::kMagnetHandlerName), "AcmeMagnet");
  EXPECT_EQ(registry::ReadString(kMagnetUserChoiceKey, "Progid"), "AcmeMagnet");

  // The window goes with the main window.
  main_.Close();
  window.WaitGone();
  EXPECT_EQ(app.ExpectExit(), 0u);
}

// Windows 10: the user's choices are Windows' own to write. Brisvane registers itself for each kind, leaves
// the choices alone and says where to pick it; each revert takes back its own kind's registration, and the
// shared part goes with the last.
TEST_F(Association, OnWindows10BothKindsAreRegisteredForTheUsersChoice) {
  Prepare("win10");
  for (const std::string_view choice : {kUserChoiceKey, kMagnetUserChoiceKey}) registry::WriteString(choice, "Hash", "abc=");
  Process app = Start();
  const Window window = Open(app);
  Toggle(window, W::kToggleButton, "Revert Association");
  EXPECT_EQ(Text(window, W::kGuidance), GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kPickBrisvaneInSettings));
  EXPECT_EQ(Text(window, W::kHandlerName), kClientClass);  // until the user picks Brisvane
  EXPECT_EQ(registry::ReadString(Below(kProgramClassKey, "shell\\open\\command"), ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(kFileAssociationsKey, ".torrent"), "Brisvane");
  EXPECT_FALSE(registry::ValueExists(kUserExtensionKey, ""));  // nothing of the older Windows' ways
  EXPECT_FALSE(registry::KeyExists(kOwnApplicationKey));

  Toggle(window, W::kMagnetToggleButton, "Revert Association");
  EXPECT_EQ(Text(window, W::kMagnetGuidance), GuidanceText(AssociationKind::kMagnet, ChoiceGuidance::kPickBrisvaneInSettings));
  EXPECT_EQ(Text(window, W::kMagnetHandlerName), "AcmeMagnet");
  EXPECT_EQ(registry::ReadString(Below(kMagnetClassKey, "shell\\open\\command"), ""), OwnCommand());
  EXPECT_EQ(registry::ReadString(kUrlAssociationsKey, "magnet"), "Brisvane.Magnet");
  EXPECT_FALSE(registry::KeyExists(kUserMagnetKey));

  Toggle(window, W::kToggleButton, "Set Association");
  EXPECT_EQ(Text(window, W::kGuidance), "");
  EXPECT_FALSE(registry::KeyExists(kFileAssociationsKey));
  EXPECT_EQ(registry::ReadString(kRegisteredApplicationsKey, "Brisvane"), std::string(kCapabilitiesKey));
  Toggle(window, W::kMagnetToggleButton, "Set Association");
  EXPECT_FALSE(registry::KeyExists(kCapabilitiesKey));
  EXPECT_FALSE(registry::ValueExists(kRegisteredApplicationsKey, "Brisvane"));
  for (const std::string_view choice : {kUserChoiceKey, kMagnetUserChoiceKey}) EXPECT_EQ(registry::ReadString(choice, "Hash"), "abc=");
  CloseAndWait(main_, app);
}

}  // namespace
}  // namespace brisvane::e2e
