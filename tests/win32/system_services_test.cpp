// The system services on Windows against what Windows itself reports: the process's own facts, the
// message box and the Abort/Retry/Ignore prompt, the process table, the desktop's windows and the clock.
#include "win32/system_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/main_model.h"
#include "notify/process_lookup.h"
#include "platform/clock.h"
#include "win32/desktop_windows.h"
#include "win32/form_test_support.h"
#include "win32/prompt.h"
#include "win32/text.h"
#include "win32/wmi_process_table.h"

namespace brisvane {
namespace {

std::vector<std::wstring> WindowsSplit(const std::wstring& line) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::wstring> args(argv, argv + count);
  LocalFree(argv);
  return args;
}

// Windows' own splitting must find the same arguments in the whole line as in what ArgumentText keeps of
// it, so the cut falls where Windows ends the program's name.
TEST(ArgumentTextOnWindows, CutsWhereWindowsEndsTheProgramName) {
  Win32System system;
  const std::wstring lines[] = {
      LR"("C:\Program Files\Brisvane\Brisvane.exe" "C:\My Torrents\a b.torrent")",
      LR"(C:\Brisvane\Brisvane.exe C:\t\a.torrent)",
      L"Brisvane.exe \t \"x.torrent\" second",
      LR"("C:\B v\b.exe"x.torrent y)",
      LR"(C:\a"b c"\b.exe x)",
      LR"("C:\B v\b.exe x.torrent)",
      L"Brisvane.exe",
      L"  b.exe x",
      LR"("C:\B v\b.exe"   "p q.torrent"  r\"s  )",
      win32::Widen(system.CommandLine()),
  };
  for (const std::wstring& line : lines) {
    const std::vector<std::wstring> whole = WindowsSplit(line);
    const std::vector<std::wstring> again = WindowsSplit(L"x " + win32::Widen(ArgumentText(win32::Narrow(line))));
    EXPECT_EQ(std::vector<std::wstring>(whole.begin() + 1, whole.end()),
              std::vector<std::wstring>(again.begin() + 1, again.end()))
        << win32::Narrow(line);
  }
  EXPECT_EQ(WindowsSplit(lines[9]), WindowsSplit(GetCommandLineW()));
}

TEST(Win32System, ExecutablePathIsThisProgramsFile) {
  const std::string path = Win32System().ExecutablePath();
  EXPECT_TRUE(path.ends_with("\\brisvane_win32_tests.exe")) << path;
  EXPECT_NE(GetFileAttributesW(win32::Widen(path).c_str()), INVALID_FILE_ATTRIBUTES) << path;
}

TEST(Win32System, ExpandEnvironmentUsesTheProcessEnvironment) {
  Win32System system;
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(system.ExpandEnvironment("%windir%\\explorer.exe"), win32::Narrow(windows) + "\\explorer.exe");
  ASSERT_TRUE(SetEnvironmentVariableW(L"BRISVANE_T\u00C4ST", L"Gr\u00FC\u00DFe \u20AC"));
  EXPECT_EQ(system.ExpandEnvironment("<%BRISVANE_T\xC3\x84ST%>"), "<Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC>");
  EXPECT_EQ(system.ExpandEnvironment("%BRISVANE_NEVER_SET% 100%"), "%BRISVANE_NEVER_SET% 100%");
  // Longer than any first guess at the buffer; beyond Windows' 32767 characters a cut result is an error.
  ASSERT_TRUE(SetEnvironmentVariableW(L"BRISVANE_LONG", std::wstring(20000, L'v').c_str()));
  EXPECT_EQ(system.ExpandEnvironment("<%BRISVANE_LONG%>"), "<" + std::string(20000, 'v') + ">");
  EXPECT_THROW(system.ExpandEnvironment("%BRISVANE_LONG%%BRISVANE_LONG%"), std::runtime_error);
  SetEnvironmentVariableW(L"BRISVANE_T\u00C4ST", nullptr);
  SetEnvironmentVariableW(L"BRISVANE_LONG", nullptr);
}

// What a box showed.
struct SeenBox {
  std::wstring text;
  HWND owner = nullptr;
  bool icon = false;
  int buttons = 0;
};

