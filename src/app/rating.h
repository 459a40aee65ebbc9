#pragma once
// The six rating words the service gives, and what each means here: the allow flag that lets it pass and
// its colour in the main window and in the popup.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/color.h"
#include "settings/settings.h"

namespace brisvane {

// The values are also the codes the reference service keeps in its database: never renumber them.
enum class Rating : std::uint8_t { kVerified = 0, kGood = 1, kNone = 2, kNotFound = 3, kBad = 4, kFake = 5 };
inline constexpr int kRatingCount = 6;

inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x00C000;
inline constexpr Color kBlue = 0xFF0000;

// "VERIFIED", "GOOD", "NONE", "NOTFOUND", "BAD" or "FAKE".
std::string_view RatingWord(Rating rating);
// The whole word, case-sensitive: anything else is no rating.
std::optional<Rating> ParseRating(std::string_view word);
std::optional<Rating> RatingFromCode(std::int64_t code);

// Whether the user's flag lets the rating pass. A text that is no rating (a failed lookup gives "") never
// passes.
bool IsAllowed(Rating rating, const AllowFlags& allow);
bool IsAllowed(std::string_view word, const AllowFlags& allow);
// Ticks or clears the flag of a rating (NONE and NOTFOUND share theirs).
void SetAllowed(AllowFlags& allow, Rating rating, bool allowed);

// The colour of the rating label; nothing leaves the label's colour as it was.
std::optional<Color> MainWindowColor(std::string_view word, const AllowFlags& allow);
std::optional<Color> PopupColor(std::string_view word, const AllowFlags& allow);

}  // namespace brisvane
