#include "settings/association_window.h"

#include <array>
#include <vector>

#include "settings/file_association.h"

namespace brisvane {
namespace {

using K = ControlKind;
using F = FrmSettings;

// Label1 ends where the button begins (480 high, not the design's 495): a label that reached into the
// button's rows would be cut short at the button's left edge.
constexpr std::array kSettingsControls{
    ControlSpec{F::Label1, K::Label, ".torrent extension is associated with:", 180, 120, 2895, 480},
    ControlSpec{F::lblfileName, K::Label, "", 2760, 120, 45, 195},
    ControlSpec{F::Command1, K::Button, kSetAssociation, 480, 600, kAssociationButtonWidth, 495, 0},
};

constexpr FormSpec kSettings{"File association", 4890, 1305, false, kSettingsControls};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

const FormSpec& FrmSettingsSpec() { return kSettings; }

bool IsOwnHandlerName(std::string_view name, std::string_view exeBaseName) {
  const std::string exe = std::string(exeBaseName) + ".exe";
  return EqualsIgnoringCase(name, exe) || name == exeBaseName || name == "Applications\\" + exe ||
         name == kProgramClassName;
}

void FrmSettings::Form_Load() {
  std::vector<std::string> names;
  const std::string handler = FindTorrentHandlerName(registry_, system_, names);
  if (add_to_list1_)
    for (const std::string& name : names) add_to_list1_(name);
  SetHandlerLabel(handler);
  view_->SetText(Command1, IsOwnHandlerName(handler, ExeBaseName(system_.ExecutablePath())) ? kRevertAssociation
                                                                                             : kSetAssociation);
}

void FrmSettings::OnClick(int control) {
  if (control == Command1) Command1_Click();
}

void FrmSettings::Command1_Click() {
  // The caption alone decides: the registry is not asked again.
  if (view_->Text(Command1) == kRevertAssociation) {
    UnSet_File_Association();
    view_->SetText(Command1, kSetAssociation);
  } else {
    Set_File_Association();
    view_->SetText(Command1, kRevertAssociation);
  }
}

void FrmSettings::Set_File_Association() { SetHandlerLabel(brisvane::Set_File_Association(registry_, system_)); }

void FrmSettings::UnSet_File_Association() {
  if (const auto restored = brisvane::UnSet_File_Association(registry_, system_)) SetHandlerLabel(*restored);
}

void FrmSettings::SetHandlerLabel(std::string_view name) {
  view_->SetText(lblfileName, name);
  lblfileName_Change();
}

void FrmSettings::lblfileName_Change() {
  // The label sizes itself to its caption; a name too long for the design widens the window and the
  // button by the excess. A name that fits leaves them as wide as they are.
  const int width = view_->TextWidth(lblfileName);
  view_->SetControlWidth(lblfileName, width);
  if (width > kHandlerLabelRoom) {
    view_->SetOuterWidth(width - kHandlerLabelRoom + kAssociationWindowWidth);
    view_->SetControlWidth(Command1, width - kHandlerLabelRoom + kAssociationButtonWidth);
  }
}

}  // namespace brisvane
