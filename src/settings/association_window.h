#pragma once
// The association window: who Windows starts for .torrent files and for magnet links, and for each one
// button that makes this program the handler or puts the previous one back.
#include <string>
#include <string_view>

#include "platform/default_apps.h"
#include "platform/form.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "settings/choice_registration.h"

namespace brisvane {

inline constexpr std::string_view kSetAssociation = "Set Association";
inline constexpr std::string_view kRevertAssociation = "Revert Association";

// True when `name` names this program: the executable's base name + ".exe" in any case, the base name
// itself, "Applications\" + base name + ".exe" exactly, or one of the program's classes, "Brisvane" and
// "Brisvane.Magnet".
bool IsOwnHandlerName(std::string_view name, std::string_view exe_base_name);

// What the user is told on Windows 8 and later, where only the user can choose the program.
enum class ChoiceGuidance { kPickBrisvane, kPickBrisvaneInSettings, kPickYourClient, kPickYourClientInSettings,
                            kRegistrationRefused };
// The sentence for .torrent files or for magnet links.
std::string GuidanceText(AssociationKind kind, ChoiceGuidance guidance);

// What one line of the window shows for .torrent files or magnet links, and its one action.
class AssociationModel {
 public:
  AssociationModel(IRegistry& registry, ISystem& system, IDefaultApps& default_apps, AssociationKind kind)
      : registry_(registry), system_(system), default_apps_(default_apps), kind_(kind) {}

  // Asks the registry who handles the kind now, and whether that is this program (on Windows 8 and
  // later: or whether it is registered for the user to pick).
  void Probe();
  // The button: reverts when it offers to, sets otherwise. Its caption alone decides; the registry is
  // not asked again, but on Windows 8 and later, where the change waits for the user, the name shown
  // afterwards is the one Windows reports then.
  void SetOrRevert();

  const std::string& handler_name() const { return handler_name_; }
  bool offers_revert() const { return offers_revert_; }
  // One sentence on what the user has to do, or a refused change; empty when there is nothing to say.
  const std::string& guidance() const { return guidance_; }

 private:
  bool IsOwn(std::string_view name);
  std::string FindHandlerName();
  void RegisterAndAskTheUser();
  void UnregisterAndAskTheUser();

  IRegistry& registry_;
  ISystem& system_;
  IDefaultApps& default_apps_;
  AssociationKind kind_;
  std::string handler_name_;
  bool offers_revert_ = false;
  std::string guidance_;
};

class AssociationWindow final : public IFormEvents {
 public:
  // The .torrent line's controls, then the magnet line's.
  enum Control : int {
    kCaption = 1,
    kHandlerName,
    kToggleButton,
    kGuidance,
    kMagnetCaption,
    kMagnetHandlerName,
    kMagnetToggleButton,
    kMagnetGuidance,
  };
  // Windows 8 and later get a line below each button that says what the user has to do.
  static const FormLayout& Layout(bool with_guidance);

  AssociationWindow(IRegistry& registry, ISystem& system, IDefaultApps& default_apps)
      : system_(system),
        torrent_(registry, system, default_apps, AssociationKind::kTorrent),
        magnet_(registry, system, default_apps, AssociationKind::kMagnet) {}
  const FormLayout& LayoutForThisSystem() { return Layout(ChoosesThroughSettingsHere()); }

  void Attach(IFormView* view) override { view_ = view; }
  void OnLoad() override;
  void OnClick(int control) override;
  void Close() {
    if (view_) view_->Close();
  }

 private:
  void Render();
  bool ChoosesThroughSettingsHere();

  ISystem& system_;
  AssociationModel torrent_;
  AssociationModel magnet_;
  IFormView* view_ = nullptr;
  bool guided_ = false;  // loaded with the guidance lines
};

}  // namespace brisvane
