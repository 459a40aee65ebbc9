#pragma once
// In-memory stand-ins for the desktop: forms, message boxes, the process's own facts, file dialogs and
// program starts. Tests act as the user (click, type, let timers fire) and read what the user would see.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_host.h"
#include "platform/file_dialogs.h"
#include "platform/form.h"
#include "platform/process.h"

namespace brisvane::testing {

class FakeFormHost;

class FakeForm final : public IFormView {
 public:
  FakeForm(FakeFormHost& host, const FormSpec& spec, IFormEvents& events);

  std::string Text(int control) override { return At(control).text; }
  void SetText(int control, std::string_view text) override { At(control).text = text; }
  int Checked(int control) override { return At(control).checked; }
  void SetChecked(int control, int state) override { At(control).checked = state; }
  void SetForeColor(int control, Color color) override { At(control).color = color; }
  void SetControlWidth(int control, int twips) override { At(control).width = twips; }
  void AddListItem(int control, std::string_view text) override { At(control).items.emplace_back(text); }
  int OuterWidth() override { return outer_width; }
  void MonitorSize(int& width, int& height) override { width = 1920, height = 1080; }
  bool Visible() override { return visible; }
  void Show() override { visible = true; }
  void Hide() override { visible = false; }
  void BringToFront() override { ++brought_to_front; }
  void StartTimer(int timer, unsigned milliseconds) override { timers[timer] = milliseconds; }
  void StopTimer(int timer) override { timers.erase(timer); }
  void Close() override;
  int OuterHeight() override { return outer_height; }
  void SetOuterWidth(int twips) override { outer_width = twips; }
  void MoveTo(int left, int top) override { moves.push_back({left, top}); }
  int TextWidth(int control) override;
  std::uintptr_t NativeHandle() override { return closed ? 0 : handle; }

  struct Control {
    std::string text;
    int checked = 0;
    std::optional<Color> color;
    int width = 0;
    std::vector<std::string> items;
    ControlKind kind = ControlKind::Label;
  };
  Control& At(int control);

  const FormSpec& spec;
  IFormEvents& events;
  std::map<int, Control> controls;
  std::map<int, unsigned> timers;
  bool visible = false;
  bool closed = false;
  int outer_width;
  int outer_height;
  int brought_to_front = 0;
  struct Position {
    int left, top;
    bool operator==(const Position&) const = default;
  };
  std::vector<Position> moves;  // every MoveTo, in order
  std::uintptr_t handle = 0;    // distinct for each form of a host

 private:
  FakeFormHost& host_;
  bool closing_ = false;
};

class FakeFormHost final : public IFormHost {
 public:
  IFormView& Load(const FormSpec& spec, IFormEvents& events) override;
  bool IsLoaded(const IFormEvents& events) override { return Find(events) != nullptr; }
  void ProcessPendingMessages() override {
    ++pumps;
    if (on_pump) on_pump();
  }

  // The loaded form of `events`, or null.
  FakeForm* Find(const IFormEvents& events);
  FakeForm& Get(const IFormEvents& events);
  // The user's actions. A check box toggles before its click event, as on screen.
  void Click(const IFormEvents& events, int control);
  void Type(const IFormEvents& events, int control, std::string_view text) { Get(events).SetText(control, text); }
  // Fires a running timer; false when it is not running.
  bool FireTimer(const IFormEvents& events, int timer);
  // Fires running timers of every form until none is left (bounded).
  void RunTimers();
  void CloseByUser(const IFormEvents& events) { Get(events).Close(); }

  int LoadedCount() const;
  bool quit = false;  // the last form closed
  int pumps = 0;
  std::function<void()> on_pump;
  std::vector<std::string> load_order;  // captions, in the order forms were loaded
  // What TextWidth gives for a caption, in twips; without it, 90 twips a byte.
  std::function<int(const std::string&)> measure;

 private:
  friend class FakeForm;
  void Closed(FakeForm& form);
  std::vector<std::unique_ptr<FakeForm>> forms_;  // closed ones stay until the host goes
};

class FakeMessageBox final : public IMessageBox {
 public:
  struct Shown {
    std::string text, caption;
  };
  void Show(std::string_view text, std::string_view caption) override {
    shown.push_back({std::string(text), std::string(caption)});
    if (on_show) on_show();
  }
  std::vector<Shown> shown;
  std::function<void()> on_show;
};

class FakeSystem final : public ISystem {
 public:
  std::string CommandLineArguments() override { return command_line; }
  std::string ExecutableFolder() override { return exe_folder; }
  std::string ExpandEnvironment(std::string_view text) override {
    return text == "%windir%" ? std::string("C:\\WINDOWS") : std::string(text);
  }
  std::string command_line;
  std::string exe_folder = "C:\\Program Files\\Brisvane";
};

class FakeFileDialogs final : public IFileDialogs {
 public:
  std::unique_ptr<ISystemFileOpen> CreateSystemFileOpen() override;
  std::string ShowStandardOpen() override {
    ++standard_shown;
    return standard_choice;
  }
  bool has_system_object = false;
  std::string system_choice;    // what the system object's Filename gives
  std::string standard_choice;  // what the standard dialog returns ("" = cancelled)
  int system_shown = 0;
  int standard_shown = 0;
};

class FakeLauncher final : public IProcessLauncher {
 public:
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

}  // namespace brisvane::testing
