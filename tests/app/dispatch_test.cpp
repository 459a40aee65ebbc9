#include "app/dispatch.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

SettingsFields Flags(int verified, int good, int neutral, int bad, int fake) {
  SettingsFields f;
  f.allow_verified = verified, f.allow_good = good, f.allow_neutral = neutral, f.allow_bad = bad,
  f.allow_fake = fake;
  return f;
}

TEST(RatingColors, BothTablesForEveryWordAndFlag) {
  const SettingsFields on = Flags(1, 1, 1, 1, 1);
  const SettingsFields off = Flags(0, 0, 0, 0, 0);
  struct Row {
    const char* word;
    std::optional<Color> main_on, main_off, popup_on, popup_off;
  };
  const Row rows[] = {
      {"VERIFIED", kGreen, kRed, kGreen, kRed}, {"GOOD", kGreen, kRed, kGreen, kRed},
      {"NONE", kBlue, kRed, kBlue, kRed},       {"NOTFOUND", std::nullopt, std::nullopt, kBlue, kRed},
      {"BAD", kBlue, kRed, std::nullopt, kRed}, {"FAKE", kBlue, kRed, std::nullopt, kRed},
      {"good", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(MainRatingColor(r.word, on), r.main_on) << r.word;
    EXPECT_EQ(MainRatingColor(r.word, off), r.main_off) << r.word;
    EXPECT_EQ(PopupRatingColor(r.word, on), r.popup_on) << r.word;
    EXPECT_EQ(PopupRatingColor(r.word, off), r.popup_off) << r.word;
  }
  // A flag counts as on only when it is exactly 1.
  EXPECT_EQ(MainRatingColor("GOOD", Flags(1, 2, 1, 0, 0)), kRed);
}

TEST(GetFileName, TextAfterTheLastBackslashOnly) {
  EXPECT_EQ(GetFileName("C:\\dl\\x.torrent"), "x.torrent");
  EXPECT_EQ(GetFileName("x.torrent"), "");
  EXPECT_EQ(GetFileName(""), "");
  EXPECT_EQ(GetFileName("C:\\dl\\"), "");
  EXPECT_EQ(GetFileName("/home/a/x.torrent"), "");
}

TEST(LaunchCommandLine, ProgramAsTypedThenTheQuotedTorrent) {
  EXPECT_EQ(LaunchCommandLine("notepad", "C:\\dl\\a.torrent"), "notepad \"C:\\dl\\a.torrent\"");
  EXPECT_EQ(LaunchCommandLine("C:\\Program Files\\App\\app.exe", "C:\\a b.torrent"),
            "C:\\Program Files\\App\\app.exe \"C:\\a b.torrent\"");
  EXPECT_EQ(LaunchCommandLine("", "C:\\a.torrent"), " \"C:\\a.torrent\"");
}

}  // namespace
}  // namespace brisvane
