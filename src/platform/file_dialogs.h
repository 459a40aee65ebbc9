#pragma once
// The open-file dialogs behind the Browse buttons.
#include <memory>
#include <string>

namespace brisvane {

// The system's own file-open object ("SAFRCFileDlg.FileOpen"), where the system has one.
class ISystemFileOpen {
 public:
  virtual ~ISystemFileOpen() = default;
  virtual void OpenFileOpenDlg() = 0;  // modal
  virtual std::string Filename() = 0;  // the chosen path, or a text that names no file
};

class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  // Nullptr when the system lacks the object; that is expected on most systems.
  virtual std::unique_ptr<ISystemFileOpen> CreateSystemFileOpen() = 0;
  // The standard open-file dialog, one file, no filter, no title, no initial folder. Empty when cancelled.
  virtual std::string ShowStandardOpen() = 0;
};

}  // namespace brisvane
