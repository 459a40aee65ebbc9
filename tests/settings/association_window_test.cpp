#include "settings/association_window.h"

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "settings/torrent_association.h"
#include "support/fakes.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

using testing::FakeForm;
using testing::PutText;
using A = AssociationWindow;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

TEST(IsOwnHandlerName, TheFourRules) {
  for (const char* own :
       {"Brisvane.exe", "BRISVANE.EXE", "brisvane.Exe", "Brisvane", "Applications\\Brisvane.exe", "Brisvane.Magnet"})
    EXPECT_TRUE(IsOwnHandlerName(own, "Brisvane")) << own;
  for (const char* other : {"", "brisvane", "APPLICATIONS\\Brisvane.exe", "Applications\\brisvane.exe",
                            "Brisvane.exe ", "Brisvane.Torrent", "acme.exe"})
    EXPECT_FALSE(IsOwnHandlerName(other, "Brisvane")) << other;
  // The class name counts whatever the executable is called; the other rules follow the executable.
  EXPECT_TRUE(IsOwnHandlerName("Brisvane", "bv"));
  EXPECT_TRUE(IsOwnHandlerName("BV.exe", "bv"));
  EXPECT_FALSE(IsOwnHandlerName("Brisvane.exe", "bv"));
}

struct Window : ::testing::Test {
  testing::FakeFormHost host;
  testing::MemoryRegistry registry;
  testing::FakeSystem system;
  testing::FakeDefaultApps default_apps;
  AssociationWindow window{registry, system, default_apps};

  void SetUp() override {
    system.exe_path = "C:\\Apps\\Brisvane.exe";
    system.version = testing::kWindows7;
  }
  FakeForm& Open() {
    host.Load(window.LayoutForThisSystem(), window);
    return host.Get(window);
  }
  void Click(FakeForm& form) { host.Click(form, A::kToggleButton); }
  void InstallAcme() {
    PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\.torrent", "", "Acme.Torrent");
    testing::PutMachineClass(registry, "Acme.Torrent", "\"C:\\Acme\\acme.exe\" \"%1\"");
  }
};

TEST_F(Window, ClickingSetsThenRevertsAndTheCaptionAlternates) {
  InstallAcme();
  PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(A::kHandlerName), "Acme.Torrent");
  EXPECT_EQ(form.Text(A::kToggleButton), "Set Association");
  Click(form);
  EXPECT_EQ(form.Text(A::kHandlerName), "Brisvane");
  EXPECT_EQ(form.Text(A::kToggleButton), "Revert Association");
  Click(form);
  EXPECT_EQ(form.Text(A::kHandlerName), "Acme.Torrent");
  EXPECT_EQ(form.Text(A::kToggleButton), "Set Association");
  EXPECT_EQ(testing::ReadText(registry, CU, kUserChoiceKey, "Progid"), "Acme.Torrent");
}

TEST_F(Window, OpensOfferingRevertWhenTheProgramIsTheHandlerAndTheCaptionAloneDecides) {
  system.version = testing::kWindowsXp;
  PutText(registry, CU, kFileExtsKey, "Application", "BRISVANE.EXE");
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(A::kHandlerName), "BRISVANE.EXE");
  EXPECT_EQ(form.Text(A::kToggleButton), "Revert Association");
  PutText(registry, CU, kSettingsKey, "Application", "acme.exe");
  Click(form);  // a revert, although the registry is not asked again
  EXPECT_EQ(form.Text(A::kHandlerName), "acme.exe");
  Click(form);
  EXPECT_EQ(form.Text(A::kHandlerName), "Brisvane");
  PutText(registry, CU, kSettingsKey, "Application", "");
  Click(form);  // nothing remembered this time: the name stays
  EXPECT_EQ(form.Text(A::kToggleButton), "Set Association");
}

TEST_F(Window, ALongNameWidensWindowAndButtonAndAShortOneLeavesThemWide) {
  host.measure = [](const std::string& text) { return text == "Brisvane" ? 600 : text.empty() ? 0 : 3000; };
  PutText(registry, CU, kUserChoiceKey, "Progid", "Applications\\SomeVeryLongTorrentClientName.exe");
  FakeForm& form = Open();
  EXPECT_EQ(form.outer_width, 3000 + 2925);
  EXPECT_EQ(form.At(A::kToggleButton).width, 3000 + 1800);
  EXPECT_EQ(form.At(A::kMagnetToggleButton).width, 3000 + 1800);
  EXPECT_EQ(form.At(A::kHandlerName).width, 3000);  // the label fits its caption
  Click(form);
  EXPECT_EQ(form.Text(A::kHandlerName), "Brisvane");
  EXPECT_EQ(form.At(A::kHandlerName).width, 600);
  EXPECT_EQ(form.outer_width, 5925);

  testing::FakeFormHost other;
  other.measure = [](const std::string&) { return 2055; };  // just fits
  AssociationWindow fitting{registry, system, default_apps};
  other.Load(fitting.LayoutForThisSystem(), fitting);
  EXPECT_EQ(other.Get(fitting).At(A::kToggleButton).width, 3855);
}

