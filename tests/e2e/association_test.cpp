// The .torrent association as a user meets it in Brisvane.exe under Wine: a client is registered for
// the machine (Wine's classes root is HKLM\Software\Classes), the association window shows it, "Set
// Association" and "Revert Association" change the registry, and a first start takes the client's
// program path. Both ways Windows keeps the association are exercised: Wine is told, for Brisvane.exe
// alone, to be Windows 7 or 10 (the per-user choice; the manifest lets the program see 10.0) or XP or
// Server 2003 (the old shell's way). Other programs in the prefix keep the prefix's version.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "app/main_window.h"
#include "e2e/driver.h"
#include "settings/association_window.h"
#include "settings/torrent_association.h"
#include "win32/form_host.h"

namespace brisvane::e2e {
namespace {

using A = AssociationWindow;

constexpr char kKey[] = "Software\\Kestrelwick\\Brisvane";
constexpr char kAssociationCaption[] = "File association";
constexpr char kClientClass[] = "AcmeClient.Torrent";
constexpr char kClientCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /open \"%1\"";
// Per-program settings Wine reads when the program starts.
constexpr char kWineAppDefaults[] = "Software\\Wine\\AppDefaults\\Brisvane.exe";

int Id(int control) { return kControlWindowIdBase + control; }
std::string ProgramPath() { return FromHostPath(BRISVANE_PROGRAM_EXE); }
std::string OwnCommand() { return "\"" + ProgramPath() + "\" \"%1\""; }

std::wstring Wide(std::string_view utf8) {
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                                 nullptr, 0)),
                    L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

// A key below the machine's classes, removed before and after the test, as a client's installer writes it.
class MachineClassKey {
 public:
  explicit MachineClassKey(std::string name) : path_(L"Software\\Classes\\" + Wide(name)) { Remove(); }
  ~MachineClassKey() { Remove(); }
  MachineClassKey(const MachineClassKey&) = delete;
  MachineClassKey& operator=(const MachineClassKey&) = delete;

  MachineClassKey& Seed(std::string_view subkey, std::string_view text) {
    const std::wstring path = subkey.empty() ? path_ : path_ + L"\\" + Wide(subkey);
    const std::wstring value = Wide(text);
    const LSTATUS status =
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) throw DriverError("Cannot seed HKEY_LOCAL_MACHINE\\... : " + std::to_string(status));
    return *this;
  }

 private:
  void Remove() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str());
  }
  std::wstring path_;
};

class Association : public testing::Test {
 protected:
  // The client as its installer leaves it: the machine's .torrent class and its open command.
  void InstallClient() {
    extension_.emplace(".torrent");
    extension_->Seed("", kClientClass);
    client_.emplace(kClientClass);
    client_->Seed("shell\\open\\command", kClientCommand);
  }
  // Brisvane.exe alone sees this Windows version; "winxp" (5.1) and "win2003" (5.2) are Wine's names.
  void PretendWindows(std::string_view wine_version) { wine_.Seed("Version", wine_version); }

  Process StartAccepted() {
    settings_.Seed("TOS", "ACCEPT");
    return Process::Start({ProgramPath()});
  }
  static Window MainOf(const Process& process) {
    return WaitForTopWindow(WindowQuery{"Brisvane", {}, process.id(), {Id(MainWindow::kAssociationButton), Id(MainWindow::kRating)}});
  }
  static Window OpenAssociation(const Window& main, const Process& process) {
    main.Child(Id(MainWindow::kAssociationButton)).Click();
    return WaitForTopWindow(
        WindowQuery{kAssociationCaption, {}, process.id(), {Id(A::kCaption), Id(A::kHandlerName), Id(A::kToggleButton)}});
  }
  static void CloseAndWait(const Window& main, Process& process) {
    main.Close();
    EXPECT_EQ(process.ExpectExit(), 0u);
  }

