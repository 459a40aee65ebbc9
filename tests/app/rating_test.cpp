#include "app/rating.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

TEST(Rating, EachWordPassesOnItsOwnFlagAndOtherTextNever) {
  struct Case {
    const char* word;
    bool AllowFlags::*flag;
  };
  const Case cases[] = {{"VERIFIED", &AllowFlags::verified}, {"GOOD", &AllowFlags::good},
                        {"NONE", &AllowFlags::neutral},      {"NOTFOUND", &AllowFlags::neutral},
                        {"BAD", &AllowFlags::bad},           {"FAKE", &AllowFlags::fake}};
  for (const Case& c : cases) {
    AllowFlags only{false, false, false, false, false};
    only.*c.flag = true;
    EXPECT_TRUE(IsAllowed(c.word, only)) << c.word;
    AllowFlags all_but{true, true, true, true, true};
    all_but.*c.flag = false;
    EXPECT_FALSE(IsAllowed(c.word, all_but)) << c.word;
    const auto rating = ParseRating(c.word);
    ASSERT_TRUE(rating);
    EXPECT_EQ(RatingWord(*rating), c.word);
    EXPECT_EQ(RatingFromCode(static_cast<int>(*rating)), rating);
  }
  const AllowFlags everything{true, true, true, true, true};
  for (const char* other : {"", "good", "GOOD ", "VERIFIED\n", "UNKNOWN"}) {
    EXPECT_FALSE(IsAllowed(other, everything)) << other;
    EXPECT_EQ(MainWindowColor(other, everything), std::nullopt);
    EXPECT_EQ(PopupColor(other, everything), std::nullopt);
  }
  EXPECT_EQ(RatingFromCode(6), std::nullopt);
  EXPECT_EQ(RatingFromCode(-1), std::nullopt);
}

TEST(Rating, BothColourTablesForEveryWordAllowedAndBlocked) {
  constexpr std::optional<Color> kNone;
  struct Case {
    const char* word;
    std::optional<Color> main_allowed, main_blocked, popup_allowed, popup_blocked;
  };
  const Case cases[] = {
      {"VERIFIED", kGreen, kRed, kGreen, kRed}, {"GOOD", kGreen, kRed, kGreen, kRed},
      {"NONE", kBlue, kRed, kBlue, kRed},       {"NOTFOUND", kNone, kNone, kBlue, kRed},
      {"BAD", kBlue, kRed, kNone, kRed},        {"FAKE", kBlue, kRed, kNone, kRed},
  };
  const AllowFlags all{true, true, true, true, true};
  const AllowFlags none{false, false, false, false, false};
  for (const Case& c : cases) {
    EXPECT_EQ(MainWindowColor(c.word, all), c.main_allowed) << c.word;
    EXPECT_EQ(MainWindowColor(c.word, none), c.main_blocked) << c.word;
    EXPECT_EQ(PopupColor(c.word, all), c.popup_allowed) << c.word;
    EXPECT_EQ(PopupColor(c.word, none), c.popup_blocked) << c.word;
  }
}

}  // namespace
}  // namespace brisvane
