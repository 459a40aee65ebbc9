#pragma once
// The program's windows and how they find one another. One instance per process.
#include "app/main_window.h"
#include "app/windows.h"
#include "dialogs/about_box.h"
#include "dialogs/agreement.h"
#include "platform/file_dialogs.h"
#include "platform/process.h"
#include "settings/association_window.h"

namespace brisvane {

struct AppServices {
  IFormHost& host;
  IFileSystem& fs;
  IRegistry& registry;
  IMessageBox& messages;
  ISystem& system;
  IFileDialogs& dialogs;
  IProcessLauncher& launcher;
  IHttpClient& http;
  IClock& clock;
  IDesktopWindows& desktop;
  IProcessTableFactory& process_tables;
  IPrompt& prompt;
};

class Application final : public IWindowManager {
 public:
  explicit Application(const AppServices& services);

  // Loads the agreement window, the first window of every start.
  void Start();

  void LoadMainWindow(bool show) override;
  void ShowAbout() override;
  void ShowFileAssociation() override;
  void CloseSecondaryWindows() override;

  Form1& form1() { return form1_; }
  DialogAgreement& agreement() { return agreement_; }
  FrmAbout& about() { return about_; }
  FrmPopUp& popup() { return popup_; }
  FrmSettings& association() { return association_; }

 private:
  AppServices s_;
  // Declared before the main window, which uses them from its first event to its last.
  FrmPopUp popup_;
  ProcessLookup processes_;
  Form1 form1_;
  DialogAgreement agreement_;
  FrmAbout about_;
  FrmSettings association_;
};

}  // namespace brisvane
