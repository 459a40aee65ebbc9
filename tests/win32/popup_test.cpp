// The popup on a real screen with the real window manager, process table, prompt and clock seams.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "notify/popup.h"
#include "notify/process_lookup.h"
#include "win32/desktop_windows.h"
#include "win32/form_host.h"
#include "win32/prompt.h"
#include "win32/text.h"
#include "win32/form_test_support.h"
#include "win32/wmi_process_table.h"

namespace brisvane {
namespace {

// The real clock, except that a sleep moves it a whole second at once: the hold then costs no real time
// while the messages are still processed for real.
class SteppingClock final : public IClock {
 public:
  std::chrono::local_seconds Now() override { return now_; }
  void Sleep(unsigned) override { now_ += std::chrono::seconds{1}; }

 private:
  std::chrono::local_seconds now_ = MakeSystemClock()->Now();
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(WmiProcessTable, ConnectsAndListsThisProcess) {
  win32::WmiProcessTables tables;
  auto table = tables.Open();
  ASSERT_TRUE(table->Connect());
  ASSERT_TRUE(table->Query());
  int records = 0;
  bool found_self = false;
  std::optional<std::string> own_path;
  while (const auto record = table->Next()) {
    ++records;
    if (record->pid == GetCurrentProcessId()) {
      found_self = true;
      own_path = record->executable_path;
    }
  }
  EXPECT_GT(records, 1);
  EXPECT_TRUE(found_self);
  // Windows names the program file; Wine's table gives no paths at all.
  if (own_path && !own_path->empty()) {
    EXPECT_NE(Lower(*own_path).find("brisvane_win32_tests.exe"), std::string::npos) << *own_path;
  }
}

TEST(ProcessLookupOnWindows, FindsTheOwnerOfAFormAndAsksTheRealTable) {
  Win32FormHost host;
  testing::RecordingForm form;
  IFormView& view = host.Load(FormSpec{"Owner", 3000, 2000, false, {}}, form);
  win32::DesktopWindows desktop;
  EXPECT_EQ(getPIDfromHandle(desktop, view.NativeHandle()), GetCurrentProcessId());
  EXPECT_EQ(desktop.ThreadOf(view.NativeHandle()), GetCurrentThreadId());
  EXPECT_EQ(getPIDfromHandle(desktop, 0), 0u);

  win32::WmiProcessTables tables;
  win32::Prompt prompt;
  ProcessLookup lookup(tables, prompt, host);
  const std::string path = lookup.getPathfromPID(GetCurrentProcessId());
  if (!path.empty()) {
    EXPECT_NE(Lower(path).find("brisvane_win32_tests.exe"), std::string::npos) << path;
  }
  EXPECT_EQ(lookup.getPathfromPID(0), "");
  EXPECT_FALSE(lookup.failure_flag());
  view.Close();
  testing::DrainMessages();
}

TEST(PopUpOnWindows, RisesAtTheRightEdgeHoldsAndRestsBehindTheBottomRow) {
  Win32FormHost host;
  FrmPopUp popup(host);
  popup.SetFile("An.Example.Torrent.With.A.Rather.Long.Name.That.Needs.Two.Lines.torrent");
  popup.SetRating("VERIFIED", Color{0x008000});
  popup.SetAction("Allowed");
  ASSERT_TRUE(popup.IsLoaded());
  IFormView& view = *popup.view();
  const HWND window = testing::FormWindow(view);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLongPtrW(testing::ControlWindow(view, FrmPopUp::lblfile), GWL_STYLE) & ES_MULTILINE);

  int width = 0, height = 0;
  view.MonitorSize(width, height);
  ASSERT_GT(width, 0);
  win32::DesktopWindows desktop;
  win32::WmiProcessTables tables;
  win32::Prompt prompt;
  ProcessLookup lookup(tables, prompt, host);
  SteppingClock clock;
  wchar_t windir[MAX_PATH] = {};
  ExpandEnvironmentStringsW(L"%windir%", windir, MAX_PATH);
  const TrayScreen screen{width, height, win32::Narrow(windir)};

