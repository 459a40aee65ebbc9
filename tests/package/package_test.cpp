// The installer and the portable zip as a user meets them: silent install, the program started from
// the Start menu's target, the association set in it, silent uninstall; an upgrade over an older build
// while that build runs; the portable program run from a fresh folder. run.sh names the files:
// BRISVANE_SETUP, BRISVANE_OLD_SETUP (an older version of the same files), BRISVANE_PORTABLE (the zip,
// unpacked) and BRISVANE_VERSION.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "e2e/driver.h"

namespace brisvane::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr char kSettingsKey[] = "Software\\Kestrelwick\\Brisvane";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisvane";
constexpr char kUserChoiceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent\\UserChoice";
constexpr char kClientClass[] = "AcmeClient.Torrent";
constexpr unsigned long kExitRunning = 3;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value) throw DriverError(std::string(name) + " is not set: run tests/package/run.sh");
  return FromHostPath(value);
}

// Wine sets these as Windows does; the installer's $LOCALAPPDATA and $SMPROGRAMS are the same folders.
const std::string kInstallDir = std::string(std::getenv("LOCALAPPDATA")) + "\\Programs\\Brisvane";
const std::string kShortcut =
    std::string(std::getenv("APPDATA")) + "\\Microsoft\\Windows\\Start Menu\\Programs\\Brisvane.lnk";
const std::string kProgram = kInstallDir + "\\Brisvane.exe";

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// The program a shortcut starts, as the shell reads it.
std::string ShortcutTarget(const std::string& link) {
  CoInitialize(nullptr);
  IShellLinkW* shell_link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t target[MAX_PATH] = L"";
  CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shell_link));
  if (shell_link && SUCCEEDED(shell_link->QueryInterface(IID_PPV_ARGS(&file))) &&
      SUCCEEDED(file->Load(fs::path(link).c_str(), STGM_READ)))
    shell_link->GetPath(target, MAX_PATH, nullptr, 0);
  return fs::path(target).string();  // the objects die with the test program
}

unsigned long Install(const std::string& setup) { return Process::Start({setup, "/S"}).ExpectExit(seconds(60)); }

// The uninstaller hands over to a copy of itself and returns: done is when the folder has gone.
void Uninstall() {
  EXPECT_EQ(Process::Start({kInstallDir + "\\uninstall.exe", "/S"}).ExpectExit(seconds(30)), 0u);
  for (int i = 0; i < 600 && fs::exists(kInstallDir); ++i) Sleep(50);
  EXPECT_FALSE(fs::exists(kInstallDir)) << "left: " << testing::PrintToString(FilesIn(kInstallDir));
}

Window MainWindow(const Process& app) { return WaitForTopWindow(WindowQuery{"Brisvane", {}, app.id(), {}}, seconds(20)); }

class Package : public ::testing::Test {
 protected:
  registry::ScopedKey settings_{kSettingsKey};
  registry::ScopedKey user_choice_{kUserChoiceKey};
};

