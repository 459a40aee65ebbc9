#include "dialogs/about_box.h"

#include <array>

#include "product.h"

namespace brisvane {
namespace {

using K = ControlKind;
using B = AboutBox;

constexpr std::array kAboutControls{
    ControlLayout{B::kIcon, K::Icon, "", 240, 240, 540, 540},
    ControlLayout{B::kTitle, K::BoldLabel, "", 1050, 240, 4425, 480},
    ControlLayout{B::kVersion, K::Label, "", 1050, 780, 4425, 225},
    ControlLayout{B::kDescription, K::Label,
                  "Brisvane uses the Bitsnoop public API to check if a torrent file is valid or fake.  More "
                  "information can be found at " BRISVANE_MAKER_URL ".",
                  1050, 1125, 4425, 1170, -1, true, false, 0, true},
    ControlLayout{B::kEtchedLine, K::EtchedLine, "", 120, 2430, 5490, 30},
    ControlLayout{B::kProductOf, K::Label, "Bitsnoop public API is a product of", 255, 2625, 3870, 255},
    ControlLayout{B::kServiceDomain, K::Label, BRISVANE_SERVICE_DOMAIN, 255, 2925, 3870, 255},
    ControlLayout{B::kOkButton, K::Button, "OK", 4245, 2625, 1260, 345, 0},
    ControlLayout{B::kSysInfoButton, K::Button, "&System Info...", 4260, 3075, 1245, 345, 1},
};

constexpr FormLayout kAbout{"About Brisvane - by Kestrelwick", 5730, 3555, false, kAboutControls, B::kOkButton,
                            B::kOkButton};

}  // namespace

const FormLayout& AboutBox::Layout() { return kAbout; }

std::optional<std::string> ReadTextValue(IRegistry& registry, RegistryRoot root, std::string_view key,
                                         std::string_view name) {
  const auto value = registry.QueryValue(root, key, name);
  if (!value) return std::nullopt;
  std::string text;
  if (value->type == kRegSz) {
    text.assign(value->data.begin(), value->data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
  }
  return text;
}

void AboutBox::OnLoad() {
  view_->SetText(kTitle, kProgramTitle);
  view_->SetText(kVersion, std::string("Version ") + std::string(kProgramVersion));
}

void AboutBox::OnClick(int control) {
  if (control == kOkButton) {
    view_->Close();
  } else if (control == kSysInfoButton) {
    StartSystemInformation();
  }
}

void AboutBox::StartSystemInformation() {
  std::string path;
  if (auto stored = ReadTextValue(registry_, RegistryRoot::LocalMachine,
                                  "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH")) {
    path = std::move(*stored);
  } else if (const auto folder = ReadTextValue(registry_, RegistryRoot::LocalMachine,
                                               "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO");
             folder && fs_.FileExists(*folder + "\\MSINFO32.EXE")) {
    path = *folder + "\\MSINFO32.EXE";
  }
  // The path may hold blanks ("Program Files"): quote it so it names one program.
  if (path.empty() || !launcher_.Start("\"" + path + "\"")) messages_.Show(kSysInfoUnavailable, kProgramTitle);
}

}  // namespace brisvane
