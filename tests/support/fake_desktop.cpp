#include "support/fake_desktop.h"

#include <stdexcept>

namespace brisvane::testing {

FakeForm::FakeForm(FakeFormHost& host, const FormSpec& spec_in, IFormEvents& events_in)
    : spec(spec_in),
      events(events_in),
      outer_width(spec_in.client_width + 240),
      outer_height(spec_in.client_height + 405),
      host_(host) {
  for (const ControlSpec& c : spec.controls) {
    Control& control = controls[c.id];
    control.text = c.caption;
    control.checked = c.checked;
    control.width = c.width;
    control.kind = c.kind;
  }
}

FakeForm::Control& FakeForm::At(int control) {
  const auto it = controls.find(control);
  if (it == controls.end()) throw std::out_of_range("no control " + std::to_string(control) + " on form " +
                                                    std::string(spec.caption));
  return it->second;
}

int FakeForm::TextWidth(int control) {
  const std::string& text = At(control).text;
  return host_.measure ? host_.measure(text) : static_cast<int>(text.size()) * 90;
}

void FakeForm::Close() {
  if (closing_ || closed) return;
  closing_ = true;
  events.Form_Unload();
  closed = true;
  visible = false;
  timers.clear();
  events.Attach(nullptr);
  host_.Closed(*this);
}

IFormView& FakeFormHost::Load(const FormSpec& spec, IFormEvents& events) {
  if (FakeForm* form = Find(events)) return *form;
  forms_.push_back(std::make_unique<FakeForm>(*this, spec, events));
  FakeForm& form = *forms_.back();
  form.handle = 0x10000 + 0x10 * forms_.size();
  load_order.emplace_back(spec.caption);
  events.Attach(&form);
  events.Form_Load();
  return form;
}

FakeForm* FakeFormHost::Find(const IFormEvents& events) {
  for (auto& form : forms_)
    if (&form->events == &events && !form->closed) return form.get();
  return nullptr;
}

FakeForm& FakeFormHost::Get(const IFormEvents& events) {
  FakeForm* form = Find(events);
  if (!form) throw std::logic_error("form is not loaded");
  return *form;
}

void FakeFormHost::Click(const IFormEvents& events, int control) {
  FakeForm& form = Get(events);
  if (form.At(control).kind == ControlKind::CheckBox) form.SetChecked(control, form.Checked(control) ? 0 : 1);
  form.events.OnClick(control);
}

bool FakeFormHost::FireTimer(const IFormEvents& events, int timer) {
  FakeForm* form = Find(events);
  if (!form || !form->timers.count(timer)) return false;
  form->events.OnTimer(timer);
  return true;
}

void FakeFormHost::RunTimers() {
  for (int round = 0; round < 100; ++round) {
    bool fired = false;
    for (std::size_t i = 0; i < forms_.size(); ++i) {
      FakeForm& form = *forms_[i];
      if (form.closed || form.timers.empty()) continue;
      const int timer = form.timers.begin()->first;
      form.events.OnTimer(timer);
      fired = true;
    }
    if (!fired) return;
  }
  throw std::logic_error("timers keep firing");
}

int FakeFormHost::LoadedCount() const {
  int n = 0;
  for (const auto& form : forms_) n += !form->closed;
  return n;
}

void FakeFormHost::Closed(FakeForm&) {
  if (LoadedCount() == 0) quit = true;
}

namespace {
class FakeSystemFileOpen final : public ISystemFileOpen {
 public:
  explicit FakeSystemFileOpen(FakeFileDialogs& owner) : owner_(owner) {}
  void OpenFileOpenDlg() override { ++owner_.system_shown; }
  std::string Filename() override { return owner_.system_choice; }

 private:
  FakeFileDialogs& owner_;
};
}  // namespace

std::unique_ptr<ISystemFileOpen> FakeFileDialogs::CreateSystemFileOpen() {
  if (!has_system_object) return nullptr;
  return std::make_unique<FakeSystemFileOpen>(*this);
}

}  // namespace brisvane::testing
