#pragma once
// Stand-ins for everything around the program's logic: a recording form host, message boxes, the
// process's own facts, file dialogs, program starts, HTTP, the clock, the desktop's windows, the process
// table and the Abort/Retry/Ignore prompt. Tests act as the user (click, type, let timers fire) and read
// what the user would see.
#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "notify/popup_window.h"
#include "platform/clock.h"
#include "platform/default_apps.h"
#include "platform/desktop.h"
#include "platform/file_dialogs.h"
#include "platform/form.h"
#include "platform/http.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/process_table.h"
#include "platform/prompt.h"
#include "platform/system.h"

namespace brisvane::testing {

class FakeFormHost;

// Records what the logic did to its form; the controls start with their layout's captions and states.
class FakeForm final : public IFormView {
 public:
  struct Control {
    std::string text;
    bool checked = false;
    std::optional<Color> color;
    int width = 0;
    ControlKind kind = ControlKind::Label;
  };

  FakeForm(FakeFormHost& host, const FormLayout& layout, IFormEvents& events);

  std::string Text(int control) override { return At(control).text; }
  void SetText(int control, std::string_view text) override { At(control).text = text; }
  bool Checked(int control) override { return At(control).checked; }
  void SetChecked(int control, bool checked) override { At(control).checked = checked; }
  void SetForeColor(int control, Color color) override { At(control).color = color; }
  void SetControlWidth(int control, int twips) override { At(control).width = twips; }
  int OuterWidth() override { return outer_width; }
  bool Visible() override { return visible; }
  void Show() override { visible = true; }
  void Hide() override { visible = false; }
  void BringToFront() override {}
  void StartTimer(int timer, unsigned milliseconds) override { timers[timer] = milliseconds; }
  void StopTimer(int timer) override { timers.erase(timer); }
  void Close() override;
  void SetOuterWidth(int twips) override { outer_width = twips; }
  void OuterPixels(int& width, int& height) override {
    width = TwipsToPixels(outer_width, dpi), height = TwipsToPixels(layout.client_height + 405, dpi);
  }
  void MoveToPixels(int left, int top) override { moves.push_back({left, top}); }
  int TextWidth(int control) override;
  std::uintptr_t NativeHandle() override { return closed ? 0 : handle; }

  Control& At(int control);

  const FormLayout& layout;
  IFormEvents& events;
  std::map<int, Control> controls;
  std::map<int, unsigned> timers;
  bool visible = false;
  bool closed = false;
  int outer_width = layout.client_width + 240;  // twips
  int dpi = 96;      // what the outer size is in pixels at
  using Position = std::pair<int, int>;  // left, top
  std::vector<Position> moves;             // pixels
  std::uintptr_t handle = 0;

 private:
  FakeFormHost& host_;
  bool closing_ = false;
};

class FakeFormHost final : public IFormHost {
 public:
  IFormView& Load(const FormLayout& layout, IFormEvents& events) override;
  void ProcessPendingMessages() override {
    ++pumps;
    if (on_pump) on_pump();
  }

  // The open form of `events`, or made from `layout`; null when there is none.
  FakeForm* Find(const IFormEvents& events) { return FindOpen([&](FakeForm& f) { return &f.events == &events; }); }
  FakeForm* Find(const FormLayout& layout) { return FindOpen([&](FakeForm& f) { return &f.layout == &layout; }); }
  FakeForm& Get(const IFormEvents& events) {
    if (FakeForm* form = Find(events)) return *form;
    throw std::logic_error("form is not open");
  }
  // The user's actions. A check box toggles before its click event, as on screen.
  void Click(FakeForm& form, int control) {
    if (form.At(control).kind == ControlKind::CheckBox) form.SetChecked(control, !form.Checked(control));
    form.events.OnClick(control);
  }
  void Type(FakeForm& form, int control, std::string_view text) {
    form.SetText(control, text);
    form.events.OnTextChanged(control);
  }
  // Fires running timers of every form until none is left (bounded).
  void RunTimers();

  int OpenCount() const {
    return static_cast<int>(std::count_if(forms_.begin(), forms_.end(), [](const auto& f) { return !f->closed; }));
  }
  bool quit = false;  // the last form closed
  int pumps = 0;
  std::function<void()> on_pump;
  int dpi = 96;  // of the forms it makes
  // What TextWidth gives for a caption, in twips; without it, 90 twips a byte.
  std::function<int(const std::string&)> measure;