// Runs `show` while another thread waits (10 s at most) for the visible box captioned `caption`, reads it
// and presses its button `button` as a user would.
template <typename Show>
SeenBox Answer(const std::wstring& caption, int button, Show show) {
  SeenBox seen;
  std::thread watcher([&] {
    HWND box = nullptr;
    ASSERT_TRUE(testing::PumpUntil([&] { box = FindWindowW(L"#32770", caption.c_str()); },
                                   [&] { return box && IsWindowVisible(box) && GetDlgItem(box, button); }));
    seen = {testing::WindowText(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER),
            GetDlgItem(box, 0x14) && IsWindowVisible(GetDlgItem(box, 0x14))};
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t cls[16] = {};
      GetClassNameW(child, cls, 16);
      seen.buttons += lstrcmpiW(cls, L"button") == 0 && IsWindowVisible(child);
    }
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
  });
  show();
  watcher.join();
  return seen;
}

TEST(Win32MessageBox, ShowsTextWithOkOnlyOwnedByTheActiveForm) {
  SeenBox seen = Answer(L"Brisvane", IDOK, [] { Win32MessageBox().Show("Information unavailable", "Brisvane"); });
  EXPECT_EQ(seen.text, L"Information unavailable");
  EXPECT_FALSE(seen.icon);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_EQ(seen.owner, nullptr) << "no form is active";

  Win32FormHost host;
  std::vector<std::string> log;
  testing::RecordingForm form(&log);
  const ControlLayout controls[] = {{1, ControlKind::Button, "OK", 100, 100, 1000, 400, 0}};
  IFormView& view = host.Load(FormLayout{"Owner", 3000, 2000, false, controls}, form);
  view.Show();
  ASSERT_TRUE(testing::PumpUntil([&] { host.ProcessPendingMessages(); },
                                 [&] { return GetActiveWindow() == testing::FormWindow(view); }));
  seen = Answer(L"R\u00E9sultat", IDOK, [] {
    Win32MessageBox().Show("Fichier \xC2\xAB\xE6\x97\xA5\xE6\x9C\xAC\xC2\xBB introuvable", "R\xC3\xA9sultat");
  });
  EXPECT_EQ(seen.text, L"Fichier \u00AB\u65E5\u672C\u00BB introuvable");
  EXPECT_EQ(seen.owner, testing::FormWindow(view));
  // The desktop's view of the same window.
  win32::DesktopWindows desktop;
  EXPECT_EQ(ProcessIdOf(desktop, view.NativeHandle()), GetCurrentProcessId());
  EXPECT_EQ(desktop.ThreadOf(view.NativeHandle()), GetCurrentThreadId());
  EXPECT_EQ(ProcessIdOf(desktop, 0), 0u);
}

TEST(Win32Prompt, GivesTheButtonPressed) {
  const std::pair<int, PromptAnswer> presses[] = {
      {IDABORT, PromptAnswer::Abort}, {IDRETRY, PromptAnswer::Retry}, {IDIGNORE, PromptAnswer::Ignore}};
  for (const auto& [button, answer] : presses) {
    PromptAnswer got = PromptAnswer::None;
    const SeenBox seen = Answer(L"Error communicating with winmgmt", button, [&] {
      got = win32::Prompt().AbortRetryIgnore(kWmiErrorText, kWmiErrorTitle);
    });
    EXPECT_EQ(got, answer);
    EXPECT_EQ(seen.buttons, 3);
  }
}

TEST(WmiProcessTable, ListsThisProcess) {
  auto table = win32::WmiProcessTables().Open();
  ASSERT_TRUE(table->Connect());
  ASSERT_TRUE(table->Query());
  std::set<std::uint32_t> pids;
  std::optional<std::optional<std::string>> own_path;
  while (const auto record = table->Next()) {
    EXPECT_TRUE(pids.insert(record->pid).second) << "process " << record->pid << " listed twice";
    if (record->pid == GetCurrentProcessId()) own_path = record->executable_path;
  }
  EXPECT_GT(pids.size(), 1u);
  ASSERT_TRUE(own_path.has_value()) << "this process is not listed";
  // Windows names the program file; Wine's table gives no paths at all.
  if (own_path->value_or("") != "") {
    EXPECT_TRUE(own_path->value().ends_with("brisvane_win32_tests.exe")) << own_path->value();
  }
}

TEST(Win32Clock, UserFormatsCarryTheDateAndTheSeconds) {
  auto clock = MakeSystemClock();
  const std::chrono::local_seconds when = std::chrono::local_days{std::chrono::year{2024} / 3 / 17} +
                                          std::chrono::hours{21} + std::chrono::minutes{5} + std::chrono::seconds{43};
  EXPECT_THAT(clock->ShortDate(when), ::testing::HasSubstr("17"));
  EXPECT_THAT(clock->LongTime(when), ::testing::HasSubstr("43"));
  EXPECT_THAT(clock->LongTime(when), ::testing::HasSubstr("05"));
}

}  // namespace
}  // namespace brisvane
