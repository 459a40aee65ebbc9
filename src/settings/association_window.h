#pragma once
// The association window: who Windows starts for .torrent files, and one button that makes this program
// the handler or puts the previous one back.
#include <string>
#include <string_view>

#include "platform/form.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace brisvane {

inline constexpr std::string_view kSetAssociation = "Set Association";
inline constexpr std::string_view kRevertAssociation = "Revert Association";

// True when `name` names this program: the executable's base name + ".exe" in any case, the base name
// itself, "Applications\" + base name + ".exe" exactly, or the program's class "Brisvane".
bool IsOwnHandlerName(std::string_view name, std::string_view exe_base_name);

// What the window shows, and its one action.
class AssociationModel {
 public:
  AssociationModel(IRegistry& registry, ISystem& system) : registry_(registry), system_(system) {}

  // Asks the registry who handles .torrent files now, and whether that is this program.
  void Probe();
  // The button: reverts when it offers to, sets otherwise. Its caption alone decides; the registry is
  // not asked again.
  void SetOrRevert();

  const std::string& handler_name() const { return handler_name_; }
  bool offers_revert() const { return offers_revert_; }

 private:
  IRegistry& registry_;
  ISystem& system_;
  std::string handler_name_;
  bool offers_revert_ = false;
};

class AssociationWindow final : public IFormEvents {
 public:
  enum Control : int { kCaption = 1, kHandlerName, kToggleButton };
  static const FormLayout& Layout();

  AssociationWindow(IRegistry& registry, ISystem& system) : model_(registry, system) {}

  void Attach(IFormView* view) override { view_ = view; }
  void OnLoad() override;
  void OnClick(int control) override;
  void Close() {
    if (view_) view_->Close();
  }

 private:
  void Render();

  AssociationModel model_;
  IFormView* view_ = nullptr;
};

}  // namespace brisvane
