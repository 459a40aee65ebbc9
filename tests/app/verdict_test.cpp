#include "app/verdict.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

struct Row {
  const char* rating;
  int AllowFlags::*flag;
};

constexpr Row kTable[] = {
    {"VERIFIED", &AllowFlags::verified}, {"GOOD", &AllowFlags::good}, {"NONE", &AllowFlags::neutral},
    {"NOTFOUND", &AllowFlags::neutral},  {"BAD", &AllowFlags::bad},   {"FAKE", &AllowFlags::fake},
};

AllowFlags NoneTicked() { return {0, 0, 0, 0, 0}; }

TEST(Verdict, EachWordPassesOnItsOwnFlagAndNoOther) {
  for (const Row& row : kTable) {
    AllowFlags flags = NoneTicked();
    EXPECT_FALSE(IsAllowed(row.rating, flags)) << row.rating;
    flags.*row.flag = 1;
    EXPECT_TRUE(IsAllowed(row.rating, flags)) << row.rating;
    // Every other flag on, its own off.
    AllowFlags others{1, 1, 1, 1, 1};
    others.*row.flag = 0;
    EXPECT_FALSE(IsAllowed(row.rating, others)) << row.rating;
  }
}

TEST(Verdict, OnlyOneMeansTicked) {
  for (int value : {0, 2, -1, 255}) {
    EXPECT_FALSE(IsAllowed("VERIFIED", {value, 1, 1, 1, 1})) << value;
    EXPECT_FALSE(IsAllowed("NOTFOUND", {1, 1, value, 1, 1})) << value;
  }
}

TEST(Verdict, AnythingButTheSixWholeWordsIsBlocked) {
  const AllowFlags all{1, 1, 1, 1, 1};
  for (const char* rating : {"", "good", "Verified", "GOOD ", " GOOD", "GOOD\r\n", "NEUTRAL", "ERROR"}) {
    EXPECT_FALSE(IsAllowed(rating, all)) << rating;
  }
  EXPECT_FALSE(IsAllowed(std::string_view("GOOD\0", 5), all));
}

TEST(Verdict, FlagsComeFromTheCheckBoxes) {
  SettingsFields fields;
  fields.allow_verified = 1, fields.allow_good = 0, fields.allow_neutral = 1, fields.allow_bad = 0,
  fields.allow_fake = 1;
  const AllowFlags flags = AllowFlagsFrom(fields);
  EXPECT_TRUE(IsAllowed("VERIFIED", flags));
  EXPECT_FALSE(IsAllowed("GOOD", flags));
  EXPECT_TRUE(IsAllowed("NONE", flags));
  EXPECT_FALSE(IsAllowed("BAD", flags));
  EXPECT_TRUE(IsAllowed("FAKE", flags));
  // The window's design states: verified, good and neutral pass.
  const AllowFlags defaults = AllowFlagsFrom(SettingsFields{});
  EXPECT_TRUE(IsAllowed("GOOD", defaults));
  EXPECT_TRUE(IsAllowed("NOTFOUND", defaults));
  EXPECT_FALSE(IsAllowed("BAD", defaults));
  EXPECT_FALSE(IsAllowed("FAKE", defaults));
}

}  // namespace
}  // namespace brisvane
