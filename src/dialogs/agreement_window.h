#pragma once
// The first window of every start: it asks once for the service's terms to be accepted, and hands over
// to the main window.
#include <functional>

#include "platform/form.h"
#include "platform/registry.h"

namespace brisvane {

// Whether the terms were accepted on an earlier run, and recording that they now are.
bool TermsAccepted(IRegistry& registry);
void AcceptTerms(IRegistry& registry);

class AgreementWindow final : public IFormEvents {
 public:
  enum Control : int { kAgreementText = 1, kTermsCaption, kTermsUrl, kOkButton, kCancelButton };
  enum Timer : int { kCloseTimer = 1 };
  static const FormLayout& Layout();

  // `open_main_window(show)` loads the main window, visible or not.
  AgreementWindow(IRegistry& registry, std::function<void(bool show)> open_main_window)
      : registry_(registry), open_main_window_(std::move(open_main_window)) {}

  void Attach(IFormView* view) override { view_ = view; }
  void OnLoad() override;
  void OnClick(int control) override;
  void OnTimer(int timer) override;

 private:
  IRegistry& registry_;
  std::function<void(bool)> open_main_window_;
  IFormView* view_ = nullptr;
};

}  // namespace brisvane