  // During the hold: shown, right-aligned, bottom edge on the monitor's bottom row (no task bar here).
  RECT held{};
  bool visible_in_hold = false;
  // The lookup pumps too, before the popup is shown: the first pump that finds it visible is the hold.
  const auto look = [&] {
    if (visible_in_hold || !IsWindowVisible(window)) return;
    visible_in_hold = true;
    GetWindowRect(window, &held);
  };
  struct PumpingHost final : IFormHost {
    PumpingHost(Win32FormHost& real, std::function<void()> hook) : real_(real), hook_(std::move(hook)) {}
    IFormView& Load(const FormSpec& spec, IFormEvents& events) override { return real_.Load(spec, events); }
    bool IsLoaded(const IFormEvents& events) override { return real_.IsLoaded(events); }
    void ProcessPendingMessages() override {
      real_.ProcessPendingMessages();
      hook_();
    }
    Win32FormHost& real_;
    std::function<void()> hook_;
  } pumping(host, look);

  DisplayTrayPopUP(popup, TrayServices{pumping, desktop, lookup, clock}, screen);
  ASSERT_TRUE(popup.IsLoaded());
  EXPECT_TRUE(visible_in_hold);
  EXPECT_EQ(held.right, width);
  EXPECT_EQ(held.bottom, height - 1);
  EXPECT_GT(held.bottom - held.top, 0);

  RECT rest{};
  GetWindowRect(window, &rest);
  EXPECT_EQ(rest.top, height - 1) << "rests with its top on the bottom row";
  EXPECT_EQ(rest.right, width);

  // Its own timer closes it; the next notification starts afresh.
  popup.Close();
  EXPECT_FALSE(popup.IsLoaded());
  EXPECT_FALSE(IsWindow(window));
  testing::DrainMessages();
}

TEST(PopUpOnWindows, LongNamesWidenThePopup) {
  Win32FormHost host;
  FrmPopUp popup(host);
  popup.SetFile("short.torrent");
  const int design = popup.view()->OuterWidth();
  EXPECT_GT(popup.view()->TextWidth(FrmPopUp::lblResize), 0);
  popup.SetFile(std::string(300, 'W') + ".torrent");
  EXPECT_GT(popup.view()->OuterWidth(), design);
  popup.Close();
  testing::DrainMessages();
}

TEST(Win32Clock, UserFormatsCarryTheDateAndTheSeconds) {
  auto clock = MakeSystemClock();
  const std::chrono::local_seconds when =
      std::chrono::local_days{std::chrono::year{2024} / 3 / 17} + std::chrono::hours{21} +
      std::chrono::minutes{5} + std::chrono::seconds{43};
  EXPECT_NE(clock->ShortDate(when).find("17"), std::string::npos) << clock->ShortDate(when);
  EXPECT_NE(clock->LongTime(when).find("43"), std::string::npos) << clock->LongTime(when);
  EXPECT_NE(clock->LongTime(when).find("05"), std::string::npos) << clock->LongTime(when);
  const auto before = clock->Now();
  clock->Sleep(1);
  EXPECT_GE(clock->Now(), before);
}

// Presses `button` on the Abort/Retry/Ignore box captioned `title` once it shows.
PromptAnswer AnswerPrompt(int button, const std::wstring& title) {
  const DWORD thread = GetCurrentThreadId();
  std::thread watcher([&] {
    for (int i = 0; i < 1000; ++i) {
      HWND box = nullptr;
      struct Search {
        const std::wstring* title;
        HWND* box;
      } search{&title, &box};
      EnumThreadWindows(
          thread,
          [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (testing::ClassOf(w) == L"#32770" && testing::WindowText(w) == *s->title && IsWindowVisible(w)) {
              *s->box = w;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (box && GetDlgItem(box, button)) {
        PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const PromptAnswer answer =
      win32::Prompt().AbortRetryIgnore(kWmiErrorText, win32::Narrow(title));
  watcher.join();
  return answer;
}

TEST(Win32Prompt, GivesTheButtonPressed) {
  EXPECT_EQ(AnswerPrompt(IDABORT, L"Error communicating with winmgmt"), PromptAnswer::Abort);
  EXPECT_EQ(AnswerPrompt(IDRETRY, L"Error communicating with winmgmt"), PromptAnswer::Retry);
  EXPECT_EQ(AnswerPrompt(IDIGNORE, L"Error communicating with winmgmt"), PromptAnswer::Ignore);
}

}  // namespace
}  // namespace brisvane
