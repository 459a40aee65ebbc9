// What each rating word means here: the one flag that lets it pass, and red wherever it is blocked.
// (The words and their codes: tests/reputation_server.)
#include "app/rating.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

TEST(Rating, EachWordPassesOnItsOwnFlagABlockedOneShowsRedAndOtherTextNever) {
  const std::pair<const char*, bool AllowFlags::*> words[] = {
      {"VERIFIED", &AllowFlags::verified}, {"GOOD", &AllowFlags::good}, {"NONE", &AllowFlags::neutral},
      {"NOTFOUND", &AllowFlags::neutral},  {"BAD", &AllowFlags::bad},   {"FAKE", &AllowFlags::fake}};
  for (const auto& [word, flag] : words) {
    SCOPED_TRACE(word);
    AllowFlags only{false, false, false, false, false}, all_but{true, true, true, true, true};
    only.*flag = true;
    all_but.*flag = false;
    EXPECT_TRUE(IsAllowed(word, only));
    EXPECT_FALSE(IsAllowed(word, all_but));
    EXPECT_EQ(PopupColor(word, all_but), kRed);
    // The main window leaves NOTFOUND in the label's own colour, allowed or not.
    EXPECT_EQ(MainWindowColor(word, all_but), word == std::string_view("NOTFOUND") ? std::nullopt : std::optional(kRed));
  }
  const AllowFlags everything{true, true, true, true, true};
  for (const char* other : {"", "good", "GOOD ", "VERIFIED\n", "UNKNOWN"}) {
    EXPECT_FALSE(IsAllowed(other, everything)) << other;
    EXPECT_EQ(MainWindowColor(other, everything), std::nullopt);
    EXPECT_EQ(PopupColor(other, everything), std::nullopt);
  }
}

}  // namespace
}  // namespace brisvane
