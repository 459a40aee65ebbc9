#include "dialogs/about_box.h"

#include <gtest/gtest.h>

#include "product.h"
#include "support/fakes.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

constexpr char kMsinfo[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kLocation[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct About {
  testing::MemoryRegistry registry;
  testing::MemoryFileSystem fs;
  testing::FakeLauncher launcher;
  testing::FakeMessageBox messages;
  AboutBox box{registry, fs, launcher, messages};
  void Put(const char* key, const char* name, const char* text) {
    testing::PutText(registry, RegistryRoot::LocalMachine, key, name, text);
  }
};

TEST(AboutBox, SystemInformationStartsQuotedFromThePathOrTheLocationFolderOrIsSaidUnavailable) {
  About a;
  a.box.StartSystemInformation();
  a.Put(kLocation, "MSINFO", "C:\\Tools");
  a.box.StartSystemInformation();  // the folder holds no MSINFO32.EXE
  EXPECT_TRUE(a.launcher.started.empty());
  EXPECT_EQ(a.messages.shown, std::vector<std::string>(2, std::string(kSysInfoUnavailable)));
  EXPECT_EQ(a.messages.captions[0], kProgramTitle);

  a.fs.Put("C:\\Tools\\MSINFO32.EXE", "MZ");
  a.box.StartSystemInformation();
  a.Put(kMsinfo, "PATH", "C:\\Program Files\\MSInfo\\msinfo32.exe");  // the path value wins
  a.box.StartSystemInformation();
  EXPECT_EQ(a.launcher.started, (std::vector<std::string>{"\"C:\\Tools\\MSINFO32.EXE\"",
                                                          "\"C:\\Program Files\\MSInfo\\msinfo32.exe\""}));
  a.launcher.succeed = false;
  a.box.StartSystemInformation();
  EXPECT_EQ(a.messages.shown.size(), 3u);
}

TEST(ReadTextValue, DropsOneTrailingNulAndReadsOnlyText) {
  testing::MemoryRegistry registry;
  registry.CreateKey(RegistryRoot::LocalMachine, "K");
  registry.SetValue(RegistryRoot::LocalMachine, "K", "a", MakeRegText(std::string("x\0", 2)));
  registry.SetValue(RegistryRoot::LocalMachine, "K", "b", MakeRegText("no-nul"));
  registry.SetValue(RegistryRoot::LocalMachine, "K", "d", MakeRegDword(7));
  EXPECT_EQ(ReadTextValue(registry, RegistryRoot::LocalMachine, "K", "a"), "x");
  EXPECT_EQ(ReadTextValue(registry, RegistryRoot::LocalMachine, "K", "b"), "no-nul");
  EXPECT_EQ(ReadTextValue(registry, RegistryRoot::LocalMachine, "K", "d"), "");
  EXPECT_EQ(ReadTextValue(registry, RegistryRoot::LocalMachine, "K", "missing"), std::nullopt);
  EXPECT_EQ(ReadTextValue(registry, RegistryRoot::LocalMachine, "Nope", "a"), std::nullopt);
}

}  // namespace
}  // namespace brisvane