 private:
  friend class FakeForm;
  template <typename Match>
  FakeForm* FindOpen(Match match) {
    for (auto& form : forms_)
      if (!form->closed && match(*form)) return form.get();
    return nullptr;
  }
  std::vector<std::unique_ptr<FakeForm>> forms_;  // closed ones stay until the host goes
};

struct FakeMessageBox final : IMessageBox {
  void Show(std::string_view text, std::string_view) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

inline constexpr OsVersionInfo kWindows10{10, 0, 19045, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindows7{6, 1, 7601, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindowsXp{5, 1, 2600, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindowsServer2003{5, 2, 3790, kVerPlatformWin32Nt};
inline constexpr OsVersionInfo kWindows2000{5, 0, 2195, kVerPlatformWin32Nt};

struct FakeSystem final : ISystem {
  std::string CommandLine() override { return "\"" + exe_path + "\" " + arguments; }
  std::string ExecutablePath() override { return exe_path; }
  std::string ExpandEnvironment(std::string_view text) override {
    return text == "%windir%" ? std::string("C:\\WINDOWS") : std::string(text);
  }
  OsVersionInfo WindowsVersion() override { return version; }

  std::string arguments;  // after the program's name
  std::string exe_path = "C:\\Program Files\\Brisvane\\Brisvane.exe";
  OsVersionInfo version = kWindows10;
};

struct FakeFileDialogs final : IFileDialogs {
  std::unique_ptr<ISystemFileOpen> CreateSystemFileOpen() override;
  std::string ShowStandardOpen() override { return standard_choice; }
  bool has_system_object = false;
  std::string system_choice;    // what the system object's Filename gives
  std::string standard_choice;  // what the standard dialog returns ("" = cancelled)
};

struct FakeLauncher final : IProcessLauncher {
  bool Start(std::string_view command_line, WindowShow show, std::string* error) override {
    started.emplace_back(command_line);
    shows.push_back(show);
    if (!succeed && error) *error = "The system cannot find the file specified.";
    return succeed;
  }
  bool IsThisProgram(std::string_view program_path) override { return program_path == this_program; }
  std::vector<std::string> started;
  std::vector<WindowShow> shows;
  bool succeed = true;
  std::string this_program = "C:\\Program Files\\Brisvane\\Brisvane.exe";
};

// Records the URLs it is asked for and answers with the reply set last.
struct FakeHttpClient final : IHttpClient {
  HttpReply Get(std::string_view url) override {
    urls.emplace_back(url);
    return reply;
  }
  // A delivered reply with these body bytes.
  void Answer(std::string_view body) { reply = {true, Bytes(body.begin(), body.end()), false, "", 0}; }
  // A request that never got an answer.
  void Fail() { reply = HttpReply{}; }
  HttpReply reply;
  std::vector<std::string> urls;
};

// Time moves only when someone sleeps. The wall clock runs in milliseconds and Now gives whole seconds;
// a test may set the wall clock back, as a time sync does, without the monotonic clock noticing.
struct FakeClock final : IClock {
  std::chrono::local_seconds Now() override { return std::chrono::floor<std::chrono::seconds>(now); }
  std::chrono::milliseconds Elapsed() override { return slept; }
  void Sleep(unsigned milliseconds) override {
    slept += std::chrono::milliseconds{milliseconds};
    now += std::chrono::milliseconds{milliseconds};
  }
  std::chrono::milliseconds slept{0};
  std::chrono::local_time<std::chrono::milliseconds> now{  // 7 March 2024, 09:05:01
      std::chrono::local_days{std::chrono::year{2024} / 3 / 7} + std::chrono::seconds{9 * 3600 + 5 * 60 + 1}};
};

// Windows as rectangles of screen pixels; a later one lies over an earlier one.
struct FakeDesktopWindows final : IDesktopWindows {
  struct Window {
    WindowHandle handle;
    int left, top, right, bottom;  // right and bottom exclusive
    std::uint32_t pid = 0;
    std::uint32_t thread = 0;
    WindowHandle parent = 0;
    bool iconic = false;
  };
  void PrimaryMonitorSize(int& width, int& height) override { width = 1920, height = 1080; }
  WindowHandle WindowFromPoint(int x, int y) override;
  std::uint32_t ProcessOf(WindowHandle window) override { return Find(window) ? Find(window)->pid : 0; }
  WindowHandle ParentOf(WindowHandle window) override { return Find(window) ? Find(window)->parent : 0; }
  WindowHandle ForegroundWindow() override { return foreground; }
  std::uint32_t ThreadOf(WindowHandle window) override { return Find(window) ? Find(window)->thread : 0; }
  bool AttachThreadInput(std::uint32_t from, std::uint32_t to, bool attach) override {
    calls.push_back((attach ? "Attach " : "Detach ") + std::to_string(from) + " " + std::to_string(to));
    return true;
  }
  bool SetForegroundWindow(WindowHandle window) override {
    calls.push_back("SetForegroundWindow " + std::to_string(window));
    if (allow_foreground) foreground = window;
    return allow_foreground;
  }
  bool IsIconic(WindowHandle window) override { return Find(window) && Find(window)->iconic; }
  void ShowWindow(WindowHandle window, bool restore) override {
    calls.push_back((restore ? "Restore " : "Show ") + std::to_string(window));
  }
  const Window* Find(WindowHandle handle) const;

  std::vector<Window> windows;
  WindowHandle foreground = 0;
  bool allow_foreground = true;
  std::vector<std::string> calls;  // the foreground calls, in order
};

// A process table with fixed records; each Open is one lookup.
struct FakeProcessTables final : IProcessTableFactory {
  std::unique_ptr<IProcessTable> Open() override;
  std::vector<ProcessRecord> records;
  std::deque<bool> connect_results;  // one per connection attempt; true once they run out
  bool query_succeeds = true;
  int connects = 0;
};

struct FakePrompt final : IPrompt {
  PromptAnswer AbortRetryIgnore(std::string_view text, std::string_view title) override;
  std::deque<PromptAnswer> answers;  // Ignore once they run out
  std::vector<std::string> shown;
};

// A shell whose Default Apps page opens or not, as the test chooses.
struct FakeDefaultApps final : IDefaultApps {
  void AssociationsChanged() override { ++changes; }
  bool OpenChooser(const OsVersionInfo&) override {
    ++opened;
    return opens;
  }
  bool opens = true;
  int opened = 0;
  int changes = 0;
};

// Notes each verdict it is asked to show, and may do something meanwhile, as a user could during the hold.
struct RecordingPopup final : IPopup {
  void Present(const PopupContent& content, const TrayScreen&) override {
    shown.push_back(content);
    if (during_hold) during_hold();
  }
  void Close() override {}
  std::vector<PopupContent> shown;
  std::function<void()> during_hold;
};

}  // namespace brisvane::testing
