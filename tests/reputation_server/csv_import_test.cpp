#include "csv_import.h"

#include <sstream>

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using namespace support;

std::vector<RatedHash> Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseRatingsCsv(in);
}

const std::string kAbc = kSha1Abc;
const std::string kOther = HexNumber(1);

TEST(RatingsCsv, ReadsTheUsualVariantsOfOneFile) {
  for (const std::string& file : {
           "hash,rating\n" + kAbc + ",GOOD\n" + kOther + ",FAKE\n",
           kAbc + ",GOOD\n" + kOther + ",FAKE",                                            // no final line break
           "\xEF\xBB\xBFHash,Rating\r\n" + kAbc + ",GOOD\r\n\r\n" + kOther + ",FAKE\r\n",  // spreadsheet export
           "\n  \n" + kAbc + " , GOOD\t\n\t\n\"" + kOther + "\",\"FAKE\"\n\n",             // blanks and quotes
           "HASH,RATING\nA9993E364706816ABA3E25717850C26C9CD0D89D,GOOD\n" + kOther + ",FAKE\n",
       }) {
    const auto ratings = Parse(file);
    ASSERT_EQ(ratings.size(), 2u) << file;
    EXPECT_EQ(ToHex(ratings[0].hash), kAbc);
    EXPECT_EQ(ratings[0].rating, Rating::kGood);
    EXPECT_EQ(ToHex(ratings[1].hash), kOther);
    EXPECT_EQ(ratings[1].rating, Rating::kFake);
  }
  for (const char* empty : {"", "hash,rating\n", "\n\n\r\n"}) EXPECT_TRUE(Parse(empty).empty()) << empty;
}

// Files and how their message begins: the first bad line by its number (blank lines and the header
// count), and what is wrong with it.
TEST(RatingsCsv, TheFirstBadLineIsNamedWithWhatIsWrong) {
  const std::string good = kAbc + ",GOOD\n";
  const std::string no_hash = "\" is not an info-hash of 40 hexadecimal digits";
  const std::pair<std::string, std::string> cases[] = {
      {"hash,rating\n" + good + "\n" + kOther + ",good\n" + kOther + ",BAD\n",
       "line 4: \"good\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)"},
      {good + kOther + ",\n", "line 2: \"\" is not a rating"},
      {good + kOther + ",MAYBE", "line 2: \"MAYBE\" is not a rating"},  // the last line, without a line break
      {good + kAbc.substr(1) + ",BAD\n", "line 2: \"" + kAbc.substr(1) + no_hash},
      {good + kAbc + "0,BAD\n", "line 2: \"" + kAbc + "0" + no_hash},
      {good + "hash,rating\n", "line 2: \"hash" + no_hash},  // a header is one only at the top
      {std::string("ab\0\xff,GOOD", 9), "line 1: \"ab\\x00\\xff" + no_hash},  // shown escaped
      {std::string(100, 'a') + ",GOOD", "line 1: \"" + std::string(48, 'a') + "..." + no_hash},  // and cut
      {good + kOther + "\n", "line 2: expected two fields \"hash,rating\", found 1"},
      {good + kOther + ",BAD,2024-01-01\n", "line 2: expected two fields \"hash,rating\", found 3"},
      // A hash rated twice, also when spelt in upper case or given the same word again.
      {good + kOther + ",BAD\nA9993E364706816ABA3E25717850C26C9CD0D89D,FAKE\n",
       "line 3: hash " + kAbc + " is already rated on line 1"},
      {"\n" + good + "\n" + good, "line 4: hash " + kAbc + " is already rated on line 2"},
      // Refused without reading them whole; 1024 characters and a CR are still a line of 1024.
      {good + std::string(5000, 'x') + "\n", "line 2: longer than 1024 characters"},
      {std::string(1025, ' '), "line 1: longer than 1024 characters"},
      {kAbc + "," + std::string(1024 - 41, 'G') + "\r\n", "line 1: \"" + std::string(48, 'G') + "...\" is not a rating"},
  };
  for (const auto& [file, message] : cases) {
    EXPECT_EQ(Thrown<CsvError>([&] { Parse(file); }).substr(0, message.size()), message) << file;
  }
}

}  // namespace
}  // namespace brisvane::reputation
