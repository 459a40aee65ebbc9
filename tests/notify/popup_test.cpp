// The popup: its table, its ten-second life, the measuring of long names, the placement above the task
// bar and the slides, and Delay.
#include "notify/popup.h"

#include <gtest/gtest.h>

#include <cmath>

#include "notify/notify_fakes.h"
#include "support/fake_desktop.h"

namespace brisvane {
namespace {

using testing::FakeForm;

// The pixel row a top edge in twips lands on at 15 twips per pixel.
int Row(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

TEST(FrmPopUpTable, CaptionToolWindowAndTwoLineNameField) {
  const FormSpec& spec = FrmPopUp::Spec();
  EXPECT_EQ(spec.caption, "Brisvane");
  EXPECT_TRUE(spec.tool_window);
  EXPECT_FALSE(spec.resizable);
  EXPECT_EQ(spec.client_width, 2610);
  EXPECT_EQ(spec.client_height, 1035);
  int labels = 0;
  for (const ControlSpec& c : spec.controls) {
    if (c.id == FrmPopUp::lblfile) {
      EXPECT_EQ(c.kind, ControlKind::HashField);
      EXPECT_TRUE(c.multiline);
      EXPECT_EQ(c.width, 2355);
    }
    if (c.caption == "File:" || c.caption == "Rating:" || c.caption == "Action:") ++labels;
  }
  EXPECT_EQ(labels, 3);
}

class PopUpTest : public ::testing::Test {
 protected:
  testing::FakeFormHost host;
  FrmPopUp popup{host};
  FakeForm& Form() { return host.Get(popup); }
};

TEST_F(PopUpTest, FirstFieldLoadsItWithItsTimerWhichClosesIt) {
  EXPECT_FALSE(popup.IsLoaded());
  popup.SetRating("GOOD", Color{0x00C000});
  ASSERT_TRUE(popup.IsLoaded());
  EXPECT_EQ(Form().timers.at(FrmPopUp::Timer1), 10000u);
  EXPECT_EQ(Form().At(FrmPopUp::lblRating).text, "GOOD");
  EXPECT_EQ(Form().At(FrmPopUp::lblRating).color, Color{0x00C000});
  popup.SetAction("Allowed");
  popup.SetFile("a.torrent");
  EXPECT_EQ(host.load_order.size(), 1u);  // the later fields reuse it

  ASSERT_TRUE(host.FireTimer(popup, FrmPopUp::Timer1));
  EXPECT_FALSE(popup.IsLoaded());
  popup.SetAction("Blocked");  // the next notification gets a fresh one
  EXPECT_EQ(host.load_order.size(), 2u);
  EXPECT_EQ(Form().At(FrmPopUp::lblRating).text, "");
  EXPECT_EQ(Form().At(FrmPopUp::lblAction).text, "Blocked");
}

TEST_F(PopUpTest, NamesUpTo4710TwipsKeepTheDesignWidth) {
  host.measure = [](const std::string& text) { return text == "wide" ? 4710 : 0; };
  popup.SetFile("wide");
  const int design = Form().outer_width;
  EXPECT_EQ(Form().At(FrmPopUp::lblfile).width, 2205);
  EXPECT_EQ(Form().At(FrmPopUp::lblResize).text, "wide");
  EXPECT_EQ(Form().outer_width, design);
}

TEST_F(PopUpTest, WiderNamesWidenBothAndAShorterOneNeverShrinksThePopup) {
  host.measure = [](const std::string& text) { return text == "wider" ? 4711 : text == "widest" ? 9000 : 1000; };
  popup.SetFile("wider");
  EXPECT_EQ(Form().outer_width, 3051);  // 4711 / 2 + 695, rounded
  EXPECT_EQ(Form().At(FrmPopUp::lblfile).width, 2556);
  popup.SetFile("widest");
  EXPECT_EQ(Form().outer_width, 5195);
  EXPECT_EQ(Form().At(FrmPopUp::lblfile).width, 4700);
  popup.SetFile("short");
  EXPECT_EQ(Form().outer_width, 5195);
  EXPECT_EQ(Form().At(FrmPopUp::lblfile).width, 2205);
}

TEST_F(PopUpTest, TheSameNameTwiceMeasuresOnce) {
  int measured = 0;
  host.measure = [&](const std::string&) { return ++measured, 6000; };
  popup.SetFile("same.torrent");
  popup.SetFile("same.torrent");
  EXPECT_EQ(measured, 1);
  popup.SetFile("other.torrent");
  EXPECT_EQ(measured, 2);
}

// A 1920 x 1080 monitor; the tests put a task bar or other windows on it.
class DisplayTest : public PopUpTest {
 protected:
  static constexpr std::uint32_t kShellPid = 1300;
  testing::FakeDesktopWindows desktop;
  testing::FakeProcessTables tables;
  testing::FakePrompt prompt;
  testing::FakeClock clock{testing::FakeClock().Now(), std::chrono::milliseconds{400}};
  ProcessLookup lookup{tables, prompt, host};
  TrayScreen screen{1920, 1080, "C:\\WINDOWS"};

  void SetUp() override {
    tables.records = {{4, std::nullopt},
                      {kShellPid, std::string("C:\\Windows\\explorer.exe")},
                      {2000, std::string("C:\\Tools\\explorer.exe")}};
    popup.SetFile("a.torrent");
    popup.SetRating("GOOD");
    popup.SetAction("Allowed");
  }
  void TaskBar(int top, std::uint32_t pid = kShellPid) {
    desktop.Add({0x500, 0, top, 1920, 1080, pid, 13});  // the bar
    desktop.Add({0x501, 1700, top, 1920, 1080, 0, 13, 0x500});  // its clock, a child without a process
  }
  void Display() { DisplayTrayPopUP(popup, TrayServices{host, desktop, lookup, clock}, screen); }

  // Checks the moves after the placement: one pixel row at a time from the bottom row `y` up to where the
  // bottom edge is on `y`, and back.
  void ExpectSlides(int y) {
    const FakeForm& form = Form();
    const int height = form.outer_height;
    const int left = 1920 * 15 - form.outer_width;
    ASSERT_FALSE(form.moves.empty());
    EXPECT_EQ(form.moves.front(), (FakeForm::Position{left, y * 15 - 1}));
    int row = Row(y * 15 - 1);
    std::size_t i = 1;
    for (; i < form.moves.size() && Row(form.moves[i].top) < row; ++i) {
      EXPECT_EQ(form.moves[i].left, left);
      EXPECT_EQ(Row(form.moves[i].top), row - 1) << "move " << i;
      row = Row(form.moves[i].top);
    }
    EXPECT_EQ(row, Row(y * 15 - height)) << "the slide up ends with the bottom edge on row " << y;
    for (; i < form.moves.size(); ++i) {
      EXPECT_EQ(form.moves[i].left, left);
      EXPECT_EQ(Row(form.moves[i].top), row + 1) << "move " << i;
      row = Row(form.moves[i].top);
    }
    EXPECT_EQ(row, y) << "the slide down ends with the top edge on row " << y;
  }
};

TEST_F(DisplayTest, RisesFromJustAboveTheTaskBarAtTheRightEdge) {
  TaskBar(1040);
  Display();
  EXPECT_TRUE(Form().visible);
  ExpectSlides(1039);
  EXPECT_EQ(Form().moves.size(), 1u + 2u * 96u);  // 1440 twips tall: 96 rows each way
  EXPECT_EQ(desktop.foreground, Form().handle);
}

TEST_F(DisplayTest, ChildWindowOfTheShellAtTheCornerFindsTheBarThroughItsParent) {
  TaskBar(1040);
  desktop.Add({0x600, 1900, 1060, 1920, 1080, 0, 13, 0x500});
  Display();
  // The corner window is the child: rows above it belong to the bar, which is not the corner window.
  ExpectSlides(1059);
}

TEST_F(DisplayTest, WithoutAShellWindowAtTheCornerItRisesFromTheBottomRow) {
  Display();  // nothing there at all
  ExpectSlides(1079);
  EXPECT_EQ(tables.opened, 0);
}

TEST_F(DisplayTest, ABarOfAnotherProgramOrElsewhereIsNotTheTaskBar) {
  TaskBar(1040, 2000);  // an explorer.exe, but not the Windows folder's
  Display();
  ExpectSlides(1079);
}

TEST_F(DisplayTest, AShellWindowOnlyInTheCornerIsNotABar) {
  desktop.Add({0x700, 1800, 1000, 1920, 1080, kShellPid, 13});
  desktop.Add({0x701, 0, 1000, 1800, 1080, 4, 2});
  Display();
  ExpectSlides(1079);
}

TEST_F(DisplayTest, SlidesProcessNoMessagesAndTheHoldIsEightToNineSeconds) {
  TaskBar(1040);
  std::vector<std::size_t> moves_at_pump;
  host.on_pump = [&] { moves_at_pump.push_back(Form().moves.size()); };
  Display();
  // Pumps came in the lookup (before any move) and in the hold (after the whole slide up); the slide
  // down came after the last.
  ASSERT_FALSE(moves_at_pump.empty());
  for (const std::size_t moves : moves_at_pump) EXPECT_TRUE(moves == 0 || moves == 97) << moves;
  EXPECT_EQ(moves_at_pump.back(), 97u);
  EXPECT_EQ(Form().moves.size(), 193u);
  EXPECT_GE(clock.slept, std::chrono::seconds{8});
  EXPECT_LE(clock.slept, std::chrono::seconds{9});
}

TEST_F(DisplayTest, ClosedDuringTheHoldItIsNotMovedAgain) {
  TaskBar(1040);
  FakeForm& form = Form();
  std::size_t moves_at_close = 0;
  int pumps = 0;
  host.on_pump = [&] {
    if (++pumps != 20) return;
    host.FireTimer(popup, FrmPopUp::Timer1);
    moves_at_close = form.moves.size();
  };
  Display();
  EXPECT_FALSE(popup.IsLoaded());
  EXPECT_EQ(moves_at_close, 97u);
  EXPECT_EQ(form.moves.size(), 97u);
  EXPECT_FALSE(form.visible);
}

TEST_F(DisplayTest, ClosedDuringTheProcessLookupItIsNeverShown) {
  TaskBar(1040);
  FakeForm& form = Form();
  host.on_pump = [&] { host.FireTimer(popup, FrmPopUp::Timer1); };
  tables.records.insert(tables.records.begin(), {77, std::string("C:\\x.exe")});
  Display();
  EXPECT_FALSE(popup.IsLoaded());
  EXPECT_FALSE(form.visible);
  EXPECT_TRUE(form.moves.empty());
  EXPECT_EQ(host.LoadedCount(), 0);
}

TEST(Delay, ReturnsOnceTheWholeSecondClockIsPastTheEnd) {
  for (const int phase_ms : {0, 999}) {
    testing::FakeClock clock{testing::FakeClock().Now(), std::chrono::milliseconds{phase_ms}};
    testing::FakeFormHost host;
    Delay(clock, host, 8);
    // From the start of the second the clock showed to past the end: more than 8 s, at most 9 s after it.
    const auto waited = clock.slept + std::chrono::milliseconds{phase_ms};
    EXPECT_GT(waited, std::chrono::seconds{8}) << phase_ms;
    EXPECT_LE(waited, std::chrono::milliseconds{9100}) << phase_ms;
    EXPECT_EQ(host.pumps, static_cast<int>(clock.slept.count() / 100));  // one pump per 100 ms sleep
  }
}

TEST(Delay, ZeroAndFractionsEndWithinASecondAndNonsenseIsRefused) {
  testing::FakeClock clock{testing::FakeClock().Now(), std::chrono::milliseconds{300}};
  testing::FakeFormHost host;
  Delay(clock, host, 0);
  EXPECT_EQ(clock.slept, std::chrono::milliseconds{700});
  Delay(clock, host, 0.5);  // now on a whole second: the end is half a second on, the clock shows 1 s
  EXPECT_EQ(clock.slept, std::chrono::milliseconds{1700});
  Delay(clock, host, -3);  // already past
  EXPECT_EQ(clock.slept, std::chrono::milliseconds{1700});
  EXPECT_THROW(Delay(clock, host, std::nan("")), std::invalid_argument);
  EXPECT_THROW(Delay(clock, host, INFINITY), std::invalid_argument);
}

}  // namespace
}  // namespace brisvane
