#pragma once
// The program's windows and models, and how they find one another. One instance per process.
#include "app/main_model.h"
#include "app/main_window.h"
#include "dialogs/about_box.h"
#include "dialogs/agreement_window.h"
#include "notify/popup_window.h"
#include "platform/desktop.h"
#include "platform/process_table.h"
#include "platform/prompt.h"
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
  IDefaultApps& default_apps;
};

class Application final : private IWindowManager {
 public:
  explicit Application(const AppServices& services);

  // Loads the agreement window, the first window of a start; a command-line run with the terms accepted
  // runs its check without windows of its own.
  void Start();

  MainModel& main_model() { return main_model_; }

 private:
  void OpenMainWindow(bool show);
  void RunCommandLineWithoutWindows();
  void ShowAbout() override;
  void ShowFileAssociation() override;
  void CloseSecondaryWindows() override;

  AppServices s_;
  // Declared before the main window, which uses them from its first event to its last.
  ProcessLookup processes_;
  PopupWindow popup_;
  MainModel main_model_;
  MainWindow main_window_;
  AgreementWindow agreement_;
  AboutBox about_;
  AssociationWindow association_;
};

}  // namespace brisvane
