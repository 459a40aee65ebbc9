#pragma once
// `frmSettings`, the association window: shows who Windows starts for .torrent files, and one button
// that makes this program the handler or puts the previous one back.
#include <functional>
#include <string>
#include <string_view>

#include "platform/app_host.h"
#include "platform/form.h"
#include "platform/registry.h"

namespace brisvane {

inline constexpr std::string_view kSetAssociation = "Set Association";
inline constexpr std::string_view kRevertAssociation = "Revert Association";

// Label widths up to this many twips fit the design; wider ones widen the window and the button.
inline constexpr int kHandlerLabelRoom = 2055;
inline constexpr int kAssociationWindowWidth = 4980;  // outer, twips
inline constexpr int kAssociationButtonWidth = 3855;

const FormSpec& FrmSettingsSpec();

// True when `name` names this program: E + ".exe" in any case, E itself, "Applications\" + E + ".exe"
// exactly, or the program's class "Brisvane".
bool IsOwnHandlerName(std::string_view name, std::string_view exeBaseName);

class FrmSettings : public IFormEvents {
 public:
  // Inside the class: the main window uses the same names for its own controls.
  enum Control : int { Label1 = 1, lblfileName, Command1 };

  // `addToList1` receives the value names the handler probe enumerates (the main window keeps them).
  FrmSettings(IRegistry& registry, ISystem& system, std::function<void(std::string_view)> addToList1)
      : registry_(registry), system_(system), add_to_list1_(std::move(addToList1)) {}

  void Attach(IFormView* view) override { view_ = view; }
  void Form_Load() override;
  void OnClick(int control) override;

  IFormView* view() { return view_; }

  // The two operations the button runs; each leaves the label showing the resulting handler.
  void Set_File_Association();
  void UnSet_File_Association();

 private:
  void Command1_Click();
  // Every caption change of the label goes through here, so the widening rule always follows.
  void SetHandlerLabel(std::string_view name);
  void lblfileName_Change();

  IRegistry& registry_;
  ISystem& system_;
  std::function<void(std::string_view)> add_to_list1_;
  IFormView* view_ = nullptr;
};

}  // namespace brisvane
