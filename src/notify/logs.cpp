#include "notify/logs.h"

namespace brisvane {
namespace {

bool AppendToLog(IFileSystem& fs, const std::string& path, std::string_view line) {
  // Created only when missing, so earlier lines stay.
  if (!fs.FileExists(path) && !fs.CreateTextFile(path)) return false;
  return fs.AppendLine(path, line);
}

}  // namespace

bool LogData(IFileSystem& fs, IClock& clock, const std::string& TextFileName, std::string_view TextToWrite) {
  const std::chrono::local_seconds now = clock.Now();
  std::string line = clock.ShortDate(now);
  line += ' ';
  line += clock.LongTime(now);
  line += "  ";
  line += TextToWrite;
  return AppendToLog(fs, TextFileName, line);
}

bool DebugLog(IFileSystem& fs, const std::string& TextFileName, std::string_view TextToWrite, bool BoolDebug) {
  if (!BoolDebug) return true;
  return AppendToLog(fs, TextFileName, TextToWrite);
}

}  // namespace brisvane