TEST(ChoosesThroughSettings, WindowsEightAndLaterByTheirVersionNumbers) {
  EXPECT_TRUE(ChoosesThroughSettings({6, 2, 9200, kVerPlatformWin32Nt}));
  EXPECT_TRUE(ChoosesThroughSettings({6, 3, 9600, kVerPlatformWin32Nt}));
  EXPECT_TRUE(ChoosesThroughSettings(testing::kWindows10));
  EXPECT_FALSE(ChoosesThroughSettings(testing::kWindows7));
  EXPECT_FALSE(ChoosesThroughSettings(testing::kWindowsXp));
  EXPECT_FALSE(ChoosesThroughSettings({6, 2, 0, kVerPlatformWin32Windows}));
}

// Windows 8 and later: the user's choice carries a hash only Windows can write.
struct ChoiceWindow : Window {
  void SetUp() override {
    Window::SetUp();
    system.version = testing::kWindows10;
    PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
    PutText(registry, CU, kUserChoiceKey, "Hash", "abc=");
  }
  std::string Read(std::string_view key, std::string_view name = "") { return testing::ReadText(registry, CU, key, name); }
  void ExpectTheUsersChoiceUntouched() {
    EXPECT_EQ(Read(kUserChoiceKey, "Progid"), "Acme.Torrent");
    EXPECT_EQ(Read(kUserChoiceKey, "Hash"), "abc=");
  }
};

TEST_F(ChoiceWindow, SetRegistersTheProgramAndAsksTheUserToPickItNeverWritingTheChoice) {
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(A::kToggleButton), "Set Association");
  EXPECT_EQ(form.Text(A::kGuidance), "");
  Click(form);
  EXPECT_EQ(Read("Software\\Classes\\Brisvane\\shell\\open\\command"), "\"C:\\Apps\\Brisvane.exe\" \"%1\"");
  EXPECT_EQ(Read("Software\\Classes\\Brisvane\\DefaultIcon"), "\"C:\\Apps\\Brisvane.exe\",0");
  EXPECT_EQ(registry.QueryValue(CU, kClassOpenWithProgidsKey, "Brisvane"), (RegData{kRegNone, {}}));
  EXPECT_EQ(Read(kCapabilitiesKey, "ApplicationName"), "Brisvane");
  EXPECT_EQ(Read(kFileAssociationsKey, ".torrent"), "Brisvane");
  EXPECT_EQ(Read(kRegisteredApplicationsKey, "Brisvane"), "Software\\Kestrelwick\\Brisvane\\Capabilities");
  ExpectTheUsersChoiceUntouched();
  // The name is the one Windows reports now: the user has not picked yet.
  EXPECT_EQ(form.Text(A::kHandlerName), "Acme.Torrent");
  EXPECT_EQ(form.Text(A::kToggleButton), "Revert Association");
  EXPECT_EQ(form.Text(A::kGuidance), kPickBrisvane);
  EXPECT_EQ(default_apps.opened, 1);
  EXPECT_EQ(default_apps.changes, 1);

  // Reopened, it offers to take the registration back.
  form.Close();
  EXPECT_EQ(Open().Text(A::kToggleButton), "Revert Association");
}

TEST_F(ChoiceWindow, RevertRemovesTheRegistrationAndAsksForTheClientOnlyWhileBrisvaneIsChosen) {
  default_apps.opens = false;  // as under Wine: the user is told where to go instead
  FakeForm& form = Open();
  Click(form);
  EXPECT_EQ(form.Text(A::kGuidance), kPickBrisvaneInSettings);
  // The user picked Brisvane in the settings.
  PutText(registry, CU, kUserChoiceKey, "Progid", "Brisvane");
  Click(form);
  EXPECT_FALSE(registry.QueryValue(CU, kRegisteredApplicationsKey, "Brisvane").has_value());
  EXPECT_FALSE(registry.KeyExists(CU, kCapabilitiesKey));
  EXPECT_FALSE(registry.QueryValue(CU, kClassOpenWithProgidsKey, "Brisvane").has_value());
  // The ProgID stays while the user's choice names it, so .torrent files still open.
  EXPECT_TRUE(registry.KeyExists(CU, "Software\\Classes\\Brisvane\\shell\\open\\command"));
  EXPECT_EQ(form.Text(A::kHandlerName), "Brisvane");
  EXPECT_EQ(form.Text(A::kToggleButton), "Set Association");
  EXPECT_EQ(form.Text(A::kGuidance), kPickYourClientInSettings);
  EXPECT_EQ(Read(kUserChoiceKey, "Hash"), "abc=");

  PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  Click(form);
  Click(form);  // with another client chosen, revert has nothing to ask
  EXPECT_EQ(form.Text(A::kGuidance), "");
  ExpectTheUsersChoiceUntouched();
}

TEST_F(ChoiceWindow, ARefusedRegistrationIsSaidAndNotOfferedForRevert) {
  FakeForm& form = Open();
  registry.SetReadOnly(true);
  Click(form);
  EXPECT_EQ(form.Text(A::kGuidance), kRegistrationRefused);
  EXPECT_EQ(form.Text(A::kToggleButton), "Set Association");
  EXPECT_EQ(default_apps.opened, 0);
}

}  // namespace
}  // namespace brisvane
