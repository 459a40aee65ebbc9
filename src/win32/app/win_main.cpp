// Stand-in entry point until the program's own start-up is wired in: shows the main window's table
// through the form host so that layout, keyboard and colours can be looked at.
#include <windows.h>

#include <array>
#include <exception>

#include "app/version.h"
#include "platform/form.h"
#include "win32/form_host.h"
#include "win32/system_services.h"
#include "win32/text.h"

namespace brisvane {
namespace {

enum Control {
  kCommand3 = 1,
  kLabel1,
  kTxtTFilePath,
  kCommand4,
  kLabel2,
  kTxtProgramPath,
  kFrame1,
  kLabel5,
  kTxtURL,
  kChkAllowVerified,
  kChkAllowGood,
  kChkAllowNetural,
  kChkAllowBad,
  kChkAllowFake,
  kLabel3,
  kLblHash,
  kLabel4,
  kLblRating,
  kList1,
  kCommand1,
  kCommand2,
  kCmdFileAssociation,
  kCmdAbout,
};

constexpr auto kMainControls = std::to_array<ControlSpec>({
    {kCommand3, ControlKind::Button, "Browse", 180, 120, 735, 375, 0},
    {kLabel1, ControlKind::BoldLabel, "Torrent File Path:", 1020, 180, 1515, 375},
    {kTxtTFilePath, ControlKind::Edit, "", 2580, 120, 7575, 375, 1},
    {kCommand4, ControlKind::Button, "Browse", 180, 780, 735, 375, 2},
    {kLabel2, ControlKind::BoldLabel, "Torrent Program Path:", 1020, 840, 2115, 495},
    {kTxtProgramPath, ControlKind::Edit, "", 2940, 780, 7215, 375, 3},
    {kFrame1, ControlKind::Frame, "API Settings", 120, 1320, 4395, 1995},
    {kLabel5, ControlKind::Label, "API URL:", 120, 360, 735, 375, -1, true, 0, kFrame1},
    {kTxtURL, ControlKind::Edit, "", 960, 1560, 3375, 375, 4},
    {kChkAllowVerified, ControlKind::CheckBox, "Allow verified torrents", 240, 2040, 3495, 195, 5, true, 1},
    {kChkAllowGood, ControlKind::CheckBox, "Allow good rated torrents", 240, 2280, 2175, 195, 14, true, 1},
    {kChkAllowNetural, ControlKind::CheckBox, "Allow netural rated torrents", 240, 2520, 2235, 195, 6, true, 1},
    {kChkAllowBad, ControlKind::CheckBox, "Allow bad rated torrents", 240, 2760, 2655, 195, 13, true, 0},
    {kChkAllowFake, ControlKind::CheckBox, "Allow fake rated torrents", 240, 3000, 3435, 195, 7, true, 0},
    {kLabel3, ControlKind::Label, "Torrent info hash:", 4800, 1680, 1275, 315},
    {kLblHash, ControlKind::HashField, "", 6120, 1680, 3855, 255, 8},
    {kLabel4, ControlKind::Label, "Bitsnoop rating:", 4800, 1980, 1215, 315},
    {kLblRating, ControlKind::Label, "", 6000, 1980, 2895, 255},
    {kList1, ControlKind::ListBox, "", 4560, 1560, 1215, 450, -1, false},
    {kCommand1, ControlKind::Button, "Check torrent", 4680, 2520, 1275, 555, 9},
    {kCommand2, ControlKind::Button, "Launch torrent", 6000, 2520, 1275, 555, 10},
    {kCmdFileAssociation, ControlKind::Button, "File association", 7320, 2520, 1275, 555, 11},
    {kCmdAbout, ControlKind::Button, "About", 8640, 2520, 1275, 555, 12},
});

constexpr FormSpec kMainForm{"Brisvane", 10350, 3510, true, kMainControls};

enum AboutControl { kPicIcon = 1, kLblTitle, kLblVersion, kLblDescription, kLine, kLblMaker, kLblService, kCmdOK,
                    kCmdSysInfo };

constexpr auto kAboutControls = std::to_array<ControlSpec>({
    {kPicIcon, ControlKind::Icon, "", 240, 240, 540, 540},
    {kLblTitle, ControlKind::BoldLabel, "", 1050, 240, 3885, 480},
    {kLblVersion, ControlKind::Label, "", 1050, 780, 3885, 225},
    {kLblDescription, ControlKind::Label,
     "Brisvane uses the Bitsnoop public API to check if a torrent file is valid or fake.  More information can be "
     "found at https://kestrelwick.example/brisvane.",
     1050, 1125, 3885, 1170, -1, true, 0, 0, true},
    {kLine, ControlKind::EtchedLine, "", 84, 2400, 5550, 30},
    {kLblMaker, ControlKind::Label, "Bitsnoop public API is a product of", 255, 2625, 3870, 225},
    {kLblService, ControlKind::Label, "bitsnoop.com", 255, 2880, 3870, 225},
    {kCmdOK, ControlKind::Button, "OK", 4245, 2625, 1260, 345, 0},
    {kCmdSysInfo, ControlKind::Button, "&System Info...", 4260, 3075, 1245, 345, 1},
});

constexpr FormSpec kAboutForm{"About", 5730, 3555, false, kAboutControls, kCmdOK, kCmdOK};

class DemoAbout final : public IFormEvents {
 public:
  explicit DemoAbout(IMessageBox& messages) : messages_(messages) {}
  void Attach(IFormView* view) override { view_ = view; }
  void Form_Load() override {
    view_->SetText(kLblTitle, kProgramTitle);
    view_->SetText(kLblVersion, "Version " + std::string(kProgramVersion));
  }
  void OnClick(int control) override {
    if (control == kCmdOK) view_->Close();
    if (control == kCmdSysInfo) messages_.Show("System Information Is Unavailable At This Time", kProgramTitle);
  }

