#include "rating.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using support::kSha1Abc;

TEST(InfoHashText, EitherCaseGivesTheSameBytesAndPrintsLowerCase) {
  const auto lower = ParseInfoHash(kSha1Abc);
  const auto upper = ParseInfoHash("A9993E364706816ABA3E25717850C26C9CD0D89D");
  const auto mixed = ParseInfoHash("a9993E364706816aba3e25717850c26c9cd0D89d");
  ASSERT_TRUE(lower && upper && mixed);
  EXPECT_EQ(*lower, *upper);
  EXPECT_EQ(*lower, *mixed);
  EXPECT_EQ((*lower)[0], 0xa9);
  EXPECT_EQ((*lower)[19], 0x9d);
  EXPECT_EQ(ToHex(*upper), kSha1Abc);
}

TEST(InfoHashText, AnythingButFortyHexDigitsIsRefused) {
  const std::string good = kSha1Abc;
  for (const std::string& text : {
           std::string(), good.substr(0, 39), good + "0", good + "\n", " " + good, good.substr(0, 39) + " ",
           good.substr(0, 39) + "g", "0x" + good.substr(0, 38), good.substr(0, 20) + std::string(1, '\0') +
           good.substr(21), good.substr(0, 10) + "-" + good.substr(11), std::string(40, 'G'),
           // Neighbours of the digit ranges in ASCII.
           std::string(40, '/'), std::string(40, ':'), std::string(40, '@'), std::string(40, '`'),
       }) {
    EXPECT_FALSE(ParseInfoHash(text)) << testing::PrintToString(text);
  }
  EXPECT_TRUE(ParseInfoHash(std::string(40, 'f')));
  EXPECT_TRUE(ParseInfoHash(std::string(40, 'F')));
  EXPECT_TRUE(ParseInfoHash(std::string(40, '0')));
  EXPECT_TRUE(ParseInfoHash(std::string(40, '9')));
}

TEST(RatingWords, SixWordsWholeAndCaseSensitive) {
  const std::vector<std::pair<std::string, Rating>> words = {
      {"VERIFIED", Rating::kVerified}, {"GOOD", Rating::kGood}, {"NONE", Rating::kNone},
      {"NOTFOUND", Rating::kNotFound}, {"BAD", Rating::kBad},   {"FAKE", Rating::kFake}};
  for (const auto& [word, rating] : words) {
    EXPECT_EQ(ParseRating(word), rating);
    EXPECT_EQ(RatingWord(rating), word);
  }
  for (const char* text : {"good", "Good", "GOOD ", " GOOD", "GOOD\n", "GOO", "", "NOT FOUND", "UNKNOWN"}) {
    EXPECT_FALSE(ParseRating(text)) << text;
  }
}

TEST(RatingWords, CodesAreTheOnesInTheDatabase) {
  // Databases made earlier hold these numbers.
  EXPECT_EQ(RatingFromCode(0), Rating::kVerified);
  EXPECT_EQ(RatingFromCode(1), Rating::kGood);
  EXPECT_EQ(RatingFromCode(2), Rating::kNone);
  EXPECT_EQ(RatingFromCode(3), Rating::kNotFound);
  EXPECT_EQ(RatingFromCode(4), Rating::kBad);
  EXPECT_EQ(RatingFromCode(5), Rating::kFake);
  EXPECT_FALSE(RatingFromCode(-1));
  EXPECT_FALSE(RatingFromCode(6));
}

}  // namespace
}  // namespace brisvane::reputation
