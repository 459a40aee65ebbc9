// The association's part in the program as a whole: the start-up probe fills the torrent program path,
// and the main window opens and closes the association window.
#include <gtest/gtest.h>

#include "app/app_fixture.h"
#include "settings/association_test_support.h"
#include "settings/association_window.h"
#include "settings/file_association.h"
#include "settings/settings_store.h"

namespace brisvane {
namespace {

using testing::FakeForm;
using testing::PutMachineClass;
using testing::PutText;
using F = FrmSettings;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr char kAcmeCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /open \"%1\"";

// --- At start-up --------------------------------------------------------------------------------------

TEST(AssociationAtStartUp, AnEmptyProgramPathIsFilledFromTheHandlerAndTheNamesListed) {
  testing::AppWorld w;
  w.AcceptTerms();
  w.registry.CreateKey(CU, kOpenWithProgidsKey);
  w.registry.SetValue(CU, kOpenWithProgidsKey, "Old.Torrent", MakeRegDword(0));
  w.registry.SetValue(CU, kOpenWithProgidsKey, "Acme.Torrent", MakeRegDword(0));
  PutMachineClass(w.registry, "Acme.Torrent", "\"C:\\Program Files\\Acme\\acme.exe\" \"%1\"");
  w.StartAndSettle();
  EXPECT_EQ(w.Main().Text(txtProgramPath), "C:\\Program Files\\Acme\\acme.exe ");
  EXPECT_EQ(w.Main().At(List1).items, (std::vector<std::string>{"Old.Torrent", "Acme.Torrent"}));
}

TEST(AssociationAtStartUp, AStoredProgramPathIsNotReplaced) {
  testing::AppWorld w;
  w.AcceptTerms();
  PutText(w.registry, CU, SettingsKey, "torPath", "C:\\mine.exe");
  PutText(w.registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  PutMachineClass(w.registry, "Acme.Torrent", kAcmeCommand);
  w.StartAndSettle();
  EXPECT_EQ(w.Main().Text(txtProgramPath), "C:\\mine.exe");
}

// --- Opened from the main window ---------------------------------------------------------------------

struct FromMainWindow : testing::AppWorld {
  FromMainWindow() {
    AcceptTerms();
    StartAndSettle();
  }
  FakeForm* Window() { return host.Find(app.association()); }
};

TEST(AssociationFromMainWindow, TheButtonShowsItInFrontAndAgainWithoutReloading) {
  FromMainWindow w;
  EXPECT_EQ(w.Window(), nullptr);
  w.host.Click(w.app.form1(), cmdFileAssociation);
  ASSERT_NE(w.Window(), nullptr);
  EXPECT_TRUE(w.Window()->visible);
  EXPECT_EQ(w.Window()->brought_to_front, 1);
  w.Window()->SetText(F::lblfileName, "kept");
  w.host.Click(w.app.form1(), cmdFileAssociation);
  EXPECT_EQ(w.Window()->brought_to_front, 2);
  EXPECT_EQ(w.Window()->Text(F::lblfileName), "kept");
  EXPECT_TRUE(w.Main().visible);  // not modal
}

TEST(AssociationFromMainWindow, ClosingTheMainWindowClosesItAndAReopenReadsTheRegistryAgain) {
  FromMainWindow w;
  w.host.Click(w.app.form1(), cmdFileAssociation);
  w.host.Click(w.app.association(), F::Command1);
  EXPECT_EQ(w.Window()->Text(F::Command1), "Revert Association");
  w.host.CloseByUser(w.app.association());
  EXPECT_EQ(w.Window(), nullptr);

  w.host.Click(w.app.form1(), cmdFileAssociation);
  // The fake system's executable is Brisvane.exe, and the per-user choice names its class.
  EXPECT_EQ(w.Window()->Text(F::lblfileName), "Brisvane");
  EXPECT_EQ(w.Window()->Text(F::Command1), "Revert Association");
  EXPECT_EQ(w.Main().At(List1).items, (std::vector<std::string>{"Brisvane"}));

  w.host.CloseByUser(w.app.form1());
  EXPECT_EQ(w.Window(), nullptr);
  EXPECT_TRUE(w.host.quit);
}

}  // namespace
}  // namespace brisvane