 private:
  IMessageBox& messages_;
  IFormView* view_ = nullptr;
};

class DemoMain final : public IFormEvents {
 public:
  DemoMain(IFormHost& host, IMessageBox& messages) : host_(host), messages_(messages), about_(messages) {}
  void Attach(IFormView* view) override { view_ = view; }

  void Form_Load() override {
    Win32System system;
    view_->SetText(kTxtProgramPath, "notepad");
    view_->SetText(kTxtURL, "http://bitsnoop.com/api/fakeskan.php");
    view_->SetText(kTxtTFilePath, system.CommandLineArguments());
    view_->StartTimer(1, 60);
  }

  void OnTimer(int timer) override {
    view_->StopTimer(timer);
    view_->Show();
  }

  void OnClick(int control) override {
    switch (control) {
      case kCommand1:
        view_->SetText(kLblHash, "600ccd1b71569232d01d110bc63e906beab04d8c");
        view_->SetText(kLblRating, "VERIFIED");
        view_->SetForeColor(kLblRating, 0x00008000);
        break;
      case kCommand2:
        view_->SetText(kLblRating, "FAKE");
        view_->SetForeColor(kLblRating, 0x000000FF);
        break;
      case kCmdAbout: {
        IFormView& about = host_.Load(kAboutForm, about_);
        about.Show();
        about.BringToFront();
        break;
      }
      default:
        break;
    }
  }

  void Form_Unload() override {
    if (host_.IsLoaded(about_)) host_.Load(kAboutForm, about_).Close();
  }

  void Form_Resize() override {
    const int width = view_->OuterWidth();
    if (width >= 9750) {
      view_->SetControlWidth(kTxtTFilePath, width - 2895);
      view_->SetControlWidth(kTxtProgramPath, width - 3255);
    }
  }

 private:
  IFormHost& host_;
  IMessageBox& messages_;
  DemoAbout about_;
  IFormView* view_ = nullptr;
};

}  // namespace
}  // namespace brisvane

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace brisvane;
  Win32MessageBox messages;
  try {
    Win32FormHost host;
    DemoMain main_window(host, messages);
    host.Load(kMainForm, main_window);
    return host.Run();
  } catch (const std::exception& failure) {
    messages.Show(failure.what(), kProgramTitle);
    return 1;
  }
}
