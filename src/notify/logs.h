#pragma once
// The activity log and the debug log: one line appended per call, the file closed again at once. Both
// are behind switches that are off in every run; the writers say what is written when one is on.
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace brisvane {

// Appends "<short date> <long time>  <TextToWrite>" to the file, creating it when missing. False when the
// file could not be created or written: the caller decides whether that matters (the lookup goes on).
bool LogData(IFileSystem& fs, IClock& clock, const std::string& TextFileName, std::string_view TextToWrite);

// With `BoolDebug`, appends `TextToWrite` alone as a line, creating the file when missing; without it,
// touches nothing and returns true. False when the file could not be created or written.
bool DebugLog(IFileSystem& fs, const std::string& TextFileName, std::string_view TextToWrite, bool BoolDebug);

}  // namespace brisvane