  registry::ScopedKey settings_{kKey};
  registry::ScopedKey file_exts_{std::string(kFileExtsKey)};
  registry::ScopedKey user_extension_{std::string(kUserExtensionKey)};
  registry::ScopedKey program_class_{std::string(kProgramClassKey)};
  registry::ScopedKey application_{"Software\\Classes\\Applications\\Brisvane.exe"};
  registry::ScopedKey user_client_{"Software\\Classes\\Applications\\acme.exe"};
  registry::ScopedKey wine_{kWineAppDefaults};
  std::optional<MachineClassKey> extension_;
  std::optional<MachineClassKey> client_;
};

// Windows 7 (6.1, named "Windows Vista") and Windows 10 (10.0, no name): both keep the per-user choice.
class PerUserChoice : public Association, public testing::WithParamInterface<const char*> {};

TEST_P(PerUserChoice, SetAndRevert) {
  PretendWindows(GetParam());
  InstallClient();
  registry::WriteString(std::string(kUserChoiceKey), "Progid", kClientClass);
  registry::WriteDword(std::string(kOpenWithProgidsKey), kClientClass, 0);
  Process app = StartAccepted();
  const Window main = MainOf(app);
  Window window = OpenAssociation(main, app);
  EXPECT_EQ(window.Child(Id(A::kCaption)).Text(), ".torrent extension is associated with:");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), kClientClass);
  EXPECT_EQ(window.Child(Id(A::kToggleButton)).Text(), "Set Association");
  EXPECT_TRUE(main.Enabled());  // not modal

  window.Child(Id(A::kToggleButton)).Click();
  window.Child(Id(A::kToggleButton)).WaitForText("Revert Association");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "Brisvane");
  EXPECT_EQ(registry::ReadString(kKey, ".torrent"), kClientClass);
  EXPECT_EQ(registry::ReadString(kKey, "ProgID"), kClientClass);
  EXPECT_EQ(registry::ReadString(kKey, "command"), "");
  EXPECT_EQ(registry::ReadString(std::string(kUserExtensionKey), ""), "Brisvane");
  EXPECT_EQ(registry::ReadString(std::string(kProgramClassKey) + "\\shell\\open\\command", ""), OwnCommand());
  EXPECT_EQ(registry::ReadString("Software\\Classes\\Applications\\Brisvane.exe\\shell\\open\\command", ""),
            OwnCommand());
  EXPECT_EQ(registry::ReadString(std::string(kUserChoiceKey), "Progid"), "Applications\\Brisvane.exe");
  EXPECT_EQ(registry::ReadDword(std::string(kOpenWithProgidsKey), "Brisvane"), 0u);
  EXPECT_FALSE(registry::ValueExists(std::string(kOpenWithProgidsKey), kClientClass));

  // Opened again, the window reads the registry afresh and knows the program as the handler.
  window.Close();
  window.WaitGone();
  window = OpenAssociation(main, app);
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "Applications\\Brisvane.exe");
  EXPECT_EQ(window.Child(Id(A::kToggleButton)).Text(), "Revert Association");

  window.Child(Id(A::kToggleButton)).Click();
  window.Child(Id(A::kToggleButton)).WaitForText("Set Association");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), kClientClass);
  EXPECT_EQ(registry::ReadString(std::string(kUserChoiceKey), "Progid"), kClientClass);
  EXPECT_EQ(registry::ReadString(std::string(kUserExtensionKey), ""), kClientClass);
  EXPECT_EQ(registry::ReadDword(std::string(kOpenWithProgidsKey), kClientClass), 0u);
  EXPECT_FALSE(registry::ValueExists(std::string(kOpenWithProgidsKey), "Brisvane"));

  // The window goes with the main window.
  main.Close();
  window.WaitGone();
  EXPECT_EQ(app.ExpectExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Wine, PerUserChoice, testing::Values("win7", "win10"));

