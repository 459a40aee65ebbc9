// The system services on Windows against what Windows itself reports: the command line, the environment, the
// message box and the Abort/Retry/Ignore prompt, the process table, the desktop's windows and the clock.
#include "win32/system_services.h"

#include <gmock/gmock.h>

#include "win32/form_test_support.h"  // windows.h, before shellapi.h
#include <shellapi.h>

#include <set>
#include <thread>
#include <tuple>

#include "app/main_model.h"
#include "notify/process_lookup.h"
#include "platform/clock.h"
#include "win32/desktop_windows.h"
#include "win32/prompt.h"
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
// it, so the cut falls where Windows ends the program's name. The program's path is its file.
TEST(Win32System, ArgumentTextCutsWhereWindowsEndsTheProgramNameAndThePathIsThisFile) {
  Win32System system;
  const std::wstring lines[] = {
      LR"("C:\B v\b.exe"x.torrent y)",
      LR"(C:\a"b c"\b.exe x)",
      LR"("C:\B v\b.exe x.torrent)",
      L"Brisvane.exe \t \"x.torrent\" second",
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
  EXPECT_EQ(WindowsSplit(lines[5]), WindowsSplit(GetCommandLineW()));
  const std::string path = system.ExecutablePath();  // this program's file
  EXPECT_TRUE(path.ends_with("\\brisvane_win32_tests.exe")) << path;
  EXPECT_NE(GetFileAttributesW(win32::Widen(path).c_str()), INVALID_FILE_ATTRIBUTES) << path;
}

TEST(Win32System, ExpandEnvironmentUsesTheProcessEnvironment) {
  Win32System system;
  ASSERT_TRUE(SetEnvironmentVariableW(L"BRISVANE_T\u00C4ST", L"Gr\u00FC\u00DFe \u20AC"));
  EXPECT_EQ(system.ExpandEnvironment("<%BRISVANE_T\xC3\x84ST%> %BRISVANE_NEVER_SET% 100%"),
            "<Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC> %BRISVANE_NEVER_SET% 100%");
  // Longer than any first guess at the buffer; beyond Windows' 32767 characters a cut result is an error.
  ASSERT_TRUE(SetEnvironmentVariableW(L"BRISVANE_LONG", std::wstring(20000, L'v').c_str()));
  EXPECT_EQ(system.ExpandEnvironment("<%BRISVANE_LONG%>"), "<" + std::string(20000, 'v') + ">");
  EXPECT_THROW(system.ExpandEnvironment("%BRISVANE_LONG%%BRISVANE_LONG%"), std::runtime_error);
}

// Runs `show` while another thread waits (10 s at most) for the visible box captioned `caption`, reads its
// text, its owner and whether it shows an icon or a Cancel button, and presses its button `button` as a
// user would.
template <typename Show>
std::tuple<std::wstring, HWND, bool> Answer(const std::wstring& caption, int button, Show show) {
  std::tuple<std::wstring, HWND, bool> seen;
  std::thread watcher([&] {
    HWND box = nullptr;
    ASSERT_TRUE(testing::PumpUntil([&] { box = FindWindowW(L"#32770", caption.c_str()); },
                                   [&] { return box && IsWindowVisible(box) && GetDlgItem(box, button); }));
    const HWND icon = GetDlgItem(box, 0x14), cancel = GetDlgItem(box, IDCANCEL);
    seen = {testing::WindowText(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER),
            (icon && IsWindowVisible(icon)) || (cancel && IsWindowVisible(cancel))};
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
  });
  show();
  watcher.join();
  return seen;
}

TEST(Win32MessageBox, ShowsTextWithOkOnlyOwnedByTheActiveFormAndThePromptGivesTheButtonPressed) {
  Win32FormHost host;
  testing::RecordingForm form;
  const ControlLayout controls[] = {{1, ControlKind::Button, "OK", 100, 100, 1000, 400, 0}};
  IFormView& view = host.Load(FormLayout{"Owner", 3000, 2000, false, controls}, form);
  view.Show();
  ASSERT_TRUE(testing::PumpUntil([&] { host.ProcessPendingMessages(); },
                                 [&] { return GetActiveWindow() == testing::FormWindow(view); }));
  const auto [text, owner, icon_or_cancel] = Answer(L"R\u00E9sultat", IDOK, [] {
    Win32MessageBox().Show("Fichier \xC2\xAB\xE6\x97\xA5\xE6\x9C\xAC\xC2\xBB introuvable", "R\xC3\xA9sultat");
  });
  EXPECT_EQ(text, L"Fichier \u00AB\u65E5\u672C\u00BB introuvable");
  EXPECT_EQ(owner, testing::FormWindow(view));
  EXPECT_FALSE(icon_or_cancel) << "OK alone";
  // The desktop's view of the same window.
  win32::DesktopWindows desktop;
  EXPECT_EQ(ProcessIdOf(desktop, view.NativeHandle()), GetCurrentProcessId());
  EXPECT_EQ(desktop.ThreadOf(view.NativeHandle()), GetCurrentThreadId());
  EXPECT_EQ(ProcessIdOf(desktop, 0), 0u);

  // The Abort/Retry/Ignore prompt gives the button pressed.
  const std::pair<int, PromptAnswer> presses[] = {
      {IDABORT, PromptAnswer::Abort}, {IDRETRY, PromptAnswer::Retry}, {IDIGNORE, PromptAnswer::Ignore}};
  for (const auto& [button, answer] : presses) {
    PromptAnswer got = PromptAnswer::None;
    Answer(L"Error communicating with winmgmt", button,
           [&] { got = win32::Prompt().AbortRetryIgnore(kWmiErrorText, kWmiErrorTitle); });
    EXPECT_EQ(got, answer);
  }
}

TEST(WmiProcessTable, ListsThisProcessOnce) {
  auto table = win32::WmiProcessTables().Open();
  ASSERT_TRUE(table->Connect() && table->Query());
  std::multiset<std::uint32_t> pids;
  while (const auto record = table->Next()) pids.insert(record->pid);
  EXPECT_GT(pids.size(), 1u);
  EXPECT_EQ(pids.count(GetCurrentProcessId()), 1u);
}

TEST(Win32Clock, UserFormatsCarryTheDateAndTheSeconds) {
  auto clock = MakeSystemClock();
  const std::chrono::local_seconds when = std::chrono::local_days{std::chrono::year{2024} / 3 / 17} +
                                          std::chrono::hours{21} + std::chrono::minutes{5} + std::chrono::seconds{43};
  EXPECT_THAT(clock->ShortDate(when), ::testing::HasSubstr("17"));
  EXPECT_THAT(clock->LongTime(when), ::testing::AllOf(::testing::HasSubstr("43"), ::testing::HasSubstr("05")));
}

}  // namespace
}  // namespace brisvane
