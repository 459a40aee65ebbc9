#include "app/rating.h"

#include <array>

namespace brisvane {
namespace {

struct RatingRow {
  std::string_view word;
  bool AllowFlags::*flag;
  // Colours when the flag lets the rating pass and when it does not.
  std::optional<Color> main_allowed, main_blocked;
  std::optional<Color> popup_allowed, popup_blocked;
};

constexpr std::nullopt_t kKeep = std::nullopt;

// In the order of the Rating values.
constexpr std::array<RatingRow, kRatingCount> kRows{{
    {"VERIFIED", &AllowFlags::verified, kGreen, kRed, kGreen, kRed},
    {"GOOD", &AllowFlags::good, kGreen, kRed, kGreen, kRed},
    {"NONE", &AllowFlags::neutral, kBlue, kRed, kBlue, kRed},
    // The main window never colours NOTFOUND; the popup treats it as NONE.
    {"NOTFOUND", &AllowFlags::neutral, kKeep, kKeep, kBlue, kRed},
    // An allowed BAD or FAKE keeps the popup's colour as it was.
    {"BAD", &AllowFlags::bad, kBlue, kRed, kKeep, kRed},
    {"FAKE", &AllowFlags::fake, kBlue, kRed, kKeep, kRed},
}};

const RatingRow* RowOf(std::string_view word) {
  const std::optional<Rating> rating = ParseRating(word);
  return rating ? &kRows[static_cast<std::size_t>(*rating)] : nullptr;
}

}  // namespace

std::string_view RatingWord(Rating rating) { return kRows.at(static_cast<std::size_t>(rating)).word; }

std::optional<Rating> ParseRating(std::string_view word) {
  for (std::size_t i = 0; i < kRows.size(); ++i)
    if (kRows[i].word == word) return static_cast<Rating>(i);
  return std::nullopt;
}

std::optional<Rating> RatingFromCode(std::int64_t code) {
  if (code < 0 || code >= kRatingCount) return std::nullopt;
  return static_cast<Rating>(code);
}

bool IsAllowed(Rating rating, const AllowFlags& allow) {
  return allow.*kRows.at(static_cast<std::size_t>(rating)).flag;
}

void SetAllowed(AllowFlags& allow, Rating rating, bool allowed) {
  allow.*kRows.at(static_cast<std::size_t>(rating)).flag = allowed;
}

bool IsAllowed(std::string_view word, const AllowFlags& allow) {
  const std::optional<Rating> rating = ParseRating(word);
  return rating && IsAllowed(*rating, allow);
}

std::optional<Color> MainWindowColor(std::string_view word, const AllowFlags& allow) {
  const RatingRow* row = RowOf(word);
  if (!row) return std::nullopt;
  return allow.*row->flag ? row->main_allowed : row->main_blocked;
}

std::optional<Color> PopupColor(std::string_view word, const AllowFlags& allow) {
  const RatingRow* row = RowOf(word);
  if (!row) return std::nullopt;
  return allow.*row->flag ? row->popup_allowed : row->popup_blocked;
}

}  // namespace brisvane
