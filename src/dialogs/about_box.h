#pragma once
// `frmAbout`: which program this is, its version, where its ratings come from, and a way to start the
// Windows system information program.
#include <string>
#include <string_view>

#include "platform/app_host.h"
#include "platform/file_system.h"
#include "platform/form.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace brisvane {

enum AboutControl : int {
  picIcon = 1, lblTitle, lblVersion, lblDescription, lineEtched, lblProductOf, lblServiceDomain, cmdOK, cmdSysInfo,
};

inline constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";

const FormSpec& FrmAboutSpec();

// Reads a text value; false (and an empty `KeyVal`) when the key or the value cannot be read.
bool GetKeyValue(IRegistry& registry, RegistryRoot KeyRoot, std::string_view KeyName, std::string_view SubKeyRef,
                 std::string& KeyVal);

class FrmAbout : public IFormEvents {
 public:
  FrmAbout(IRegistry& registry, IFileSystem& fs, IProcessLauncher& launcher, IMessageBox& messages)
      : registry_(registry), fs_(fs), launcher_(launcher), messages_(messages) {}

  void Attach(IFormView* view) override { view_ = view; }
  void Form_Load() override;
  void OnClick(int control) override;

  IFormView* view() { return view_; }
  void StartSysInfo();

 private:
  IRegistry& registry_;
  IFileSystem& fs_;
  IProcessLauncher& launcher_;
  IMessageBox& messages_;
  IFormView* view_ = nullptr;
};

}  // namespace brisvane
