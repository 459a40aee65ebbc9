#include "csv_import.h"

#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using support::Hash;
using support::HashNumber;
using support::kSha1Abc;
using support::kSha1Empty;
using support::TempDir;
using support::WriteFile;

std::vector<RatedHash> Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseRatingsCsv(in);
}

// The message of the CsvError that `text` raises, or a note that it raised none.
std::string ParseError(const std::string& text) {
  try {
    Parse(text);
  } catch (const CsvError& error) {
    const std::string what = error.what();
    const std::string prefix = "line " + std::to_string(error.line()) + ": ";
    EXPECT_EQ(what.substr(0, prefix.size()), prefix);
    return what;
  }
  return "no error";
}

const std::string kAbc = kSha1Abc;
const std::string kEmpty = kSha1Empty;

TEST(RatingsCsv, ReadsTheUsualVariantsOfOneFile) {
  const std::vector<std::string> files = {
      "hash,rating\n" + kAbc + ",GOOD\n" + kEmpty + ",FAKE\n",
      kAbc + ",GOOD\n" + kEmpty + ",FAKE",                                    // no header, no final line break
      "\xEF\xBB\xBFHash,Rating\r\n" + kAbc + ",GOOD\r\n\r\n" + kEmpty + ",FAKE\r\n",  // spreadsheet export
      "\n  \n" + kAbc + " , GOOD\t\n\t\n\"" + kEmpty + "\",\"FAKE\"\n\n",     // blanks, blank lines, quotes
      "HASH,RATING\nA9993E364706816ABA3E25717850C26C9CD0D89D,GOOD\n" + kEmpty + ",FAKE\n",
  };
  for (const std::string& file : files) {
    const auto ratings = Parse(file);
    ASSERT_EQ(ratings.size(), 2u) << file;
    EXPECT_EQ(ratings[0].hash, Hash(kAbc));
    EXPECT_EQ(ratings[0].rating, Rating::kGood);
    EXPECT_EQ(ratings[1].hash, Hash(kEmpty));
    EXPECT_EQ(ratings[1].rating, Rating::kFake);
  }
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(Parse("hash,rating\n").empty());
  EXPECT_TRUE(Parse("\n\n\r\n").empty());
  std::string all;
  for (unsigned i = 0; i < 6; ++i) all += ToHex(HashNumber(i)) + "," + std::string(RatingWord(static_cast<Rating>(i))) + "\n";
  const auto six = Parse(all);
  ASSERT_EQ(six.size(), 6u);
  for (unsigned i = 0; i < 6; ++i) EXPECT_EQ(six[i].rating, static_cast<Rating>(i));
}

TEST(RatingsCsv, TheFirstBadLineIsNamedByItsNumber) {
  const std::string good = kAbc + ",GOOD\n";
  // Blank lines and the header count as lines.
  EXPECT_EQ(ParseError("hash,rating\n" + good + "\n" + kEmpty + ",good\n" + kEmpty + ",BAD\n"),
            "line 4: \"good\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)");
  EXPECT_EQ(ParseError(good + kAbc.substr(1) + ",BAD\n"),
            "line 2: \"" + kAbc.substr(1) + "\" is not an info-hash of 40 hexadecimal digits");
  EXPECT_EQ(ParseError(good + kAbc + "0,BAD\n"),
            "line 2: \"" + kAbc + "0\" is not an info-hash of 40 hexadecimal digits");
  EXPECT_EQ(ParseError("z" + kAbc.substr(1) + ",BAD\n"),
            "line 1: \"z" + kAbc.substr(1) + "\" is not an info-hash of 40 hexadecimal digits");
  EXPECT_EQ(ParseError(good + kEmpty + ",\n"), "line 2: \"\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)");
  EXPECT_EQ(ParseError(good + kEmpty + "\n"), "line 2: expected two fields \"hash,rating\", found 1");
  EXPECT_EQ(ParseError(good + ToHex(HashNumber(1)) + ",BAD\n" + kEmpty + ",BAD,2024-01-01\n"),
            "line 3: expected two fields \"hash,rating\", found 3");
  // A header is only a header at the top.
  EXPECT_EQ(ParseError(good + "hash,rating\n"), "line 2: \"hash\" is not an info-hash of 40 hexadecimal digits");
  // Control and non-ASCII bytes are shown escaped, long fields cut.
  EXPECT_EQ(ParseError(std::string("ab\0\xff,GOOD", 9)), "line 1: \"ab\\x00\\xff\" is not an info-hash of 40 hexadecimal digits");
  EXPECT_EQ(ParseError(std::string(100, 'a') + ",GOOD"),
            "line 1: \"" + std::string(48, 'a') + "...\" is not an info-hash of 40 hexadecimal digits");
  // The bad line may be the last one, without a line break.
  EXPECT_EQ(ParseError(good + kEmpty + ",MAYBE"),
            "line 2: \"MAYBE\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)");
}

