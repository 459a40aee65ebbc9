#pragma once
// What the program's logic needs of the desktop around its forms.
#include <string>
#include <string_view>

#include "platform/form.h"
#include "platform/windows_version.h"

namespace brisvane {

// Makes and keeps the on-screen forms. The program ends when its last form has closed.
class IFormHost {
 public:
  virtual ~IFormHost() = default;
  // Creates the window of `spec`, hidden, calls `events.Attach(&view)`, then runs `events.Form_Load()`
  // before returning. The view lives
  // until the form is closed; Load on a form that is already loaded returns the existing view.
  virtual IFormView& Load(const FormSpec& spec, IFormEvents& events) = 0;
  virtual bool IsLoaded(const IFormEvents& events) = 0;
  // Lets the window system handle pending messages (paint, clicks, timers) during a long operation.
  virtual void ProcessPendingMessages() = 0;
};

// A modal message box with an OK button and no icon.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual void Show(std::string_view text, std::string_view caption) = 0;
};

class ISystem {
 public:
  virtual ~ISystem() = default;
  // The program's command line after its own name and the blanks that follow it, quotes kept.
  virtual std::string CommandLineArguments() = 0;
  // Folder of the running executable, without a trailing separator.
  virtual std::string ExecutableFolder() = 0;
  // Expands %NAME% references from the environment.
  virtual std::string ExpandEnvironment(std::string_view text) = 0;
  // Full path of the running executable. The default suits systems that only know the folder.
  virtual std::string ExecutablePath() { return ExecutableFolder() + "\\Brisvane.exe"; }
  // The system's version record, asked afresh on each call; the default is the record of a refused query.
  virtual OsVersionInfo WindowsVersion() { return {}; }
};

}  // namespace brisvane
