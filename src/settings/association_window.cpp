#include "settings/association_window.h"

#include <array>

#include "settings/torrent_association.h"

namespace brisvane {
namespace {

using K = ControlKind;
using A = AssociationWindow;

// Label widths up to this many twips fit the design; wider ones widen the window and the button.
constexpr int kHandlerLabelRoom = 2055;
constexpr int kWindowWidth = 4980;  // outer, twips
constexpr int kButtonWidth = 3855;

// The caption ends where the button begins (480 high, not the design's 495): a label that reached into
// the button's rows would be cut short at the button's left edge.
constexpr std::array kAssociationControls{
    ControlLayout{A::kCaption, K::Label, ".torrent extension is associated with:", 180, 120, 2895, 480},
    ControlLayout{A::kHandlerName, K::Label, "", 2760, 120, 45, 195},
    ControlLayout{A::kToggleButton, K::Button, kSetAssociation, 480, 600, kButtonWidth, 495, 0},
};

constexpr FormLayout kAssociation{"File association", 4890, 1305, false, kAssociationControls};

constexpr std::array kGuidedControls{
    kAssociationControls[0], kAssociationControls[1], kAssociationControls[2],
    ControlLayout{A::kGuidance, K::Label, "", 180, 1200, 4530, 720, -1, true, false, 0, true},
};

constexpr FormLayout kGuidedAssociation{"File association", 4890, 2025, false, kGuidedControls};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

const FormLayout& AssociationWindow::Layout(bool with_guidance) {
  return with_guidance ? kGuidedAssociation : kAssociation;
}

bool AssociationWindow::ChoosesThroughSettingsHere() { return ChoosesThroughSettings(system_.WindowsVersion()); }

bool IsOwnHandlerName(std::string_view name, std::string_view exe_base_name) {
  const std::string exe = std::string(exe_base_name) + ".exe";
  return EqualsIgnoringCase(name, exe) || name == exe_base_name || name == "Applications\\" + exe ||
         name == kProgramClassName;
}

bool AssociationModel::IsOwn(std::string_view name) {
  return IsOwnHandlerName(name, ExeBaseName(system_.ExecutablePath()));
}

void AssociationModel::Probe() {
  handler_name_ = FindTorrentHandlerName(registry_, system_);
  offers_revert_ = IsOwn(handler_name_) ||
                   (ChoosesThroughSettings(system_.WindowsVersion()) && IsRegisteredForChoice(registry_));
}

void AssociationModel::RegisterAndAskTheUser() {
  const bool registered = RegisterForChoice(registry_, system_);
  default_apps_.AssociationsChanged();
  handler_name_ = FindTorrentHandlerName(registry_, system_);
  if (!registered) {
    guidance_ = kRegistrationRefused;
    return;
  }
  offers_revert_ = true;
  if (IsOwn(handler_name_)) {
    guidance_.clear();  // already the user's choice
  } else {
    guidance_ = default_apps_.OpenChooser(system_.WindowsVersion()) ? kPickBrisvane : kPickBrisvaneInSettings;
  }
}

void AssociationModel::UnregisterAndAskTheUser() {
  UnregisterForChoice(registry_);
  default_apps_.AssociationsChanged();
  handler_name_ = FindTorrentHandlerName(registry_, system_);
  offers_revert_ = false;
  if (IsOwn(handler_name_)) {
    guidance_ = default_apps_.OpenChooser(system_.WindowsVersion()) ? kPickYourClient : kPickYourClientInSettings;
  } else {
    guidance_.clear();
  }
}

void AssociationModel::SetOrRevert() {
  if (ChoosesThroughSettings(system_.WindowsVersion())) {
    offers_revert_ ? UnregisterAndAskTheUser() : RegisterAndAskTheUser();
    return;
  }
  if (offers_revert_) {
    if (const auto restored = RevertTorrentAssociation(registry_, system_)) handler_name_ = *restored;
  } else {
    handler_name_ = SetTorrentAssociation(registry_, system_);
  }
  offers_revert_ = !offers_revert_;
}

void AssociationWindow::OnLoad() {
  guided_ = ChoosesThroughSettingsHere();
  model_.Probe();
  Render();
}

void AssociationWindow::OnClick(int control) {
  if (control != kToggleButton) return;
  model_.SetOrRevert();
  Render();
}

void AssociationWindow::Render() {
  if (guided_) view_->SetText(kGuidance, model_.guidance());
  view_->SetText(kHandlerName, model_.handler_name());
  view_->SetText(kToggleButton, model_.offers_revert() ? kRevertAssociation : kSetAssociation);
  // The name's label sizes itself to its caption; a name too long for the design widens the window and
  // the button by the excess. A name that fits leaves them as wide as they are.
  const int width = view_->TextWidth(kHandlerName);
  view_->SetControlWidth(kHandlerName, width);
  if (width > kHandlerLabelRoom) {
    view_->SetOuterWidth(width - kHandlerLabelRoom + kWindowWidth);
    view_->SetControlWidth(kToggleButton, width - kHandlerLabelRoom + kButtonWidth);
  }
}

}  // namespace brisvane