TEST(RatingsCsv, AHashRatedTwiceInOneFileIsRefused) {
  // Also when the second time is spelt in upper case, or gives the same word again.
  EXPECT_EQ(ParseError(kAbc + ",GOOD\n" + kEmpty + ",BAD\nA9993E364706816ABA3E25717850C26C9CD0D89D,FAKE\n"),
            "line 3: hash " + kAbc + " is already rated on line 1");
  EXPECT_EQ(ParseError("\n" + kAbc + ",GOOD\n\n" + kAbc + ",GOOD\n"),
            "line 4: hash " + kAbc + " is already rated on line 2");
}

TEST(RatingsCsv, OverlongLinesAreRefusedWithoutReadingThemWhole) {
  EXPECT_EQ(ParseError(kAbc + ",GOOD\n" + std::string(5000, 'x') + "\n"), "line 2: longer than 1024 characters");
  EXPECT_EQ(ParseError(std::string(1025, ' ')), "line 1: longer than 1024 characters");
  // 1024 characters and a CR are still one line of 1024.
  EXPECT_EQ(ParseError(kAbc + "," + std::string(1024 - 41, 'G') + "\r\n"),
            "line 1: \"" + std::string(48, 'G') + "...\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)");
}

class RatingsImport : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string csv_ = dir_ / "ratings.csv";
  std::unique_ptr<RatingStore> store_ = OpenSqliteStore(dir_ / "ratings.db");
};

TEST_F(RatingsImport, ABadLineChangesNothing) {
  store_->Store(Hash(kAbc), Rating::kVerified);
  // The first lines are good and would replace a rating; line 5 spoils the file.
  WriteFile(csv_, "hash,rating\n" + kAbc + ",FAKE\n" + ToHex(HashNumber(1)) + ",BAD\n" + ToHex(HashNumber(2)) +
                      ",GOOD\n" + ToHex(HashNumber(3)) + ",SPAM\n" + ToHex(HashNumber(4)) + ",GOOD\n");
  try {
    ImportRatingsCsv(*store_, csv_);
    ADD_FAILURE() << "the bad line went unnoticed";
  } catch (const CsvError& error) {
    EXPECT_EQ(error.line(), 5u);
  }
  EXPECT_EQ(store_->Count(), 1u);
  EXPECT_EQ(store_->Find(Hash(kAbc)), Rating::kVerified);
  EXPECT_EQ(store_->Find(HashNumber(1)), Rating::kNotFound);
}

TEST_F(RatingsImport, AGoodFileAddsAndReplacesRatings) {
  store_->Store(Hash(kAbc), Rating::kVerified);
  store_->Store(Hash(kEmpty), Rating::kNone);
  WriteFile(csv_, kAbc + ",FAKE\n" + ToHex(HashNumber(1)) + ",BAD\n");
  EXPECT_EQ(ImportRatingsCsv(*store_, csv_), 2u);
  EXPECT_EQ(store_->Find(Hash(kAbc)), Rating::kFake);
  EXPECT_EQ(store_->Find(HashNumber(1)), Rating::kBad);
  EXPECT_EQ(store_->Find(Hash(kEmpty)), Rating::kNone);  // not in the file, so kept
  EXPECT_EQ(store_->Count(), 3u);
}

TEST_F(RatingsImport, AFileThatCannotBeReadIsNamed) {
  try {
    ImportRatingsCsv(*store_, dir_ / "missing.csv");
    ADD_FAILURE();
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), (dir_ / "missing.csv") + ": No such file or directory");
  }
  try {
    ImportRatingsCsv(*store_, dir_ / "");
    ADD_FAILURE();
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("is a directory"), std::string::npos) << error.what();
  }
  EXPECT_EQ(store_->Count(), 0u);
}

}  // namespace
}  // namespace brisvane::reputation
