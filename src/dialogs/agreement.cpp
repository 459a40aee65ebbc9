#include "dialogs/agreement.h"

#include <array>

#include "app/service.h"
#include "settings/registry_functions.h"
#include "settings/settings_store.h"

namespace brisvane {
namespace {

using K = ControlKind;

constexpr std::array kAgreementControls{
    ControlSpec{lblAgreement, K::Label,
                "To use the program you must agree to the " BRISVANE_SERVICE_DOMAIN
                " Terms Of Service (TOS).  By clicking the ok button you agree to follow the TOS for use of the "
                "Bitsnoop API.  If you do not accept these terms please click the cancel button to exit the "
                "program.",
                120, 120, 3855, 1215, -1, true, 0, 0, true},
    // The design's label boxes overlap one another; these keep its places without the overlap, so that
    // no text hides another whatever the system font.
    ControlSpec{lblTermsCaption, K::Label, BRISVANE_SERVICE_DOMAIN " terms of service URL:", 120, 1380, 3855, 255},
    ControlSpec{lblTermsUrl, K::Label, BRISVANE_TERMS_URL, 720, 1680, 3255, 255},
    ControlSpec{OKButton, K::Button, "OK", 720, 2280, 1215, 375, 0},
    ControlSpec{CancelButton, K::Button, "Cancel", 2040, 2280, 1215, 375, 1},
};

constexpr FormSpec kAgreement{"User Agreement", 4095, 2910, false, kAgreementControls, OKButton, CancelButton};

bool Accepted(IRegistry& registry) {
  const RegValue tos = GetRegValue(registry, RegistryRoot::CurrentUser, SettingsKey, "TOS", true);
  return !tos.IsInteger() && tos.text() == "ACCEPT";
}

void EnsureSettingsKey(IRegistry& registry) {
  if (!RegKeyExists(registry, RegistryRoot::CurrentUser, SettingsKey)) {
    CreateRegKey(registry, RegistryRoot::CurrentUser, SettingsKey);
  }
}

}  // namespace

const FormSpec& DialogAgreementSpec() { return kAgreement; }

void DialogAgreement::Form_Load() {
  EnsureSettingsKey(registry_);
  if (Accepted(registry_)) {
    view_->Hide();
    windows_.LoadMainWindow(false);
    if (view_) view_->StartTimer(AgreementTimer1, 1);
  } else {
    view_->Show();
  }
}

void DialogAgreement::OnTimer(int timer) {
  if (timer != AgreementTimer1 || !view_) return;
  view_->StopTimer(AgreementTimer1);
  view_->Close();
}

void DialogAgreement::OnClick(int control) {
  if (control == OKButton) {
    EnsureSettingsKey(registry_);
    SetRegValue(registry_, RegistryRoot::CurrentUser, SettingsKey, "TOS", std::string_view("ACCEPT"));
    view_->Hide();
    windows_.LoadMainWindow(true);
    if (view_) view_->Close();
  } else if (control == CancelButton) {
    view_->Close();
  }
}

}  // namespace brisvane
