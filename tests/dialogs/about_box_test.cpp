#include "dialogs/about_box.h"

#include <gtest/gtest.h>

#include "app/app_fixture.h"
#include "app/version.h"

namespace brisvane {
namespace {

using testing::AppWorld;
using testing::FakeForm;

constexpr char kMsinfo[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kLocation[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct AboutWorld : AppWorld {
  AboutWorld() {
    AcceptTerms();
    StartAndSettle();
    host.Click(app.form1(), cmdabout);
  }
  FakeForm& About() { return host.Get(app.about()); }
  void Put(const char* key, const char* name, std::string_view text) {
    registry.CreateKey(RegistryRoot::LocalMachine, key);
    registry.SetValue(RegistryRoot::LocalMachine, key, name, MakeRegText(std::string(text) + '\0'));
  }
};

TEST(FrmAbout, ShowsTitleVersionAndCaption) {
  AboutWorld w;
  EXPECT_EQ(w.About().spec.caption, "About Brisvane - by Kestrelwick");
  EXPECT_EQ(w.About().Text(lblTitle), "Brisvane - by Kestrelwick");
  EXPECT_EQ(w.About().Text(lblVersion), "Version 1.0.1");
  EXPECT_EQ(w.About().Text(cmdSysInfo), "&System Info...");
  EXPECT_EQ(w.About().spec.default_button, cmdOK);
  EXPECT_EQ(w.About().spec.cancel_button, cmdOK);
  // A second About press brings the same box to the front.
  w.host.Click(w.app.form1(), cmdabout);
  EXPECT_EQ(w.About().brought_to_front, 2);
  w.host.Click(w.app.about(), cmdOK);
  EXPECT_EQ(w.app.about().view(), nullptr);
  EXPECT_TRUE(w.Main().visible);
}

TEST(FrmAbout, SystemInfoFromThePathValueIsStartedQuoted) {
  AboutWorld w;
  w.Put(kMsinfo, "PATH", "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
  w.host.Click(w.app.about(), cmdSysInfo);
  EXPECT_EQ(w.launcher.started,
            (std::vector<std::string>{"\"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\""}));
  EXPECT_TRUE(w.messages.shown.empty());
}

TEST(FrmAbout, SystemInfoFromTheLocationFolderOnlyWhenTheFileExists) {
  AboutWorld w;
  w.Put(kLocation, "MSINFO", "C:\\Tools");
  w.host.Click(w.app.about(), cmdSysInfo);
  EXPECT_TRUE(w.launcher.started.empty());
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text, "System Information Is Unavailable At This Time");
  EXPECT_EQ(w.messages.shown[0].caption, kProgramTitle);

  w.fs.Put("C:\\Tools\\MSINFO32.EXE", "MZ");
  w.host.Click(w.app.about(), cmdSysInfo);
  EXPECT_EQ(w.launcher.started, (std::vector<std::string>{"\"C:\\Tools\\MSINFO32.EXE\""}));
}

TEST(FrmAbout, AFailedStartOrNoValueGivesTheMessageAndTheBoxStays) {
  AboutWorld w;
  w.host.Click(w.app.about(), cmdSysInfo);
  w.Put(kMsinfo, "PATH", "C:\\missing\\msinfo32.exe");
  w.launcher.succeed = false;
  w.host.Click(w.app.about(), cmdSysInfo);
  EXPECT_EQ(w.messages.shown.size(), 2u);
  EXPECT_NE(w.app.about().view(), nullptr);
}

TEST(GetKeyValue, DropsOneTrailingNulAndReadsOnlyText) {
  testing::MemoryRegistry registry;
  registry.CreateKey(RegistryRoot::LocalMachine, "K");
  registry.SetValue(RegistryRoot::LocalMachine, "K", "a", MakeRegText(std::string("x\0", 2)));
  registry.SetValue(RegistryRoot::LocalMachine, "K", "b", MakeRegText("no-nul"));
  registry.SetValue(RegistryRoot::LocalMachine, "K", "d", MakeRegDword(7));
  std::string value = "stale";
  EXPECT_TRUE(GetKeyValue(registry, RegistryRoot::LocalMachine, "K", "a", value));
  EXPECT_EQ(value, "x");
  EXPECT_TRUE(GetKeyValue(registry, RegistryRoot::LocalMachine, "K", "b", value));
  EXPECT_EQ(value, "no-nul");
  EXPECT_TRUE(GetKeyValue(registry, RegistryRoot::LocalMachine, "K", "d", value));
  EXPECT_EQ(value, "");
  value = "stale";
  EXPECT_FALSE(GetKeyValue(registry, RegistryRoot::LocalMachine, "K", "missing", value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(GetKeyValue(registry, RegistryRoot::LocalMachine, "Nope", "a", value));
}

}  // namespace
}  // namespace brisvane
