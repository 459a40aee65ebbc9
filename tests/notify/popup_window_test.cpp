// The popup: its ten-second life, the measuring of long names, the placement above the task bar, the
// slides and the hold.
#include "notify/popup_window.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace brisvane {
namespace {

using testing::FakeForm;

// A 1920 x 1080 monitor; the tests put a task bar or other windows on it.
struct Tray {
  static constexpr std::uint32_t kShellPid = 1300;
  static constexpr Color kGreenish = 0x00C000;
  testing::FakeFormHost host;
  testing::FakeDesktopWindows desktop;
  testing::FakeProcessTables tables;
  testing::FakePrompt prompt;
  testing::FakeClock clock;
  ProcessLookup lookup{tables, prompt, host};
  PopupWindow popup{host, desktop, lookup, clock};
  TrayScreen screen{"C:\\WINDOWS"};
  PopupContent content{"a.torrent", "GOOD", kGreenish, "Allowed"};

  Tray() {
    tables.records = {{4, std::nullopt},
                      {kShellPid, std::string("C:\\Windows\\explorer.exe")},
                      {2000, std::string("C:\\Tools\\explorer.exe")}};
  }
  FakeForm& Form() { return *host.Find(popup); }
  void TaskBar(int top, std::uint32_t pid = kShellPid) {
    desktop.windows.push_back({0x500, 0, top, 1920, 1080, pid, 13});             // the bar
    desktop.windows.push_back({0x501, 1700, top, 1920, 1080, 0, 13, 0x500});     // its clock, a child
  }
  // The moves of one presentation, in pixels: placed at the bottom row `y` at the right edge, one row
  // at a time up until the bottom edge is on `y`, then back down until the top edge is there.
  void ExpectSlides(FakeForm& form, int y) {
    int width = 0, height = 0;
    form.OuterPixels(width, height);
    std::vector<FakeForm::Position> expected{{1920 - width, y}};
    for (int top = y - 1; top >= y - height; --top) expected.push_back({1920 - width, top});
    for (int top = y - height + 1; top <= y; ++top) expected.push_back({1920 - width, top});
    EXPECT_EQ(form.moves, expected);
  }
};

class PopupTest : public ::testing::Test, public Tray {};

TEST_F(PopupTest, ShowsTheVerdictRisingFromJustAboveTheTaskBarAndHoldsItEightToNineSeconds) {
  TaskBar(1040);
  std::vector<std::size_t> moves_at_pump;
  host.on_pump = [&] { moves_at_pump.push_back(Form().moves.size()); };
  popup.Present(content, screen);
  FakeForm& form = Form();
  // Its texts are read off the real popup by the end-to-end checks.
  EXPECT_EQ(form.At(PopupWindow::kRating).color, kGreenish);
  EXPECT_TRUE(form.visible);
  EXPECT_EQ(desktop.foreground, form.handle);
  ExpectSlides(form, 1039);
  EXPECT_EQ(form.moves.size(), 1u + 2u * 96u);  // 1440 twips tall: 96 rows each way at 96 dpi
  // Messages are processed during the process lookup and the hold, never during a slide.
  for (const std::size_t moves : moves_at_pump) EXPECT_TRUE(moves == 0 || moves == 97) << moves;
  EXPECT_EQ(clock.slept, PopupWindow::kHold);
  EXPECT_EQ(form.timers.at(PopupWindow::kLifetimeTimer), 10000u);
}

// At any DPI: the popup's own size grows with it, the screen and the task bar stay in pixels.
TEST_F(PopupTest, FindsTheTaskBarOnlyWhenTheShellOwnsTheWholeBottomEdge) {
  struct Case {
    const char* what;
    std::function<void(Tray&)> arrange;
    int row;
    int dpi = 96;
  };
  const Case cases[] = {
      {"nothing at the corner", [](Tray&) {}, 1079},
      {"a child of the bar at the corner",
       [](Tray& t) {
         t.TaskBar(1040);
         t.desktop.windows.push_back({0x600, 1900, 1060, 1920, 1080, 0, 13, 0x500});
       },
       1059},
      {"another program's explorer.exe", [](Tray& t) { t.TaskBar(1040, 2000); }, 1079},
      {"a shell window only in the corner",
       [](Tray& t) {
         t.desktop.windows.push_back({0x700, 1800, 1000, 1920, 1080, kShellPid, 13});
         t.desktop.windows.push_back({0x701, 0, 1000, 1800, 1080, 4, 2});
       },
       1079},
      {"the task bar at 144 dpi", [](Tray& t) { t.TaskBar(1040); }, 1039, 144},
  };
  for (const Case& c : cases) {
    Tray t;
    t.host.dpi = c.dpi;
    c.arrange(t);
    t.popup.Present(t.content, t.screen);
    SCOPED_TRACE(c.what);
    t.ExpectSlides(t.Form(), c.row);
  }
}

TEST_F(PopupTest, ClosedDuringTheHoldOrTheLookupItIsNotMovedAgain) {
  TaskBar(1040);
  int pumps = 0;
  host.on_pump = [&] {
    if (++pumps == 20) popup.Close();
  };
  popup.Present(content, screen);
  EXPECT_EQ(host.Find(popup), nullptr);
  EXPECT_TRUE(host.quit);
  EXPECT_LT(clock.slept, std::chrono::seconds{3});  // held no longer once closed

  // Closed while the process lookup pumps: never shown at all.
  tables.records.insert(tables.records.begin(), {77, std::string("C:\\x.exe")});
  testing::FakeForm* second = nullptr;
  host.on_pump = [&] {
    if (!second) second = host.Find(popup);
    popup.Close();
  };
  popup.Present(content, screen);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->moves.empty());
  EXPECT_FALSE(second->visible);
}

TEST_F(PopupTest, LongNamesWidenThePopupWhichNeverShrinksWhileItLives) {
  host.measure = [](const std::string& text) {
    return text == "fits" ? 4710 : text == "wider" ? 4711 : text == "widest" ? 9000 : 1000;
  };
  const auto present = [&](const char* name) {
    content.file_name = name;
    popup.Present(content, screen);
  };
  present("fits");
  EXPECT_EQ(Form().At(PopupWindow::kFileName).width, 2205);
  present("wider");
  EXPECT_EQ(Form().outer_width, 3051);  // 4711 / 2 + 695, rounded
  EXPECT_EQ(Form().At(PopupWindow::kFileName).width, 2556);
  present("widest");
  present("short");
  EXPECT_EQ(Form().outer_width, 5195);
  EXPECT_EQ(Form().At(PopupWindow::kFileName).width, 2205);
}

TEST(WaitProcessingMessages, HoldsOnTheMonotonicClockWhateverTheWallClockDoes) {
  testing::FakeClock clock;
  testing::FakeFormHost host;
  host.on_pump = [&] {
    if (host.pumps == 3) clock.now -= std::chrono::hours{1};  // the end of daylight saving
  };
  WaitProcessingMessages(clock, host, PopupWindow::kHold);
  EXPECT_EQ(clock.slept, PopupWindow::kHold);
}

}  // namespace
}  // namespace brisvane
