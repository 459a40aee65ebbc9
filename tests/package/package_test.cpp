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
#include <utility>

#include "app/main_window.h"
#include "dialogs/agreement_window.h"
#include "e2e/driver.h"
#include "settings/association_window.h"
#include "settings/torrent_association.h"
#include "win32/form_host.h"

namespace brisvane::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr char kSettingsKey[] = "Software\\Kestrelwick\\Brisvane";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisvane";
constexpr char kClientClass[] = "AcmeClient.Torrent";
constexpr DWORD kExitRunning = 3;  // the installer's own: Brisvane kept running from the folder
// The first windows of a fresh prefix take a while: Wine sets itself up for the program.
constexpr seconds kColdStart{20};
const std::set<std::string> kShippedFiles = {"Brisvane.exe", "brisvane-check.exe", "LICENSE.txt", "README.txt"};
const std::set<std::string> kInstalledFiles = {"Brisvane.exe", "brisvane-check.exe", "LICENSE.txt", "README.txt",
                                               "uninstall.exe"};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value) throw DriverError(std::string(name) + " is not set: run tests/package/run.sh");
  return value;
}
// run.sh names the files as this side of Wine sees them.
std::string EnvPath(const char* name) { return FromHostPath(Env(name)); }

// Wine sets these as Windows does; the installer's $LOCALAPPDATA and $SMPROGRAMS are the same folders.
const std::string kInstallDir = std::string(std::getenv("LOCALAPPDATA")) + "\\Programs\\Brisvane";
const std::string kShortcut =
    std::string(std::getenv("APPDATA")) + "\\Microsoft\\Windows\\Start Menu\\Programs\\Brisvane.lnk";
const std::string kProgram = kInstallDir + "\\Brisvane.exe";
const std::string kUninstaller = kInstallDir + "\\uninstall.exe";

int Id(int control) { return kControlWindowIdBase + control; }

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

// NSIS reads its switches only unquoted.
DWORD RunSilently(const std::string& program, seconds timeout) {
  return Process::FromCommandLine("\"" + program + "\" /S").ExpectExit(timeout);
}

DWORD Install(const std::string& setup) { return RunSilently(setup, seconds(60)); }

// The uninstaller hands over to a copy of itself and returns: done is when the folder has gone.
void Uninstall() {
  EXPECT_EQ(RunSilently(kUninstaller, seconds(30)), 0u);
  EXPECT_NO_THROW(WaitUntil(kInstallDir + " to go", [] { return !fs::exists(kInstallDir); }, seconds(30)))
      << "left: " << testing::PrintToString(FilesIn(kInstallDir));
}

Window MainOf(const Process& app) {
  return WaitForTopWindow({"Brisvane", app.id(), {Id(MainWindow::kAboutButton)}}, kColdStart);
}

// A first start: the terms show before anything else; accepted, the main window follows.
Window AcceptTermsAndFindMain(const Process& app) {
  WaitForTopWindow({"User Agreement", app.id(), {Id(AgreementWindow::kOkButton)}}, kColdStart)
      .Child(Id(AgreementWindow::kOkButton))
      .Click();
  return MainOf(app);
}

class Package : public ::testing::Test {
 protected:
  registry::ScopedKey settings_{kSettingsKey};
};

