// The message box and the process's own facts, against what Windows itself reports.
#include "win32/system_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "win32/form_host.h"
#include "win32/form_test_support.h"
#include "win32/text.h"

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
  const wchar_t* lines[] = {
      LR"("C:\Program Files\Brisvane\Brisvane.exe" "C:\My Torrents\a b.torrent")",
      LR"(C:\Brisvane\Brisvane.exe C:\t\a.torrent)",
      L"Brisvane.exe \t \"x.torrent\" second",
      LR"("C:\B v\b.exe"x.torrent y)",
      LR"(C:\a"b c"\b.exe x)",
      LR"("C:\B v\b.exe x.torrent)",
      L"Brisvane.exe",
      L"  b.exe x",
      LR"("C:\B v\b.exe"   "p q.torrent"  r\"s  )",
  };
  for (const wchar_t* line : lines) {
    const std::vector<std::wstring> whole = WindowsSplit(line);
    const std::wstring rest = win32::Widen(ArgumentText(win32::Narrow(line)));
    const std::vector<std::wstring> again = WindowsSplit(L"x " + rest);
    EXPECT_EQ(std::vector<std::wstring>(whole.begin() + 1, whole.end()),
              std::vector<std::wstring>(again.begin() + 1, again.end()))
        << win32::Narrow(line);
  }
}

TEST(Win32System, CommandLineArgumentsAreThisProcessesArguments) {
  Win32System system;
  const std::string arguments = system.CommandLineArguments();
  const std::vector<std::wstring> whole = WindowsSplit(GetCommandLineW());
  const std::vector<std::wstring> again = WindowsSplit(L"x " + win32::Widen(arguments));
  EXPECT_EQ(std::vector<std::wstring>(whole.begin() + 1, whole.end()),
            std::vector<std::wstring>(again.begin() + 1, again.end()));
  EXPECT_EQ(arguments.find("brisvane_win32_tests"), std::string::npos);
}

TEST(Win32System, ExecutableFolderHoldsTheExecutableAndEndsWithoutSeparator) {
  const std::string folder = Win32System().ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_NE(folder.back(), '/');
  const DWORD attributes = GetFileAttributesW(win32::Widen(folder + "\\brisvane_win32_tests.exe").c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

TEST(Win32System, ExpandEnvironmentUsesTheProcessEnvironment) {
  Win32System system;
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(CompareStringOrdinal(win32::Widen(system.ExpandEnvironment("%windir%\\explorer.exe")).c_str(), -1,
                                 (std::wstring(windows) + L"\\explorer.exe").c_str(), -1, TRUE),
            CSTR_EQUAL);

  ASSERT_TRUE(SetEnvironmentVariableW(L"BRISVANE_T\u00C4ST", L"Gr\u00FC\u00DFe \u20AC"));
  EXPECT_EQ(system.ExpandEnvironment("<%BRISVANE_T\xC3\x84ST%>"), "<Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC>");
  EXPECT_EQ(system.ExpandEnvironment("%BRISVANE_NEVER_SET% 100%"), "%BRISVANE_NEVER_SET% 100%");
  EXPECT_EQ(system.ExpandEnvironment(""), "");

  // Longer than any first guess at the buffer.
  const std::wstring long_value(20000, L'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"BRISVANE_LONG", long_value.c_str()));
  EXPECT_EQ(system.ExpandEnvironment("<%BRISVANE_LONG%>"), "<" + std::string(20000, 'v') + ">");
  // Beyond Windows' limit of 32767 characters the result would be cut: that is an error, not a result.
  try {
    system.ExpandEnvironment("%BRISVANE_LONG%%BRISVANE_LONG%");
    ADD_FAILURE() << "a cut expansion was returned";
  } catch (const std::runtime_error& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("longer than Windows allows"));
  }
  SetEnvironmentVariableW(L"BRISVANE_T\u00C4ST", nullptr);
  SetEnvironmentVariableW(L"BRISVANE_LONG", nullptr);
}

// What a message box of this thread showed, read from another thread while it was open.
struct SeenBox {
  bool found = false;
  std::wstring text;
  HWND owner = nullptr;
  bool has_icon = false;
  int visible_buttons = 0;
};

// Watches for the box captioned `caption`, reads it, then presses OK as a user would.
SeenBox ShowAndRead(const std::string& text, const std::string& caption) {
  SeenBox seen;
  const DWORD thread = GetCurrentThreadId();
  const std::wstring wide_caption = win32::Widen(caption);
  std::thread watcher([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      HWND box = nullptr;
      struct Search {
        const std::wstring* caption;
        HWND* box;
      } search{&wide_caption, &box};
      EnumThreadWindows(
          thread,
          [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[16] = {};
            GetClassNameW(window, cls, 16);
            if (std::wstring(cls) == L"#32770" && testing::WindowText(window) == *s->caption &&
                IsWindowVisible(window)) {
              *s->box = window;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (box && GetDlgItem(box, IDOK)) {
        seen.found = true;
        seen.text = testing::WindowText(GetDlgItem(box, 0xFFFF));
        seen.owner = GetWindow(box, GW_OWNER);
        HWND icon = GetDlgItem(box, 0x14);
        seen.has_icon = icon && IsWindowVisible(icon);
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
          if (testing::ClassOf(child) == L"button" && IsWindowVisible(child)) ++seen.visible_buttons;
        }
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  Win32MessageBox().Show(text, caption);
  watcher.join();
  return seen;
}

TEST(Win32MessageBox, ShowsTextAndCaptionWithOkOnlyAndNoIcon) {
  const SeenBox seen = ShowAndRead("System Information Is Unavailable At This Time", "Brisvane - by Kestrelwick");
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"System Information Is Unavailable At This Time");
  EXPECT_FALSE(seen.has_icon);
  EXPECT_EQ(seen.visible_buttons, 1);
  EXPECT_EQ(seen.owner, nullptr) << "no form is active";
}

TEST(Win32MessageBox, BelongsToTheActiveFormAndCarriesUtf8) {
  Win32FormHost host;
  testing::RecordingForm form;
  const ControlSpec controls[] = {{1, ControlKind::Button, "OK", 100, 100, 1000, 400, 0}};
  IFormView& view = host.Load(FormSpec{"Owner", 3000, 2000, false, controls}, form);
  view.Show();
  ASSERT_TRUE(testing::PumpUntil([&] { host.ProcessPendingMessages(); },
                                 [&] { return GetActiveWindow() == testing::FormWindow(view); }));
  const SeenBox seen = ShowAndRead("Fichier \xC2\xAB\xE6\x97\xA5\xE6\x9C\xAC\xC2\xBB introuvable", "R\xC3\xA9sultat");
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Fichier \u00AB\u65E5\u672C\u00BB introuvable");
  EXPECT_EQ(seen.owner, testing::FormWindow(view));
  view.Close();
  testing::DrainMessages();
}

}  // namespace
}  // namespace brisvane
