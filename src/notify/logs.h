#pragma once
// The activity log and the debug log: one line appended per call, the file closed again at once. Both
// sit behind switches that every run leaves off.
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace brisvane {

// Where the logs go and whether they are written.
struct LogSwitches {
  bool activity = false;
  bool debug = false;
  std::string activity_path;  // the program's folder and "\Brisvane.log"
  std::string debug_path;     // the program's folder and "\debug.log"
};

// Appends "<short date> <long time>  <text>" to the file, creating it when missing. False when the
// file could not be created or written: the caller decides whether that matters (the lookup goes on).
bool AppendActivityLine(IFileSystem& fs, IClock& clock, const std::string& path, std::string_view text);

// Appends `text` alone as a line, creating the file when missing. False when it could not be written.
bool AppendDebugLine(IFileSystem& fs, const std::string& path, std::string_view text);

}  // namespace brisvane
