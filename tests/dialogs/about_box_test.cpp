#include "dialogs/about_box.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

constexpr char kMsinfo[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

struct About {
  testing::MemoryRegistry registry;
  testing::MemoryFileSystem fs;
  testing::FakeLauncher launcher;
  testing::FakeMessageBox messages;
  AboutBox box{registry, fs, launcher, messages};
};

// Windows stores text values with a closing NUL; one stored without it is read whole, one that is not text
// names nothing.
TEST(AboutBox, SystemInformationStartsQuotedFromThePathOrTheLocationFolderOrIsSaidUnavailable) {
  About a;
  a.box.StartSystemInformation();
  testing::PutText(a.registry, RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                   "C:\\Tools");
  a.box.StartSystemInformation();  // the folder holds no MSINFO32.EXE
  EXPECT_TRUE(a.launcher.started.empty());
  EXPECT_EQ(a.messages.shown, std::vector<std::string>(2, std::string(kSysInfoUnavailable)));

  a.fs.Put("C:\\Tools\\MSINFO32.EXE", "MZ");
  a.box.StartSystemInformation();
  a.registry.CreateKey(RegistryRoot::LocalMachine, kMsinfo);
  a.registry.SetValue(RegistryRoot::LocalMachine, kMsinfo, "PATH", MakeRegText("C:\\MSInfo\\msinfo32.exe"));
  a.box.StartSystemInformation();  // the path value wins
  EXPECT_EQ(a.launcher.started, (std::vector<std::string>{"\"C:\\Tools\\MSINFO32.EXE\"", "\"C:\\MSInfo\\msinfo32.exe\""}));
  a.launcher.succeed = false;
  a.box.StartSystemInformation();
  a.launcher.succeed = true;
  a.registry.SetValue(RegistryRoot::LocalMachine, kMsinfo, "PATH", MakeRegDword(7));
  a.box.StartSystemInformation();
  EXPECT_EQ(a.launcher.started.size(), 3u);  // the failed start, then nothing for a DWORD
  EXPECT_EQ(a.messages.shown.size(), 4u);
}

}  // namespace
}  // namespace brisvane
