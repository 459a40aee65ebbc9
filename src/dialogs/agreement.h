#pragma once
// `DialogAgreement`: the first window of every start. It asks once for the service's terms to be accepted.
#include <string_view>

#include "app/windows.h"
#include "platform/app_host.h"
#include "platform/form.h"
#include "platform/registry.h"

namespace brisvane {

enum AgreementControl : int { lblAgreement = 1, lblTermsCaption, lblTermsUrl, OKButton, CancelButton };
enum AgreementTimer : int { AgreementTimer1 = 1 };

const FormSpec& DialogAgreementSpec();

class DialogAgreement : public IFormEvents {
 public:
  DialogAgreement(IRegistry& registry, IWindowManager& windows) : registry_(registry), windows_(windows) {}

  void Attach(IFormView* view) override { view_ = view; }
  void Form_Load() override;
  void OnClick(int control) override;
  void OnTimer(int timer) override;

  IFormView* view() { return view_; }

 private:
  IRegistry& registry_;
  IWindowManager& windows_;
  IFormView* view_ = nullptr;
};

}  // namespace brisvane
