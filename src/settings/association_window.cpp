#include "settings/association_window.h"

#include <algorithm>
#include <array>

#include "settings/magnet_association.h"
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
constexpr std::array kTorrentLine{
    ControlLayout{A::kCaption, K::Label, ".torrent extension is associated with:", 180, 120, 2895, 480},
    ControlLayout{A::kHandlerName, K::Label, "", 2760, 120, 45, 195},
    ControlLayout{A::kToggleButton, K::Button, kSetAssociation, 480, 600, kButtonWidth, 495, 0},
};
constexpr ControlLayout kTorrentGuidance{A::kGuidance, K::Label, "", 180, 1200, 4530, 720, -1, true, false, 0, true};

// The magnet line is the .torrent line again, lower down: below the button, or below its guidance.
constexpr int kLineHeight = 1200;
constexpr int kGuidedLineHeight = 1920;

constexpr ControlLayout MovedDown(ControlLayout control, int id, int by, std::string_view caption) {
  control.id = id;
  control.top += by;
  control.caption = caption;
  return control;
}

constexpr std::string_view kMagnetCaptionText = "magnet: links are opened by:";

constexpr std::array kAssociationControls{
    kTorrentLine[0],
    kTorrentLine[1],
    kTorrentLine[2],
    MovedDown(kTorrentLine[0], A::kMagnetCaption, kLineHeight, kMagnetCaptionText),
    MovedDown(kTorrentLine[1], A::kMagnetHandlerName, kLineHeight, ""),
    MovedDown(kTorrentLine[2], A::kMagnetToggleButton, kLineHeight, kSetAssociation),
};

constexpr FormLayout kAssociation{"File association", 4890, 1305 + kLineHeight, false, kAssociationControls};

constexpr std::array kGuidedControls{
    kTorrentLine[0],
    kTorrentLine[1],
    kTorrentLine[2],
    kTorrentGuidance,
    MovedDown(kTorrentLine[0], A::kMagnetCaption, kGuidedLineHeight, kMagnetCaptionText),
    MovedDown(kTorrentLine[1], A::kMagnetHandlerName, kGuidedLineHeight, ""),
    MovedDown(kTorrentLine[2], A::kMagnetToggleButton, kGuidedLineHeight, kSetAssociation),
    MovedDown(kTorrentGuidance, A::kMagnetGuidance, kGuidedLineHeight, ""),
};

constexpr FormLayout kGuidedAssociation{"File association", 4890, 2025 + kGuidedLineHeight, false, kGuidedControls};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

std::string GuidanceText(AssociationKind kind, ChoiceGuidance guidance) {
  const std::string what = kind == AssociationKind::kTorrent ? ".torrent files" : "magnet links";
  const std::string settings = "open Settings, Apps, Default apps, and pick ";
  switch (guidance) {
    case ChoiceGuidance::kPickBrisvane:
      return "Windows lets only you make this choice: in the window it opened, pick Brisvane for " + what + ".";
    case ChoiceGuidance::kPickBrisvaneInSettings:
      return "Windows lets only you make this choice: " + settings + "Brisvane for " + what + ".";
    case ChoiceGuidance::kPickYourClient:
      return "Brisvane still opens " + what + ": in the window Windows opened, pick your torrent client for them.";
    case ChoiceGuidance::kPickYourClientInSettings:
      return "Brisvane still opens " + what + ": " + settings + "your torrent client for them.";
    case ChoiceGuidance::kRegistrationRefused:
      return "Windows refused the change: Brisvane could not register itself for " + what + ".";
  }
  return "";
}

const FormLayout& AssociationWindow::Layout(bool with_guidance) {
  return with_guidance ? kGuidedAssociation : kAssociation;
}

bool AssociationWindow::ChoosesThroughSettingsHere() { return ChoosesThroughSettings(system_.WindowsVersion()); }

bool IsOwnHandlerName(std::string_view name, std::string_view exe_base_name) {
  const std::string exe = std::string(exe_base_name) + ".exe";
  return EqualsIgnoringCase(name, exe) || name == exe_base_name || name == "Applications\\" + exe ||
         name == kProgramClassName || name == kMagnetProgId;
}

