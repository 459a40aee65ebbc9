#include "notify/logs.h"

namespace brisvane {
namespace {

bool AppendToLog(IFileSystem& fs, const std::string& path, std::string_view line) {
  // Created only when missing, so earlier lines stay.
  if (!fs.FileExists(path) && !fs.CreateTextFile(path)) return false;
  return fs.AppendLine(path, line);
}

}  // namespace

bool AppendActivityLine(IFileSystem& fs, IClock& clock, const std::string& path, std::string_view text) {
  const std::chrono::local_seconds now = clock.Now();
  std::string line = clock.ShortDate(now);
  line += ' ';
  line += clock.LongTime(now);
  line += "  ";
  line += text;
  return AppendToLog(fs, path, line);
}

bool AppendDebugLine(IFileSystem& fs, const std::string& path, std::string_view text) {
  return AppendToLog(fs, path, text);
}

}  // namespace brisvane
