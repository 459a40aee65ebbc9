// What each rating word means here: the one flag that lets it pass, and its colours in the main window
// and in the popup, allowed and blocked. (The words and their codes: tests/reputation_server.)
#include "app/rating.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

TEST(Rating, EachWordPassesOnItsOwnFlagInItsOwnColoursAndOtherTextNever) {
  constexpr std::optional<Color> kKeep;
  struct Case {
    const char* word;
    bool AllowFlags::*flag;
    std::optional<Color> main_allowed, main_blocked, popup_allowed, popup_blocked;
  };
  const Case cases[] = {
      {"VERIFIED", &AllowFlags::verified, kGreen, kRed, kGreen, kRed},
      {"GOOD", &AllowFlags::good, kGreen, kRed, kGreen, kRed},
      {"NONE", &AllowFlags::neutral, kBlue, kRed, kBlue, kRed},
      {"NOTFOUND", &AllowFlags::neutral, kKeep, kKeep, kBlue, kRed},
      {"BAD", &AllowFlags::bad, kBlue, kRed, kKeep, kRed},
      {"FAKE", &AllowFlags::fake, kBlue, kRed, kKeep, kRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    AllowFlags only{false, false, false, false, false};
    only.*c.flag = true;
    AllowFlags all_but{true, true, true, true, true};
    all_but.*c.flag = false;
    EXPECT_TRUE(IsAllowed(c.word, only));
    EXPECT_FALSE(IsAllowed(c.word, all_but));
    EXPECT_EQ(MainWindowColor(c.word, only), c.main_allowed);
    EXPECT_EQ(MainWindowColor(c.word, all_but), c.main_blocked);
    EXPECT_EQ(PopupColor(c.word, only), c.popup_allowed);
    EXPECT_EQ(PopupColor(c.word, all_but), c.popup_blocked);
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
