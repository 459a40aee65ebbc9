#include "dialogs/about_box.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

constexpr char kMsinfo[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// Windows stores text values with a closing NUL; one stored without it is read whole, one that is not text
// names nothing.
TEST(AboutBox, SystemInformationStartsQuotedFromThePathOrTheLocationFolderOrIsSaidUnavailable) {
  testing::MemoryRegistry registry;
  testing::MemoryFileSystem fs;
  testing::FakeLauncher launcher;
  testing::FakeMessageBox messages;
  AboutBox box{registry, fs, launcher, messages};
  box.StartSystemInformation();
  testing::PutText(registry, RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                   "C:\\Tools");
  box.StartSystemInformation();  // the folder holds no MSINFO32.EXE
  EXPECT_TRUE(launcher.started.empty());
  EXPECT_EQ(messages.shown, std::vector<std::string>(2, std::string(kSysInfoUnavailable)));

  fs.Put("C:\\Tools\\MSINFO32.EXE", "MZ");
  box.StartSystemInformation();
  registry.CreateKey(RegistryRoot::LocalMachine, kMsinfo);
  registry.SetValue(RegistryRoot::LocalMachine, kMsinfo, "PATH", MakeRegText("C:\\MSInfo\\msinfo32.exe"));
  box.StartSystemInformation();  // the path value wins
  EXPECT_EQ(launcher.started, (std::vector<std::string>{"\"C:\\Tools\\MSINFO32.EXE\"", "\"C:\\MSInfo\\msinfo32.exe\""}));
  launcher.succeed = false;
  box.StartSystemInformation();
  launcher.succeed = true;
  registry.SetValue(RegistryRoot::LocalMachine, kMsinfo, "PATH", MakeRegDword(7));
  box.StartSystemInformation();
  EXPECT_EQ(launcher.started.size(), 3u);  // the failed start, then nothing for a DWORD
  EXPECT_EQ(messages.shown.size(), 4u);
}

}  // namespace
}  // namespace brisvane