TEST_F(Association, OldShellOnWindowsXpSetAndRevert) {
  PretendWindows("winxp");
  InstallClient();
  registry::WriteString(std::string(kFileExtsKey), "Application", "acme.exe");
  registry::WriteString("Software\\Classes\\Applications\\acme.exe\\shell\\open\\command", "",
                        "\"C:\\Acme\\acme.exe\" \"%1\"");
  Process app = StartAccepted();
  const Window main = MainOf(app);
  // The user's own choice of client wins over the machine's class.
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Acme\\acme.exe ");
  const Window window = OpenAssociation(main, app);
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "acme.exe");
  EXPECT_EQ(window.Child(Id(A::kToggleButton)).Text(), "Set Association");

  window.Child(Id(A::kToggleButton)).Click();
  window.Child(Id(A::kToggleButton)).WaitForText("Revert Association");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "Brisvane");
  EXPECT_EQ(registry::ReadString(std::string(kFileExtsKey), "Application"), "Brisvane.exe");
  EXPECT_TRUE(registry::KeyExists(std::string(kOpenWithListKey)));
  EXPECT_EQ(registry::ReadString("Software\\Classes\\Applications\\Brisvane.exe\\shell\\open\\command", ""),
            OwnCommand());
  EXPECT_EQ(registry::ReadString(kKey, ".torrent"), kClientClass);
  EXPECT_EQ(registry::ReadString(kKey, "Application"), "acme.exe");
  // The per-user choice's places stay untouched on this path.
  EXPECT_FALSE(registry::KeyExists(std::string(kUserExtensionKey)));
  EXPECT_FALSE(registry::KeyExists(std::string(kProgramClassKey)));
  EXPECT_FALSE(registry::KeyExists(std::string(kUserChoiceKey)));

  window.Child(Id(A::kToggleButton)).Click();
  window.Child(Id(A::kToggleButton)).WaitForText("Set Association");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "acme.exe");
  EXPECT_EQ(registry::ReadString(std::string(kFileExtsKey), "Application"), "acme.exe");
  CloseAndWait(main, app);
}

TEST_F(Association, OldShellOnServer2003) {
  PretendWindows("win2003");
  InstallClient();
  Process app = StartAccepted();
  const Window main = MainOf(app);
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /open ");
  // Without a per-user application the window looks at the per-user choice, which is empty here.
  const Window window = OpenAssociation(main, app);
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "");
  EXPECT_EQ(window.Child(Id(A::kToggleButton)).Text(), "Set Association");

  window.Child(Id(A::kToggleButton)).Click();
  window.Child(Id(A::kToggleButton)).WaitForText("Revert Association");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "Brisvane");
  EXPECT_EQ(registry::ReadString(std::string(kFileExtsKey), "Application"), "Brisvane.exe");
  EXPECT_FALSE(registry::KeyExists(std::string(kUserExtensionKey)));

  // Nothing was chosen before, so revert empties the choice; the machine's client answers again.
  window.Child(Id(A::kToggleButton)).Click();
  window.Child(Id(A::kToggleButton)).WaitForText("Set Association");
  EXPECT_EQ(registry::ReadString(std::string(kFileExtsKey), "Application"), "");
  EXPECT_EQ(window.Child(Id(A::kHandlerName)).Text(), "Brisvane");
  CloseAndWait(main, app);
}

TEST_F(Association, FirstStartTakesTheRegisteredClientsProgram) {
  InstallClient();
  registry::WriteString(std::string(kUserChoiceKey), "Progid", kClientClass);
  {
    Process app = StartAccepted();
    const Window main = MainOf(app);
    EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /open ");
    CloseAndWait(main, app);
  }
  EXPECT_EQ(registry::ReadString(kKey, "torPath"), "C:\\Program Files\\Acme\\acme.exe /open");
  // Once stored, the path is kept even when another client takes over.
  registry::WriteString(std::string(kUserChoiceKey), "Progid", "Other.Torrent");
  Process again = StartAccepted();
  const Window main = MainOf(again);
  EXPECT_EQ(main.Child(Id(MainWindow::kProgramPath)).Text(), "C:\\Program Files\\Acme\\acme.exe /open");
  CloseAndWait(main, again);
}

}  // namespace
}  // namespace brisvane::e2e
