// The program's windows at the DPI this process runs at, and again at 120 and 144 dpi in a child process
// started with that scaling: every caption, label, check box, button and display field shows its whole
// text in the font the window really uses, and each window keeps its design's proportions.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "dialogs/about_box.h"
#include "dialogs/agreement_window.h"
#include "notify/popup_window.h"
#include "product.h"
#include "settings/association_window.h"
#include "win32/form_test_support.h"
#include "win32/system_function.h"

namespace brisvane {
namespace {

// Windows gives a process that says nothing the system's DPI and scales its windows as bitmaps; the
// program says so in its manifest, this test here, before any window exists.
[[maybe_unused]] const bool kPerMonitorAware = [] {
  using Fn = BOOL(WINAPI*)(HANDLE);
  if (const Fn set = win32::SystemFunction<Fn>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
    set(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  }
  return true;
}();

constexpr char kDpiVariable[] = "BRISVANE_FIT_DPI";

// A window's layout with what its logic writes into it at its widest.
struct Shown {
  const FormLayout& layout;
  std::vector<std::pair<int, std::string>> texts;
};

std::vector<Shown> ProgramWindows() {
  using M = MainWindow;
  using P = PopupWindow;
  using A = AssociationWindow;
  return {
      {M::Layout(), {{M::kHash, "8c450b7de44b7a6df98919a4a009b323567b110f"}, {M::kRating, "NOTFOUND"}}},
      {P::Layout(),
       {{P::kFileName, "\xE3\x82\xA2\xE3\x83\xAB\xE3\x83\x90\xE3\x83\xA0-album.torrent"},  // アルバム
        {P::kRating, "NOTFOUND"},
        {P::kAction, "Blocked"}}},
      {A::Layout(true),
       {{A::kHandlerName, "AcmeClient.Torrent"},
        {A::kToggleButton, std::string(kRevertAssociation)},
        {A::kGuidance, std::string(kPickYourClientInSettings)}}},
      {AgreementWindow::Layout(), {}},
      {AboutBox::Layout(), {{AboutBox::kTitle, std::string(kProgramTitle)}, {AboutBox::kVersion, "Version 1.0.1"}}},
  };
}

TEST(TextFit, EveryControlOfTheProgramsWindowsShowsItsWholeTextInProportion) {
  const char* expected = std::getenv(kDpiVariable);
  Win32FormHost host;
  for (const Shown& shown : ProgramWindows()) {
    std::vector<std::string> log;
    testing::RecordingForm form(&log);
    IFormView& view = host.Load(shown.layout, form);
    for (const auto& [control, text] : shown.texts) view.SetText(control, text);
    const HWND window = testing::FormWindow(view);
    const int dpi = static_cast<int>(win32::WindowDpi(window));
    if (expected) {
      ASSERT_EQ(dpi, std::atoi(expected)) << "the window's DPI";
    }
    SCOPED_TRACE(std::string(shown.layout.caption) + " at " + std::to_string(dpi) + " dpi");
    EXPECT_EQ(testing::CutTexts(window), std::vector<std::string>{});

    // Stretched as a whole, if at all: the client area and the last control's right edge by one factor.
    RECT client{}, last{};
    GetClientRect(window, &client);
    const ControlLayout& control = shown.layout.controls.back();
    GetWindowRect(testing::ControlWindow(view, control.id), &last);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&last), 2);
    const double wider = client.right / (shown.layout.client_width * dpi / 1440.0);
    const double taller = client.bottom / (shown.layout.client_height * dpi / 1440.0);
    EXPECT_GE(wider, 0.99);
    EXPECT_LE(wider, kMaxStretch + 0.01);
    EXPECT_GE(taller, 0.99);
    EXPECT_LE(taller, kMaxStretch + 0.01);
    EXPECT_NEAR(last.top, control.top * dpi / 1440.0 * taller, 2);
    if (control.kind == ControlKind::Button) {
      EXPECT_NEAR(last.right, (control.left + control.width) * dpi / 1440.0 * wider, 2);
    }
    view.Close();
  }
  testing::DrainMessages();  // the last form's close posts a quit
}

// HKEY_CURRENT_USER's scaling while it lives; the one before comes back after.
class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi) {
    DWORD size = sizeof before_;
    had_ = !RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &before_, &size);
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
  }
  ~ScopedLogPixels() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &before_, sizeof before_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
    }
  }
  ScopedLogPixels(const ScopedLogPixels&) = delete;
  ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

 private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
  DWORD before_ = 0;
  bool had_ = false;
};

// The test above in a process of its own at `dpi` (a process's DPI is fixed at its start); its output.
std::string RunAtDpi(int dpi) {
  ScopedLogPixels scaling(static_cast<DWORD>(dpi));
  SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &inherit, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = write;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=TextFit.EveryControl*";
  PROCESS_INFORMATION child{};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableA(kDpiVariable, nullptr);
  CloseHandle(write);
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (started && ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
  CloseHandle(read);
  if (!started) return "cannot start the test at " + std::to_string(dpi) + " dpi";
  WaitForSingleObject(child.hProcess, INFINITE);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  return output;
}

TEST(TextFit, AndSoAt120And144Dpi) {
  if (std::getenv(kDpiVariable)) GTEST_SKIP() << "the child of a run at another DPI";
  for (const int dpi : {120, 144}) {
    const std::string output = RunAtDpi(dpi);
    // Only GoogleTest's verdict counts: a crashed child can end with exit code 0 under Wine.
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << "at " << dpi << " dpi:\n" << output;
  }
}

}  // namespace
}  // namespace brisvane
