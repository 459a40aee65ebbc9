#pragma once
// The main window `Form1`: its controls hold the settings and show the check; start-up decides between
// the command-line run (check the torrent named on the command line, then end) and the interactive run.
#include <string>

#include "app/service.h"
#include "app/windows.h"
#include "platform/app_host.h"
#include "platform/file_system.h"
#include "platform/form.h"
#include "notify/popup.h"
#include "notify/process_lookup.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/http.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "settings/settings_store.h"

namespace brisvane {

enum Form1Control : int {
  Command3 = 1, Label1, txtTFilePath, Command4, Label2, txtProgramPath, Frame1, Label5, txtURL,
  chkAllowVerified, chkAllowGood, ChkAllowNetural, chkAllowBad, chkAllowFake, Label3, lblHash, Label4,
  lblRating, List1, Command1, Command2, cmdFileAssociation, cmdabout,
};
enum Form1Timer : int { Timer1 = 1 };

const FormSpec& Form1Spec();

inline constexpr std::string_view kFileNotFound = "Error. File not found!";

// Removes a quoted "%1", then " %1", then every double quote; nothing else.
std::string CleanHandlerCommand(std::string command);

class IFileDialogs;

struct Form1Services {
  IFormHost& host;
  IWindowManager& windows;
  IFileSystem& fs;
  IRegistry& registry;
  IMessageBox& messages;
  ISystem& system;
  IFileDialogs& dialogs;
  IHttpClient& http;
  IProcessLauncher& launcher;
  IClock& clock;
  IDesktopWindows& desktop;
  FrmPopUp& popup;
  ProcessLookup& processes;
};

// Said once per run when the torrent program setting would start Brisvane again.
inline constexpr std::string_view kProgramIsBrisvane =
    "The torrent program setting points at Brisvane itself, so the torrent was not opened: Brisvane would "
    "only start again. Choose your torrent client in \"Torrent Program Path\" and try again.";

class Form1 : public IFormEvents {
 public:
  explicit Form1(const Form1Services& services) : s_(services) {}

  void Attach(IFormView* view) override { view_ = view; }
  void Form_Load() override;
  void OnClick(int control) override;
  void OnTimer(int timer) override;
  void Form_Resize() override;
  void Form_Unload() override;

  IFormView* view() { return view_; }
  bool IsLoaded() const { return view_ != nullptr; }

  // Looks the torrent in txtTFilePath up; with `BoolLaunch` it also decides and acts on the rating.
  void ProcessTorrent(bool BoolLaunch);
  // Hands the torrent to the torrent program without waiting for it.
  void OpenTorrentFile(const std::string& strTorrentProgramPath, const std::string& strTorrentFilePath);

  // The settings record as the controls hold it now, and back.
  SettingsFields ReadFields();
  void WriteFields(const SettingsFields& fields);

  // Set by Form_Load.
  bool BoolLog = false;
  bool BoolDebugMode = false;
  std::string LogFileName;
  std::string WinDirPath;
  int MonitorWidth = 0;
  int MonitorHeight = 0;
  std::string CommandLine;

 private:
  void Timer1_Timer();
  void Command1_Click();
  void Command2_Click();
  void BrowseInto(int field);
  // The open command of the current .torrent handler, or empty.
  std::string FindTorrentHandlerCommand();

  Form1Services s_;
  IFormView* view_ = nullptr;
  bool start_decided_ = false;  // the start-up decision runs once, however timers and message pumps interleave
  bool checking_ = false;       // a check is running (it pumps messages, so a button could start another)
  bool told_program_is_self_ = false;
};

}  // namespace brisvane
