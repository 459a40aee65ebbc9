#pragma once
// The open-file dialog behind the Browse buttons.
#include <string>

#include "platform/file_dialogs.h"

namespace brisvane {

// Shows an open-file dialog and returns the chosen path: the system's own file-open object where it
// exists, the standard dialog otherwise. A cancelled dialog gives a text that names no file.
std::string ChooseFile(IFileDialogs& dialogs);

}  // namespace brisvane
