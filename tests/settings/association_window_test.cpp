#include "settings/association_window.h"

#include <gtest/gtest.h>

#include "support/fake_desktop.h"
#include "support/memory_registry.h"
#include "settings/association_test_support.h"
#include "settings/file_association.h"
#include "settings/settings_store.h"

namespace brisvane {
namespace {

using testing::FakeForm;
using testing::PutMachineClass;
using testing::PutText;
using F = FrmSettings;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

TEST(IsOwnHandlerName, TheFourRules) {
  for (const char* own : {"Brisvane.exe", "BRISVANE.EXE", "brisvane.Exe", "Brisvane", "Applications\\Brisvane.exe"})
    EXPECT_TRUE(IsOwnHandlerName(own, "Brisvane")) << own;
  for (const char* other : {"", "brisvane", "APPLICATIONS\\Brisvane.exe", "Applications\\brisvane.exe",
                            "Applications\\Brisvane.EXE", "Brisvane.exe ", "Brisvane.Torrent", "acme.exe"})
    EXPECT_FALSE(IsOwnHandlerName(other, "Brisvane")) << other;
  // The class name counts whatever the executable is called; the other rules follow the executable.
  EXPECT_TRUE(IsOwnHandlerName("Brisvane", "bv"));
  EXPECT_TRUE(IsOwnHandlerName("BV.exe", "bv"));
  EXPECT_FALSE(IsOwnHandlerName("Brisvane.exe", "bv"));
}

// The window on its own, with a system of the test's choosing.
struct AssociationWindow : ::testing::Test {
  testing::FakeFormHost host;
  testing::MemoryRegistry registry;
  testing::ChosenSystem system;
  std::vector<std::string> list1;
  FrmSettings window{registry, system, [this](std::string_view name) { list1.emplace_back(name); }};

  FakeForm& Open() {
    host.Load(FrmSettingsSpec(), window);
    return host.Get(window);
  }
  void Click() { host.Click(window, F::Command1); }
  void InstallAcme() {
    PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\.torrent", "", "Acme.Torrent");
    PutMachineClass(registry, "Acme.Torrent", "\"C:\\Acme\\acme.exe\" \"%1\"");
  }
};

TEST_F(AssociationWindow, DesignTable) {
  const FormSpec& spec = FrmSettingsSpec();
  EXPECT_EQ(spec.caption, "File association");
  EXPECT_EQ(spec.client_width, 4890);
  EXPECT_EQ(spec.client_height, 1305);
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(F::Label1), ".torrent extension is associated with:");
}

TEST_F(AssociationWindow, NoAssociationShowsAnEmptyNameAndOffersToSet) {
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(F::lblfileName), "");
  EXPECT_EQ(form.Text(F::Command1), "Set Association");
}

TEST_F(AssociationWindow, ClickingSetsThenRevertsAndTheCaptionAlternates) {
  InstallAcme();
  PutText(registry, CU, kUserChoiceKey, "Progid", "Acme.Torrent");
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(F::lblfileName), "Acme.Torrent");
  EXPECT_EQ(form.Text(F::Command1), "Set Association");

  Click();
  EXPECT_EQ(form.Text(F::lblfileName), "Brisvane");
  EXPECT_EQ(form.Text(F::Command1), "Revert Association");
  EXPECT_EQ(testing::ReadText(registry, CU, kUserChoiceKey, "Progid"), "Applications\\Brisvane.exe");

  Click();
  EXPECT_EQ(form.Text(F::lblfileName), "Acme.Torrent");
  EXPECT_EQ(form.Text(F::Command1), "Set Association");
  EXPECT_EQ(testing::ReadText(registry, CU, kUserChoiceKey, "Progid"), "Acme.Torrent");

  // Reopened, the window finds the program still not the handler.
  form.Close();
  EXPECT_EQ(Open().Text(F::Command1), "Set Association");
}

TEST_F(AssociationWindow, OpensOfferingRevertWhenTheProgramIsTheHandler) {
  system.version = testing::kWindowsXp;
  PutText(registry, CU, kFileExtsKey, "Application", "BRISVANE.EXE");
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(F::lblfileName), "BRISVANE.EXE");
  EXPECT_EQ(form.Text(F::Command1), "Revert Association");
  // The caption alone decides: a revert runs although the registry is not asked again.
  PutText(registry, CU, SettingsKey, "Application", "acme.exe");
  Click();
  EXPECT_EQ(form.Text(F::lblfileName), "acme.exe");
  EXPECT_EQ(testing::ReadText(registry, CU, kFileExtsKey, "Application"), "acme.exe");
}

TEST_F(AssociationWindow, RevertWithNothingRememberedKeepsTheOwnName) {
  system.version = testing::kWindowsXp;
  InstallAcme();
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(F::lblfileName), "Acme.Torrent");
  Click();
  EXPECT_EQ(form.Text(F::lblfileName), "Brisvane");  // E on the old shell path
  Click();
  EXPECT_EQ(form.Text(F::lblfileName), "Brisvane");
  EXPECT_EQ(form.Text(F::Command1), "Set Association");
}

TEST_F(AssociationWindow, Server2003WithoutAnApplicationShowsThePerUserChoice) {
  system.version = testing::kWindowsServer2003;
  InstallAcme();
  PutText(registry, CU, kUserChoiceKey, "Progid", "Applications\\Brisvane.exe");
  FakeForm& form = Open();
  EXPECT_EQ(form.Text(F::lblfileName), "Applications\\Brisvane.exe");
  EXPECT_EQ(form.Text(F::Command1), "Revert Association");
}

TEST_F(AssociationWindow, EnumeratedNamesGoToTheMainWindowsList) {
  registry.CreateKey(CU, kOpenWithProgidsKey);
  registry.SetValue(CU, kOpenWithProgidsKey, "A.Torrent", MakeRegDword(0));
  registry.SetValue(CU, kOpenWithProgidsKey, "B.Torrent", MakeRegDword(0));
  EXPECT_EQ(Open().Text(F::lblfileName), "B.Torrent");
  EXPECT_EQ(list1, (std::vector<std::string>{"A.Torrent", "B.Torrent"}));
}

TEST_F(AssociationWindow, ALongNameWidensWindowAndButtonAndAShortOneLeavesThemWide) {
  host.measure = [](const std::string& text) { return text == "Brisvane" ? 600 : 3000; };
  PutText(registry, CU, kUserChoiceKey, "Progid", "Applications\\SomeVeryLongTorrentClientName.exe");
  FakeForm& form = Open();
  EXPECT_EQ(form.outer_width, 3000 + 2925);
  EXPECT_EQ(form.At(F::Command1).width, 3000 + 1800);
  EXPECT_EQ(form.At(F::lblfileName).width, 3000);  // the label fits its caption
  Click();
  EXPECT_EQ(form.Text(F::lblfileName), "Brisvane");
  EXPECT_EQ(form.outer_width, 5925);
  EXPECT_EQ(form.At(F::Command1).width, 4800);
}

TEST_F(AssociationWindow, ANameThatFitsKeepsTheDesignWidths) {
  host.measure = [](const std::string&) { return 2055; };
  InstallAcme();
  FakeForm& form = Open();
  const int outer = form.outer_width;
  EXPECT_EQ(form.At(F::Command1).width, 3855);
  Click();
  EXPECT_EQ(form.outer_width, outer);
  EXPECT_EQ(form.At(F::Command1).width, 3855);
}

}  // namespace
}  // namespace brisvane
