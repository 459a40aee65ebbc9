#include "dialogs/about_box.h"

#include <array>

#include "app/service.h"
#include "app/version.h"

namespace brisvane {
namespace {

using K = ControlKind;

constexpr std::array kAboutControls{
    ControlSpec{picIcon, K::Icon, "", 240, 240, 540, 540},
    ControlSpec{lblTitle, K::BoldLabel, "", 1050, 240, 4425, 480},
    ControlSpec{lblVersion, K::Label, "", 1050, 780, 4425, 225},
    ControlSpec{lblDescription, K::Label,
                "Brisvane uses the Bitsnoop public API to check if a torrent file is valid or fake.  More "
                "information can be found at " BRISVANE_MAKER_URL ".",
                1050, 1125, 4425, 1170, -1, true, 0, 0, true},
    ControlSpec{lineEtched, K::EtchedLine, "", 120, 2430, 5490, 30},
    ControlSpec{lblProductOf, K::Label, "Bitsnoop public API is a product of", 255, 2625, 3870, 255},
    ControlSpec{lblServiceDomain, K::Label, BRISVANE_SERVICE_DOMAIN, 255, 2925, 3870, 255},
    ControlSpec{cmdOK, K::Button, "OK", 4245, 2625, 1260, 345, 0},
    ControlSpec{cmdSysInfo, K::Button, "&System Info...", 4260, 3075, 1245, 345, 1},
};

constexpr FormSpec kAbout{"About Brisvane - by Kestrelwick", 5730, 3555, false, kAboutControls, cmdOK, cmdOK};

}  // namespace

const FormSpec& FrmAboutSpec() { return kAbout; }

bool GetKeyValue(IRegistry& registry, RegistryRoot KeyRoot, std::string_view KeyName, std::string_view SubKeyRef,
                 std::string& KeyVal) {
  KeyVal.clear();
  const auto value = registry.QueryValue(KeyRoot, KeyName, SubKeyRef);
  if (!value) return false;
  if (value->type == kRegSz) {
    KeyVal.assign(value->data.begin(), value->data.end());
    if (!KeyVal.empty() && KeyVal.back() == '\0') KeyVal.pop_back();
  }
  return true;
}

void FrmAbout::Form_Load() {
  view_->SetText(lblTitle, kProgramTitle);
  view_->SetText(lblVersion, std::string("Version ") + kProgramVersion);
}

void FrmAbout::OnClick(int control) {
  if (control == cmdOK) {
    view_->Close();
  } else if (control == cmdSysInfo) {
    StartSysInfo();
  }
}

void FrmAbout::StartSysInfo() {
  std::string path;
  if (!GetKeyValue(registry_, RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                   path)) {
    std::string folder;
    if (GetKeyValue(registry_, RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                    folder) &&
        fs_.FileExists(folder + "\\MSINFO32.EXE")) {
      path = folder + "\\MSINFO32.EXE";
    } else {
      path.clear();
    }
  }
  // The path may hold blanks ("Program Files"): quote it so it names one program.
  if (path.empty() || !launcher_.Start("\"" + path + "\"")) {
    messages_.Show(kSysInfoUnavailable, kProgramTitle);
  }
}

}  // namespace brisvane