TEST_F(Package, SilentInstallSetAssociationSilentUninstall) {
  // A client registered for the machine and chosen by the user, as its own installer leaves it.
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.torrent", nullptr, REG_SZ, kClientClass, sizeof kClientClass);
  user_choice_.Seed("Progid", kClientClass);

  ASSERT_EQ(Install(Env("BRISVANE_SETUP")), 0u);
  EXPECT_EQ(FilesIn(kInstallDir),
            (std::set<std::string>{"Brisvane.exe", "brisvane-check.exe", "LICENSE.txt", "README.txt", "uninstall.exe"}));
  EXPECT_EQ(ShortcutTarget(kShortcut), kProgram);
  const auto entry = [](const char* name) { return registry::ReadString(kUninstallKey, name).value_or("(none)"); };
  EXPECT_EQ(entry("DisplayName"), "Brisvane");
  EXPECT_EQ(entry("DisplayVersion"), Env("BRISVANE_VERSION"));
  EXPECT_EQ(entry("Publisher"), "Kestrelwick");
  EXPECT_EQ(entry("DisplayIcon"), kProgram + ",0");
  EXPECT_EQ(entry("InstallLocation"), kInstallDir);
  EXPECT_EQ(entry("UninstallString"), "\"" + kInstallDir + "\\uninstall.exe\"");
  EXPECT_EQ(entry("QuietUninstallString"), "\"" + kInstallDir + "\\uninstall.exe\" /S");
  EXPECT_EQ(registry::ReadDword(kUninstallKey, "NoModify"), 1u);
  EXPECT_EQ(registry::ReadDword(kUninstallKey, "NoRepair"), 1u);
  EXPECT_GT(registry::ReadDword(kUninstallKey, "EstimatedSize").value_or(0), 100u);  // KB

  // First start: the agreement, then the main window, its association window, Set Association.
  Process app = Process::Start({kProgram});
  const Window agreement = WaitForTopWindow("User Agreement", seconds(20));
  agreement.ChildByText("OK").Click();
  const Window main = MainWindow(app);
  main.ChildByText("File association").Click();
  const Window association = WaitForTopWindow(WindowQuery{"File association", {}, app.id(), {}});
  association.ChildByText("Set Association").Click();
  association.ChildByText("Revert Association");
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), "Applications\\Brisvane.exe");

  // Uninstalled while it runs: it is closed, the association given back, everything but settings gone.
  Uninstall();
  EXPECT_TRUE(app.WaitForExit(seconds(1)).has_value());
  EXPECT_FALSE(fs::exists(kShortcut));
  EXPECT_FALSE(registry::KeyExists(kUninstallKey));
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), kClientClass);
  EXPECT_FALSE(registry::KeyExists("Software\\Classes\\Brisvane"));
  EXPECT_FALSE(registry::KeyExists("Software\\Classes\\Applications\\Brisvane.exe"));
  EXPECT_EQ(settings_.ReadString("TOS"), "ACCEPT");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.torrent");
}

TEST_F(Package, UpgradeWaitsForTheRunningOlderBuildAndKeepsTheSettings) {
  ASSERT_EQ(Install(Env("BRISVANE_OLD_SETUP")), 0u);
  const std::string old_version = registry::ReadString(kUninstallKey, "DisplayVersion").value_or("");
  settings_.Seed("TOS", "ACCEPT").Seed("URL", "http://127.0.0.1:9/lookup").Seed("torPath", "C:\\Acme\\acme.exe");
  {
    Process app = Process::Start({kProgram});
    const Window main = MainWindow(app);
    // A silent install gives up, changing nothing, while the program runs from the folder.
    EXPECT_EQ(Install(Env("BRISVANE_SETUP")), kExitRunning);
    EXPECT_EQ(registry::ReadString(kUninstallKey, "DisplayVersion"), old_version);
    EXPECT_EQ(FilesIn(kInstallDir).size(), 5u);
    main.Close();
    EXPECT_EQ(app.ExpectExit(), 0u);
  }
  ASSERT_EQ(Install(Env("BRISVANE_SETUP")), 0u);
  EXPECT_EQ(registry::ReadString(kUninstallKey, "DisplayVersion"), Env("BRISVANE_VERSION"));
  EXPECT_EQ(settings_.ReadString("URL"), "http://127.0.0.1:9/lookup");
  EXPECT_EQ(settings_.ReadString("torPath"), "C:\\Acme\\acme.exe");
  Uninstall();
}

TEST_F(Package, PortableProgramRunsFromAFreshFolderWritingNothingBesideItself) {
  const std::string folder = Env("BRISVANE_PORTABLE");
  const auto before = FilesIn(folder);
  EXPECT_EQ(before, (std::set<std::string>{"Brisvane.exe", "brisvane-check.exe", "LICENSE.txt", "README.txt"}));
  Process app = Process::Start({folder + "\\Brisvane.exe"}, LaunchOptions{folder, {}});
  WaitForTopWindow("User Agreement", seconds(20)).ChildByText("OK").Click();
  MainWindow(app).Close();
  EXPECT_EQ(app.ExpectExit(), 0u);
  EXPECT_EQ(Process::Start({folder + "\\brisvane-check.exe", "--version"}).ExpectExit(), 0u);
  EXPECT_EQ(FilesIn(folder), before);
}

}  // namespace
}  // namespace brisvane::e2e
