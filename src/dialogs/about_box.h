#pragma once
// Which program this is, its version, where its ratings come from, and a way to start the Windows
// system information program.
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace brisvane {

inline constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// A text value; nothing when the key or the value cannot be read. A value of another type reads as "".
std::optional<std::string> ReadTextValue(IRegistry& registry, RegistryRoot root, std::string_view key,
                                         std::string_view name);

class AboutBox final : public IFormEvents {
 public:
  enum Control : int {
    kIcon = 1, kTitle, kVersion, kDescription, kEtchedLine, kProductOf, kServiceDomain, kOkButton, kSysInfoButton,
  };
  static const FormLayout& Layout();

  AboutBox(IRegistry& registry, IFileSystem& fs, IProcessLauncher& launcher, IMessageBox& messages)
      : registry_(registry), fs_(fs), launcher_(launcher), messages_(messages) {}

  void Attach(IFormView* view) override { view_ = view; }
  void OnLoad() override;
  void OnClick(int control) override;
  void Close() {
    if (view_) view_->Close();
  }

  // Starts the system information program where the registry says it is, or says it cannot.
  void StartSystemInformation();

 private:
  IRegistry& registry_;
  IFileSystem& fs_;
  IProcessLauncher& launcher_;
  IMessageBox& messages_;
  IFormView* view_ = nullptr;
};

}  // namespace brisvane
