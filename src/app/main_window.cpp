#include "app/main_window.h"

#include <array>

#include "app/dispatch.h"
#include "app/reputation_lookup.h"
#include "app/torrent_decoder.h"
#include "app/verdict.h"
#include "app/version.h"
#include "dialogs/file_choosers.h"
#include "notify/logs.h"
#include "settings/file_association.h"

namespace brisvane {
namespace {

using K = ControlKind;

// Design positions in twips at 96 dpi; the tab indexes give the keyboard focus order.
constexpr std::array kForm1Controls{
    ControlSpec{Command3, K::Button, "Browse", 180, 120, 735, 375, 0},
    ControlSpec{Label1, K::BoldLabel, "Torrent File Path:", 1020, 180, 1515, 375},
    ControlSpec{txtTFilePath, K::Edit, "", 2580, 120, 7575, 375, 1},
    ControlSpec{Command4, K::Button, "Browse", 180, 780, 735, 375, 2},
    ControlSpec{Label2, K::BoldLabel, "Torrent Program Path:", 1020, 840, 2115, 495},
    ControlSpec{txtProgramPath, K::Edit, "", 2940, 780, 7215, 375, 3},
    ControlSpec{Frame1, K::Frame, "API Settings", 120, 1320, 4395, 1995},
    ControlSpec{Label5, K::Label, "API URL:", 120, 360, 735, 375, -1, true, 0, Frame1},
    ControlSpec{txtURL, K::Edit, "", 960, 1560, 3375, 375, 4},
    ControlSpec{chkAllowVerified, K::CheckBox, "Allow verified torrents", 240, 2040, 3495, 195, 5, true, 1},
    ControlSpec{chkAllowGood, K::CheckBox, "Allow good rated torrents", 240, 2280, 2175, 195, 14, true, 1},
    ControlSpec{ChkAllowNetural, K::CheckBox, "Allow netural rated torrents", 240, 2520, 2235, 195, 6, true, 1},
    ControlSpec{chkAllowBad, K::CheckBox, "Allow bad rated torrents", 240, 2760, 2655, 195, 13, true, 0},
    ControlSpec{chkAllowFake, K::CheckBox, "Allow fake rated torrents", 240, 3000, 3435, 195, 7, true, 0},
    ControlSpec{Label3, K::Label, "Torrent info hash:", 4800, 1680, 1275, 315},
    ControlSpec{lblHash, K::HashField, "", 6120, 1680, 3855, 255, 8},
    ControlSpec{Label4, K::Label, "Bitsnoop rating:", 4800, 1980, 1215, 315},
    ControlSpec{lblRating, K::Label, "", 6000, 1980, 2895, 255},
    ControlSpec{List1, K::ListBox, "", 4560, 1560, 1215, 450, -1, false},
    ControlSpec{Command1, K::Button, "Check torrent", 4680, 2520, 1275, 555, 9},
    ControlSpec{Command2, K::Button, "Launch torrent", 6000, 2520, 1275, 555, 10},
    ControlSpec{cmdFileAssociation, K::Button, "File association", 7320, 2520, 1275, 555, 11},
    ControlSpec{cmdabout, K::Button, "About", 8640, 2520, 1275, 555, 12},
};

constexpr FormSpec kForm1{"Brisvane", 10350, 3510, true, kForm1Controls};

void ReplaceAll(std::string& text, std::string_view what) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
}

}  // namespace

const FormSpec& Form1Spec() { return kForm1; }

std::string CleanHandlerCommand(std::string command) {
  ReplaceAll(command, "\"%1\"");
  ReplaceAll(command, " %1");
  ReplaceAll(command, "\"");
  return command;
}

SettingsFields Form1::ReadFields() {
  SettingsFields f;
  f.url = view_->Text(txtURL);
  f.program_path = view_->Text(txtProgramPath);
  f.allow_verified = view_->Checked(chkAllowVerified);
  f.allow_good = view_->Checked(chkAllowGood);
  f.allow_neutral = view_->Checked(ChkAllowNetural);
  f.allow_bad = view_->Checked(chkAllowBad);
  f.allow_fake = view_->Checked(chkAllowFake);
  return f;
}

void Form1::WriteFields(const SettingsFields& f) {
  view_->SetText(txtURL, f.url);
  view_->SetText(txtProgramPath, f.program_path);
  view_->SetChecked(chkAllowVerified, f.allow_verified);
  view_->SetChecked(chkAllowGood, f.allow_good);
  view_->SetChecked(ChkAllowNetural, f.allow_neutral);
  view_->SetChecked(chkAllowBad, f.allow_bad);
  view_->SetChecked(chkAllowFake, f.allow_fake);
}

void Form1::Form_Load() {
  BoolLog = false;
  BoolDebugMode = false;
  LogFileName = s_.system.ExecutableFolder() + "\\Brisvane.log";
  WinDirPath = s_.system.ExpandEnvironment("%windir%");
  view_->MonitorSize(MonitorWidth, MonitorHeight);

  SettingsFields fields = ReadFields();  // the design states, where nothing is stored
  ReadDataReg(s_.registry, fields);
  WriteFields(fields);

  if (view_->Text(txtProgramPath).empty()) {
    const std::string command = FindTorrentHandlerCommand();
    if (!command.empty()) view_->SetText(txtProgramPath, CleanHandlerCommand(command));
  }
  if (view_->Text(txtProgramPath).empty()) view_->SetText(txtProgramPath, "notepad");
  CommandLine = s_.system.CommandLineArguments();
  if (view_->Text(txtURL).empty()) view_->SetText(txtURL, kDefaultServiceUrl);
  view_->StartTimer(Timer1, 60);
}

