#include "dialogs/agreement_window.h"

#include <array>

#include "product.h"
#include "settings/registry_functions.h"
#include "settings/settings_store.h"

namespace brisvane {
namespace {

using K = ControlKind;
using A = AgreementWindow;

constexpr std::array kAgreementControls{
    ControlLayout{A::kAgreementText, K::Label,
                  "To use the program you must agree to the " BRISVANE_SERVICE_DOMAIN
                  " Terms Of Service (TOS).  By clicking the ok button you agree to follow the TOS for use of the "
                  "Bitsnoop API.  If you do not accept these terms please click the cancel button to exit the "
                  "program.",
                  120, 120, 3855, 1215, -1, true, false, 0, true},
    // The design's label boxes overlap one another; these keep its places without the overlap, so that
    // no text hides another whatever the system font.
    ControlLayout{A::kTermsCaption, K::Label, BRISVANE_SERVICE_DOMAIN " terms of service URL:", 120, 1380, 3855, 255},
    ControlLayout{A::kTermsUrl, K::Label, BRISVANE_TERMS_URL, 720, 1680, 3255, 255},
    ControlLayout{A::kOkButton, K::Button, "OK", 720, 2280, 1215, 375, 0},
    ControlLayout{A::kCancelButton, K::Button, "Cancel", 2040, 2280, 1215, 375, 1},
};

constexpr FormLayout kAgreement{"User Agreement", 4095, 2910, false, kAgreementControls, A::kOkButton,
                                A::kCancelButton};

void EnsureSettingsKey(IRegistry& registry) {
  if (!RegKeyExists(registry, RegistryRoot::CurrentUser, kSettingsKey)) {
    CreateRegKey(registry, RegistryRoot::CurrentUser, kSettingsKey);
  }
}

}  // namespace

const FormLayout& AgreementWindow::Layout() { return kAgreement; }

bool TermsAccepted(IRegistry& registry) {
  const RegValue tos = GetRegValue(registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", true);
  return !tos.IsInteger() && tos.text() == "ACCEPT";
}

void AcceptTerms(IRegistry& registry) {
  EnsureSettingsKey(registry);
  SetRegValue(registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", std::string_view("ACCEPT"));
}

void AgreementWindow::OnLoad() {
  EnsureSettingsKey(registry_);
  if (TermsAccepted(registry_)) {
    view_->Hide();
    open_main_window_(false);
    if (view_) view_->StartTimer(kCloseTimer, 1);
  } else {
    view_->Show();
  }
}

void AgreementWindow::OnTimer(int timer) {
  if (timer != kCloseTimer || !view_) return;
  view_->StopTimer(kCloseTimer);
  view_->Close();
}

void AgreementWindow::OnClick(int control) {
  if (control == kOkButton) {
    AcceptTerms(registry_);
    view_->Hide();
    open_main_window_(true);
    if (view_) view_->Close();
  } else if (control == kCancelButton) {
    view_->Close();
  }
}

}  // namespace brisvane
