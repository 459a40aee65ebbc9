#include "app/main_window.h"

#include <array>

namespace brisvane {
namespace {

using K = ControlKind;
using W = MainWindow;

// Any info-hash is 40 hex digits; "d" is as wide as the widest of them in the usual fonts.
constexpr std::string_view kWidestHash = "dddddddddddddddddddddddddddddddddddddddd";

// Design positions in twips at 96 dpi; the tab indexes give the keyboard focus order.
constexpr std::array kMainControls{
    ControlLayout{W::kBrowseTorrent, K::Button, "Browse", 180, 120, 735, 375, 0},
    ControlLayout{W::kTorrentCaption, K::BoldLabel, "Torrent File Path:", 1020, 180, 1515, 375},
    ControlLayout{W::kTorrentPath, K::Edit, "", 2580, 120, 7575, 375, 1},
    ControlLayout{W::kBrowseProgram, K::Button, "Browse", 180, 780, 735, 375, 2},
    ControlLayout{W::kProgramCaption, K::BoldLabel, "Torrent Program Path:", 1020, 840, 2115, 495},
    ControlLayout{W::kProgramPath, K::Edit, "", 2940, 780, 7215, 375, 3},
    ControlLayout{W::kApiFrame, K::Frame, "API Settings", 120, 1320, 4395, 1995},
    ControlLayout{W::kUrlCaption, K::Label, "API URL:", 120, 360, 735, 375, -1, true, false, W::kApiFrame},
    ControlLayout{W::kServiceUrl, K::Edit, "", 960, 1560, 3375, 375, 4},
    ControlLayout{W::kAllowVerified, K::CheckBox, "Allow verified torrents", 240, 2040, 3495, 195, 5, true, true},
    ControlLayout{W::kAllowGood, K::CheckBox, "Allow good rated torrents", 240, 2280, 2175, 195, 14, true, true},
    ControlLayout{W::kAllowNeutral, K::CheckBox, "Allow netural rated torrents", 240, 2520, 2235, 195, 6, true, true},
    ControlLayout{W::kAllowBad, K::CheckBox, "Allow bad rated torrents", 240, 2760, 2655, 195, 13},
    ControlLayout{W::kAllowFake, K::CheckBox, "Allow fake rated torrents", 240, 3000, 3435, 195, 7},
    ControlLayout{W::kHashCaption, K::Label, "Torrent info hash:", 4800, 1680, 1275, 315},
    ControlLayout{W::kHash, K::HashField, "", 6120, 1680, 3855, 255, 8, true, false, 0, false, kWidestHash},
    ControlLayout{W::kRatingCaption, K::Label, "Bitsnoop rating:", 4800, 1980, 1215, 315},
    ControlLayout{W::kRating, K::Label, "", 6000, 1980, 2895, 255},
    ControlLayout{W::kCheckButton, K::Button, "Check torrent", 4680, 2520, 1275, 555, 9},
    ControlLayout{W::kLaunchButton, K::Button, "Launch torrent", 6000, 2520, 1275, 555, 10},
    ControlLayout{W::kAssociationButton, K::Button, "File association", 7320, 2520, 1275, 555, 11},
    ControlLayout{W::kAboutButton, K::Button, "About", 8640, 2520, 1275, 555, 12},
};

constexpr FormLayout kMainLayout{"Brisvane", 10350, 3510, true, kMainControls};

// The check boxes and the flags they show.
struct FlagBox {
  int control;
  bool AllowFlags::*flag;
};
constexpr FlagBox kFlagBoxes[] = {
    {W::kAllowVerified, &AllowFlags::verified}, {W::kAllowGood, &AllowFlags::good},
    {W::kAllowNeutral, &AllowFlags::neutral},   {W::kAllowBad, &AllowFlags::bad},
    {W::kAllowFake, &AllowFlags::fake},
};

// Below this outer width (twips) the path fields keep the widths they last had.
constexpr int kMinimumFollowWidth = 9750;

}  // namespace

const FormLayout& MainWindow::Layout() { return kMainLayout; }

MainWindow::MainWindow(MainModel& model, IWindowManager& windows) : model_(model), windows_(windows) {
  model_.SetChangeListener([this] { Render(); });
}

void MainWindow::Render() {
  if (!view_) return;
  rendering_ = true;
  // Only what differs: setting a field's text moves its caret even when the text is the same.
  const auto text = [&](int control, const std::string& value) {
    if (view_->Text(control) != value) view_->SetText(control, value);
  };
  const Settings& settings = model_.settings();
  text(kServiceUrl, settings.service_url);
  text(kProgramPath, settings.program_path);
  text(kTorrentPath, model_.torrent_path());
  for (const FlagBox& box : kFlagBoxes) {
    if (view_->Checked(box.control) != settings.allow.*box.flag) view_->SetChecked(box.control, settings.allow.*box.flag);
  }
  text(kHash, model_.hash_text());
  text(kRating, model_.rating_text());
  if (const auto color = model_.rating_color()) view_->SetForeColor(kRating, *color);
  rendering_ = false;
}

void MainWindow::OnLoad() {
  int width = 0, height = 0;
  view_->MonitorSize(width, height);
  model_.Load(width, height);
  view_->StartTimer(kStartTimer, 60);
}

void MainWindow::OnTimer(int timer) {
  if (timer != kStartTimer) return;
  // The check below processes messages; a late tick must not start the run a second time.
  view_->StopTimer(kStartTimer);
  if (start_decided_) return;
  start_decided_ = true;
  if (!model_.RunCommandLine()) {
    view_->Show();
  } else if (view_) {
    view_->Close();
  }
}

void MainWindow::OnClick(int control) {
  switch (control) {
    case kCheckButton: model_.CheckTorrent(); break;
    case kLaunchButton: model_.LaunchTorrent(); break;
    case kBrowseTorrent: model_.BrowseForTorrent(); break;
    case kBrowseProgram: model_.BrowseForProgram(); break;
    case kAboutButton: windows_.ShowAbout(); break;
    case kAssociationButton: windows_.ShowFileAssociation(); break;
    default:
      for (const FlagBox& box : kFlagBoxes) {
        if (box.control != control) continue;
        Settings settings = model_.settings();
        settings.allow.*box.flag = view_->Checked(control);
        model_.SetSettings(std::move(settings));
      }
      break;
  }
}

void MainWindow::OnTextChanged(int control) {
  if (rendering_ || !view_) return;
  Settings settings = model_.settings();
  switch (control) {
    case kTorrentPath: model_.SetTorrentPath(view_->Text(kTorrentPath)); return;
    case kProgramPath: settings.program_path = view_->Text(kProgramPath); break;
    case kServiceUrl: settings.service_url = view_->Text(kServiceUrl); break;
    default: return;
  }
  model_.SetSettings(std::move(settings));
}

void MainWindow::OnResize() {
  // The path fields follow the window's width and keep their right edges 315 twips inside it.
  const int width = view_->OuterWidth();
  if (width >= kMinimumFollowWidth) {
    view_->SetControlWidth(kTorrentPath, width - 2895);
    view_->SetControlWidth(kProgramPath, width - 3255);
  }
}

void MainWindow::OnUnload() {
  windows_.CloseSecondaryWindows();
  model_.Close();
}

}  // namespace brisvane
