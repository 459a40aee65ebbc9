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
  for (const char* own : {"Brisvane.exe", "BRISVANE.EXE", "brisvane.Exe", "Brisvane", "Applications\\Brisvane.exe"})
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
  AssociationWindow window{registry, system};

  void SetUp() override { system.exe_path = "C:\\Apps\\Brisvane.exe"; }
  FakeForm& Open() {
    host.Load(AssociationWindow::Layout(), window);
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
  EXPECT_EQ(form.At(A::kHandlerName).width, 3000);  // the label fits its caption
  Click(form);
  EXPECT_EQ(form.Text(A::kHandlerName), "Brisvane");
  EXPECT_EQ(form.At(A::kHandlerName).width, 600);
  EXPECT_EQ(form.outer_width, 5925);

  testing::FakeFormHost other;
  other.measure = [](const std::string&) { return 2055; };  // just fits
  AssociationWindow fitting{registry, system};
  other.Load(AssociationWindow::Layout(), fitting);
  EXPECT_EQ(other.Get(fitting).At(A::kToggleButton).width, 3855);
}

}  // namespace
}  // namespace brisvane
