#pragma once
// The program's windows and how they find one another. One instance per process.
#include "app/main_window.h"
#include "app/windows.h"
#include "dialogs/about_box.h"
#include "dialogs/agreement.h"
#include "platform/file_dialogs.h"
#include "platform/process.h"

namespace brisvane {

struct AppServices {
  IFormHost& host;
  IFileSystem& fs;
  IRegistry& registry;
  IMessageBox& messages;
  ISystem& system;
  IFileDialogs& dialogs;
  IProcessLauncher& launcher;
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

 private:
  AppServices s_;
  Form1 form1_;
  DialogAgreement agreement_;
  FrmAbout about_;
};

}  // namespace brisvane
