#include "app/dispatch.h"

namespace brisvane {
namespace {

// The flag of a rating word, or nothing for a word the verdict does not know.
std::optional<int> FlagOf(std::string_view rating, const SettingsFields& f) {
  if (rating == "VERIFIED") return f.allow_verified;
  if (rating == "GOOD") return f.allow_good;
  if (rating == "NONE" || rating == "NOTFOUND") return f.allow_neutral;
  if (rating == "BAD") return f.allow_bad;
  if (rating == "FAKE") return f.allow_fake;
  return std::nullopt;
}

bool IsGoodWord(std::string_view rating) { return rating == "VERIFIED" || rating == "GOOD"; }

}  // namespace

std::optional<Color> MainRatingColor(std::string_view rating, const SettingsFields& flags) {
  if (rating == "NOTFOUND") return std::nullopt;
  const auto flag = FlagOf(rating, flags);
  if (!flag) return std::nullopt;
  if (*flag != 1) return kRed;
  return IsGoodWord(rating) ? kGreen : kBlue;
}

std::optional<Color> PopupRatingColor(std::string_view rating, const SettingsFields& flags) {
  const auto flag = FlagOf(rating, flags);
  if (!flag) return std::nullopt;
  if (*flag != 1) return kRed;
  if (IsGoodWord(rating)) return kGreen;
  if (rating == "NONE" || rating == "NOTFOUND") return kBlue;
  return std::nullopt;  // an allowed BAD or FAKE keeps its colour
}

std::string GetFileName(std::string_view FilePath) {
  const auto slash = FilePath.rfind('\\');
  if (slash == std::string_view::npos) return {};
  return std::string(FilePath.substr(slash + 1));
}

std::string LaunchCommandLine(std::string_view program_path, std::string_view torrent_path) {
  return std::string(program_path) + " \"" + std::string(torrent_path) + "\"";
}

}  // namespace brisvane