bool AssociationModel::IsOwn(std::string_view name) {
  return IsOwnHandlerName(name, ExeBaseName(system_.ExecutablePath()));
}

std::string AssociationModel::FindHandlerName() {
  return kind_ == AssociationKind::kTorrent ? FindTorrentHandlerName(registry_, system_)
                                            : FindMagnetHandlerName(registry_, system_);
}

void AssociationModel::Probe() {
  handler_name_ = FindHandlerName();
  offers_revert_ = IsOwn(handler_name_) ||
                   (ChoosesThroughSettings(system_.WindowsVersion()) && IsRegisteredForChoice(registry_, kind_));
}

void AssociationModel::RegisterAndAskTheUser() {
  using enum ChoiceGuidance;
  const bool registered = RegisterForChoice(registry_, system_, kind_);
  default_apps_.AssociationsChanged();
  handler_name_ = FindHandlerName();
  if (!registered) {
    guidance_ = GuidanceText(kind_, kRegistrationRefused);
    return;
  }
  offers_revert_ = true;
  if (IsOwn(handler_name_)) {
    guidance_.clear();  // already the user's choice
  } else {
    const bool opened = default_apps_.OpenChooser(system_.WindowsVersion());
    guidance_ = GuidanceText(kind_, opened ? kPickBrisvane : kPickBrisvaneInSettings);
  }
}

void AssociationModel::UnregisterAndAskTheUser() {
  using enum ChoiceGuidance;
  UnregisterForChoice(registry_, kind_);
  default_apps_.AssociationsChanged();
  handler_name_ = FindHandlerName();
  offers_revert_ = false;
  if (IsOwn(handler_name_)) {
    const bool opened = default_apps_.OpenChooser(system_.WindowsVersion());
    guidance_ = GuidanceText(kind_, opened ? kPickYourClient : kPickYourClientInSettings);
  } else {
    guidance_.clear();
  }
}

void AssociationModel::SetOrRevert() {
  if (ChoosesThroughSettings(system_.WindowsVersion())) {
    offers_revert_ ? UnregisterAndAskTheUser() : RegisterAndAskTheUser();
    return;
  }
  if (kind_ == AssociationKind::kMagnet) {
    handler_name_ = offers_revert_ ? RevertMagnetAssociation(registry_, system_) : SetMagnetAssociation(registry_, system_);
  } else if (offers_revert_) {
    if (const auto restored = RevertTorrentAssociation(registry_, system_)) handler_name_ = *restored;
  } else {
    handler_name_ = SetTorrentAssociation(registry_, system_);
  }
  offers_revert_ = !offers_revert_;
}

void AssociationWindow::OnLoad() {
  guided_ = ChoosesThroughSettingsHere();
  torrent_.Probe();
  magnet_.Probe();
  Render();
}

void AssociationWindow::OnClick(int control) {
  if (control == kToggleButton) torrent_.SetOrRevert();
  if (control == kMagnetToggleButton) magnet_.SetOrRevert();
  Render();
}

void AssociationWindow::Render() {
  struct Line {
    const AssociationModel& model;
    int name, button, guidance;
  };
  const Line lines[] = {{torrent_, kHandlerName, kToggleButton, kGuidance},
                        {magnet_, kMagnetHandlerName, kMagnetToggleButton, kMagnetGuidance}};
  // The names' labels size themselves to their captions; a name too long for the design widens the
  // window and both buttons by the excess. Names that fit leave them as wide as they are.
  int widest = 0;
  for (const Line& line : lines) {
    if (guided_) view_->SetText(line.guidance, line.model.guidance());
    view_->SetText(line.name, line.model.handler_name());
    view_->SetText(line.button, line.model.offers_revert() ? kRevertAssociation : kSetAssociation);
    const int width = view_->TextWidth(line.name);
    view_->SetControlWidth(line.name, width);
    widest = std::max(widest, width);
  }
  if (widest <= kHandlerLabelRoom) return;
  view_->SetOuterWidth(widest - kHandlerLabelRoom + kWindowWidth);
  for (const Line& line : lines) view_->SetControlWidth(line.button, widest - kHandlerLabelRoom + kButtonWidth);
}

}  // namespace brisvane
