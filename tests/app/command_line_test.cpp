#include "app/command_line.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

struct Case {
  const char* line;
  const char* arguments;
};

// How Windows starts the program: the name quoted or not, one torrent path usually quoted.
TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterItKeepingTheRest) {
  const Case cases[] = {
      {R"("C:\Program Files\Brisvane\Brisvane.exe" "C:\My Torrents\a b.torrent")",
       R"("C:\My Torrents\a b.torrent")"},
      {R"(C:\Brisvane\Brisvane.exe C:\t\a.torrent)", R"(C:\t\a.torrent)"},
      {"Brisvane.exe \t  \"x.torrent\"", "\"x.torrent\""},
      {"Brisvane.exe\t\"x.torrent\"", "\"x.torrent\""},
      // Inner and trailing blanks and every quote of the rest stay as they are.
      {R"("C:\B v\b.exe"  "p q.torrent"  "r.torrent"  )", R"("p q.torrent"  "r.torrent"  )"},
      {R"(b.exe a"b"c "" d)", R"(a"b"c "" d)"},
  };
  for (const Case& c : cases) EXPECT_EQ(ArgumentText(c.line), c.arguments) << c.line;
}

TEST(ArgumentText, NoArgumentsGiveAnEmptyText) {
  for (const char* line : {"", "Brisvane.exe", "Brisvane.exe   ", R"("C:\Program Files\Brisvane\Brisvane.exe")",
                           R"("C:\Program Files\Brisvane\Brisvane.exe" )"}) {
    EXPECT_EQ(ArgumentText(line), "") << line;
  }
}

// Windows ends a quoted name at its closing quote even when no blank follows, and an unclosed quote takes
// the whole line as the name.
TEST(ArgumentText, QuotedNameEndsAtItsClosingQuote) {
  EXPECT_EQ(ArgumentText(R"("C:\B v\b.exe"x.torrent)"), "x.torrent");
  EXPECT_EQ(ArgumentText(R"("C:\B v\b.exe x.torrent)"), "");
  // A quote inside an unquoted name does not open a quoted part of the name.
  EXPECT_EQ(ArgumentText(R"(C:\a"b c"\b.exe x)"), R"(c"\b.exe x)");
}

// A line that starts with a blank has an empty program name, as in Windows' own splitting.
TEST(ArgumentText, LeadingBlankMeansAnEmptyProgramName) {
  EXPECT_EQ(ArgumentText("  b.exe x"), "b.exe x");
}

TEST(ArgumentText, Utf8PassesThroughUntouched) {
  EXPECT_EQ(ArgumentText("\"C:\\Pr\xC3\xB6gramme\\b.exe\" \"D:\\\xE6\x97\xA5\xE6\x9C\xAC.torrent\""),
            "\"D:\\\xE6\x97\xA5\xE6\x9C\xAC.torrent\"");
}

}  // namespace
}  // namespace brisvane
