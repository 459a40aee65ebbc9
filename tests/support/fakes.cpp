#include "support/fakes.h"

#include <stdexcept>

namespace brisvane::testing {

FakeForm::FakeForm(FakeFormHost& host, const FormLayout& layout_in, IFormEvents& events_in)
    : layout(layout_in), events(events_in), dpi(host.dpi), host_(host) {
  for (const ControlLayout& c : layout.controls) controls[c.id] = Control{std::string(c.caption), c.checked, {}, c.width, c.kind};
}

FakeForm::Control& FakeForm::At(int control) {
  const auto it = controls.find(control);
  if (it != controls.end()) return it->second;
  throw std::out_of_range("no control " + std::to_string(control) + " on form " + std::string(layout.caption));
}

int FakeForm::TextWidth(int control) {
  const std::string& text = At(control).text;
  return host_.measure ? host_.measure(text) : static_cast<int>(text.size()) * 90;
}

void FakeForm::Close() {
  if (closing_ || closed) return;
  closing_ = true;
  events.OnUnload();
  closed = true;
  visible = false;
  timers.clear();
  events.Attach(nullptr);
  if (host_.OpenCount() == 0) host_.quit = true;
}

IFormView& FakeFormHost::Load(const FormLayout& layout, IFormEvents& events) {
  if (FakeForm* form = Find(events)) return *form;
  forms_.push_back(std::make_unique<FakeForm>(*this, layout, events));
  FakeForm& form = *forms_.back();
  form.handle = 0x10000 + 0x10 * forms_.size();
  events.Attach(&form);
  events.OnLoad();
  return form;
}

void FakeFormHost::RunTimers() {
  for (int round = 0; round < 100; ++round) {
    bool fired = false;
    for (std::size_t i = 0; i < forms_.size(); ++i) {
      FakeForm& form = *forms_[i];
      if (form.closed || form.timers.empty()) continue;
      form.events.OnTimer(form.timers.begin()->first);
      fired = true;
    }
    if (!fired) return;
  }
  throw std::logic_error("timers keep firing");
}

namespace {
struct FakeSystemFileOpen final : ISystemFileOpen {
  explicit FakeSystemFileOpen(std::string chosen) : choice(std::move(chosen)) {}
  void OpenFileOpenDlg() override {}
  std::string Filename() override { return choice; }
  std::string choice;
};

struct FakeProcessTable final : IProcessTable {
  explicit FakeProcessTable(FakeProcessTables& owner) : owner_(owner) {}
  bool Connect() override {
    ++owner_.connects;
    if (owner_.connect_results.empty()) return connected_ = true;
    connected_ = owner_.connect_results.front();
    owner_.connect_results.pop_front();
    return connected_;
  }
  bool Query() override { return queried_ = connected_ && owner_.query_succeeds; }
  std::optional<ProcessRecord> Next() override {
    if (!queried_ || next_ >= owner_.records.size()) return std::nullopt;
    return owner_.records[next_++];
  }

  FakeProcessTables& owner_;
  bool connected_ = false, queried_ = false;
  std::size_t next_ = 0;
};
}  // namespace

std::unique_ptr<ISystemFileOpen> FakeFileDialogs::CreateSystemFileOpen() {
  if (!has_system_object) return nullptr;
  return std::make_unique<FakeSystemFileOpen>(system_choice);
}

WindowHandle FakeDesktopWindows::WindowFromPoint(int x, int y) {
  for (auto w = windows.rbegin(); w != windows.rend(); ++w) {
    if (x >= w->left && x < w->right && y >= w->top && y < w->bottom) return w->handle;
  }
  return 0;
}

const FakeDesktopWindows::Window* FakeDesktopWindows::Find(WindowHandle handle) const {
  for (const Window& w : windows)
    if (w.handle == handle) return &w;
  return nullptr;
}

std::unique_ptr<IProcessTable> FakeProcessTables::Open() { return std::make_unique<FakeProcessTable>(*this); }

PromptAnswer FakePrompt::AbortRetryIgnore(std::string_view text, std::string_view title) {
  shown.push_back(std::string(title) + ": " + std::string(text));
  if (answers.empty()) return PromptAnswer::Ignore;
  const PromptAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace brisvane::testing