TEST_F(Package, SilentInstallSetAssociationSilentUninstall) {
  // A client registered for the machine and chosen by the user, as its own installer leaves it.
  registry::ScopedKey machine_extension("Software\\Classes\\.torrent", HKEY_LOCAL_MACHINE);
  machine_extension.Seed("", kClientClass);
  registry::ScopedKey file_exts{std::string(kFileExtsKey)};
  registry::WriteString(kUserChoiceKey, "Progid", kClientClass);
  // The association checks below are Windows 7's per-user choice, which Windows 8 and later never write.
  // A new Wine 8 prefix reports 6.1 anyway; pinned, a later Wine's default of Windows 10 changes nothing.
  registry::ScopedKey wine_version("Software\\Wine\\AppDefaults\\Brisvane.exe");
  wine_version.Seed("Version", "win7");

  ASSERT_EQ(Install(EnvPath("BRISVANE_SETUP")), 0u);
  EXPECT_EQ(FilesIn(kInstallDir), kInstalledFiles);
  EXPECT_EQ(ShortcutTarget(kShortcut), kProgram);
  const std::pair<const char*, std::string> strings[] = {
      {"DisplayName", "Brisvane"},
      {"DisplayVersion", Env("BRISVANE_VERSION")},
      {"Publisher", "Kestrelwick"},
      {"DisplayIcon", kProgram + ",0"},
      {"InstallLocation", kInstallDir},
      {"UninstallString", "\"" + kUninstaller + "\""},
      {"QuietUninstallString", "\"" + kUninstaller + "\" /S"},
  };
  for (const auto& [name, value] : strings) EXPECT_EQ(registry::ReadString(kUninstallKey, name), value) << name;
  EXPECT_EQ(registry::ReadDword(kUninstallKey, "NoModify"), 1u);
  EXPECT_EQ(registry::ReadDword(kUninstallKey, "NoRepair"), 1u);
  EXPECT_GT(registry::ReadDword(kUninstallKey, "EstimatedSize").value_or(0), 100u);  // KB

  // First start: the terms, then the main window, its association window, Set Association.
  Process app({kProgram});
  const Window main = AcceptTermsAndFindMain(app);
  main.Child(Id(MainWindow::kAssociationButton)).Click();
  const Window toggle =
      WaitForTopWindow({"File association", app.id(), {Id(AssociationWindow::kToggleButton)}})
          .Child(Id(AssociationWindow::kToggleButton));
  EXPECT_EQ(toggle.Text(), kSetAssociation);
  toggle.Click();
  toggle.WaitForText(kRevertAssociation);
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), "Applications\\Brisvane.exe");

  // Uninstalled while it runs: it is closed, the association given back, everything but settings gone.
  Uninstall();
  EXPECT_NO_THROW(app.ExpectExit(seconds(1)));
  EXPECT_FALSE(fs::exists(kShortcut));
  EXPECT_FALSE(registry::KeyExists(kUninstallKey));
  EXPECT_EQ(registry::ReadString(kUserChoiceKey, "Progid"), kClientClass);
  EXPECT_FALSE(registry::KeyExists(kProgramClassKey));
  EXPECT_FALSE(registry::KeyExists("Software\\Classes\\Applications\\Brisvane.exe"));
  EXPECT_EQ(registry::ReadString(kSettingsKey, "TOS"), "ACCEPT");
}

TEST_F(Package, UpgradeWaitsForTheRunningOlderBuildAndKeepsTheSettings) {
  ASSERT_EQ(Install(EnvPath("BRISVANE_OLD_SETUP")), 0u);
  const auto old_version = registry::ReadString(kUninstallKey, "DisplayVersion");
  settings_.Seed("TOS", "ACCEPT").Seed("URL", "http://127.0.0.1:9/lookup").Seed("torPath", "C:\\Acme\\acme.exe");
  {
    Process app({kProgram});
    const Window main = MainOf(app);
    // A silent install gives up, changing nothing, while the program runs from the folder.
    EXPECT_EQ(Install(EnvPath("BRISVANE_SETUP")), kExitRunning);
    EXPECT_EQ(registry::ReadString(kUninstallKey, "DisplayVersion"), old_version);
    EXPECT_EQ(FilesIn(kInstallDir), kInstalledFiles);
    main.Close();
    EXPECT_EQ(app.ExpectExit(), 0u);
  }
  ASSERT_EQ(Install(EnvPath("BRISVANE_SETUP")), 0u);
  EXPECT_EQ(registry::ReadString(kUninstallKey, "DisplayVersion"), Env("BRISVANE_VERSION"));
  EXPECT_EQ(registry::ReadString(kSettingsKey, "URL"), "http://127.0.0.1:9/lookup");
  EXPECT_EQ(registry::ReadString(kSettingsKey, "torPath"), "C:\\Acme\\acme.exe");
  Uninstall();
}

TEST_F(Package, PortableProgramRunsFromAFreshFolderWritingNothingBesideItself) {
  const std::string folder = EnvPath("BRISVANE_PORTABLE");
  EXPECT_EQ(FilesIn(folder), kShippedFiles);
  // Started from its own folder, as Explorer starts it: whatever it writes to the current folder shows.
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  Process app({folder + "\\Brisvane.exe"});
  fs::current_path(previous);
  AcceptTermsAndFindMain(app).Close();
  EXPECT_EQ(app.ExpectExit(), 0u);
  EXPECT_EQ(Process({folder + "\\brisvane-check.exe", "--version"}).ExpectExit(), 0u);
  EXPECT_EQ(FilesIn(folder), kShippedFiles);
}

}  // namespace
}  // namespace brisvane::e2e
