#pragma once
#include "platform/file_dialogs.h"

namespace brisvane::win32 {

// The system's "SAFRCFileDlg.FileOpen" automation object where it is registered, and the common
// open-file dialog of comdlg32.
class FileDialogs final : public IFileDialogs {
 public:
  std::unique_ptr<ISystemFileOpen> CreateSystemFileOpen() override;
  std::string ShowStandardOpen() override;
};

}  // namespace brisvane::win32
