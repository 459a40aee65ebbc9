#include "dialogs/file_choosers.h"

namespace brisvane {

std::string ChooseFile(IFileDialogs& dialogs) {
  if (auto object = dialogs.CreateSystemFileOpen()) {
    object->OpenFileOpenDlg();
    return object->Filename();
  }
  return dialogs.ShowStandardOpen();
}

}  // namespace brisvane