std::string Form1::FindTorrentHandlerCommand() {
  std::vector<std::string> names;
  std::string command = brisvane::FindTorrentHandlerCommand(s_.registry, s_.system, names);
  for (const std::string& name : names) view_->AddListItem(List1, name);
  return command;
}

void Form1::OnTimer(int timer) {
  if (timer == Timer1) Timer1_Timer();
}

void Form1::Timer1_Timer() {
  // The check below pumps messages; a late tick must not start the run a second time.
  view_->StopTimer(Timer1);
  if (start_decided_) return;
  start_decided_ = true;

  if (CommandLine.empty()) {
    view_->Show();
    return;
  }
  ReplaceAll(CommandLine, "\"");
  if (s_.fs.FileExists(CommandLine)) {
    view_->SetText(txtTFilePath, CommandLine);
    ProcessTorrent(true);
  }
  if (view_) view_->Close();
}

void Form1::OnClick(int control) {
  switch (control) {
    case Command1: Command1_Click(); break;
    case Command2: Command2_Click(); break;
    case Command3: BrowseInto(txtTFilePath); break;
    case Command4: BrowseInto(txtProgramPath); break;
    case cmdabout: s_.windows.ShowAbout(); break;
    case cmdFileAssociation: s_.windows.ShowFileAssociation(); break;
    default: break;
  }
}

void Form1::Command1_Click() {
  if (checking_) return;
  view_->SetText(lblHash, "");
  view_->SetText(lblRating, "");
  if (s_.fs.FileExists(view_->Text(txtTFilePath))) {
    ProcessTorrent(false);
  } else {
    view_->SetText(lblHash, kFileNotFound);
  }
}

void Form1::Command2_Click() {
  if (checking_) return;
  ProcessTorrent(true);
}

void Form1::BrowseInto(int field) {
  const std::string chosen = MyDialogOpenCode(s_.dialogs);
  if (view_ && s_.fs.FileExists(chosen)) view_->SetText(field, chosen);
}

void Form1::ProcessTorrent(bool BoolLaunch) {
  const std::string path = view_->Text(txtTFilePath);
  if (!s_.fs.FileExists(path)) {
    view_->SetText(lblHash, kFileNotFound);
    return;
  }
  // The popup's wait lets the user press a button again; that press does not start a check inside this one.
  if (checking_) return;
  checking_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{checking_};

  LookupHooks hooks;
  hooks.write_hash = [this](const std::string& hash) {
    if (view_) view_->SetText(lblHash, hash);
  };
  hooks.read_hash = [this] { return view_ ? view_->Text(lblHash) : std::string(); };
  hooks.torrent_path = [this, path] { return view_ ? view_->Text(txtTFilePath) : path; };
  hooks.log = [this](std::string_view line) {
    if (BoolLog) LogData(s_.fs, s_.clock, LogFileName, line);
  };
  hooks.scan.progress = [this] { s_.host.ProcessPendingMessages(); };
  if (BoolDebugMode) {
    const std::string debug_log = s_.system.ExecutableFolder() + "\\debug.log";
    hooks.scan.on_string = [this, debug_log](std::string_view text) {
      DebugLog(s_.fs, debug_log, "String = " + std::string(text), BoolDebugMode);
    };
  }
  const std::string rating = CheckTorrentFile(view_->Text(txtURL), path, s_.fs, s_.http, s_.messages, hooks);
  if (!view_) return;  // the window was closed while the scan pumped messages

  const SettingsFields flags = ReadFields();
  view_->SetText(lblRating, rating);
  s_.popup.SetRating(rating);
  if (view_->Visible()) {
    if (const auto color = MainRatingColor(rating, flags)) view_->SetForeColor(lblRating, *color);
  }
  if (!BoolLaunch) return;

  if (const auto color = PopupRatingColor(rating, flags)) s_.popup.SetRating(rating, color);
  const bool allowed = IsAllowed(rating, AllowFlagsFrom(flags));
  s_.popup.SetAction(allowed ? "Allowed" : "Blocked");
  s_.popup.SetFile(GetFileName(view_->Text(txtTFilePath)));
  DisplayTrayPopUP(s_.popup, TrayServices{s_.host, s_.desktop, s_.processes, s_.clock},
                   TrayScreen{MonitorWidth, MonitorHeight, WinDirPath});
  s_.clock.Sleep(10);
  // The paths are read now: the user may have edited them while the popup was up.
  if (allowed && view_) OpenTorrentFile(view_->Text(txtProgramPath), view_->Text(txtTFilePath));
}

void Form1::OpenTorrentFile(const std::string& strTorrentProgramPath, const std::string& strTorrentFilePath) {
  // Brisvane as its own torrent program would only start itself again, and again.
  if (s_.launcher.IsThisProgram(strTorrentProgramPath)) {
    if (!told_program_is_self_) {
      told_program_is_self_ = true;
      s_.messages.Show(kProgramIsBrisvane, kProgramTitle);
    }
    return;
  }
  std::string error;
  if (!s_.launcher.Start(LaunchCommandLine(strTorrentProgramPath, strTorrentFilePath), WindowShow::Minimized,
                         &error)) {
    // The popup has just said "Allowed": the user must learn that nothing was opened after all.
    s_.messages.Show("The torrent program could not be started:\r\n" + strTorrentProgramPath + "\r\n" + error,
                     kProgramTitle);
  }
}

void Form1::Form_Resize() {
  const int width = view_->OuterWidth();
  if (width >= 9750) {
    view_->SetControlWidth(txtTFilePath, width - 2895);
    view_->SetControlWidth(txtProgramPath, width - 3255);
  }
}

void Form1::Form_Unload() {
  s_.windows.CloseSecondaryWindows();
  WriteDataReg(s_.registry, ReadFields());
}

}  // namespace brisvane
