// ForceForeground: the calls it makes on the window manager, in order, and what it answers.
#include "notify/foreground.h"

#include <gtest/gtest.h>

#include "notify/notify_fakes.h"

namespace brisvane {
namespace {

using Calls = std::vector<std::string>;

class ForceForegroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop.Add({0x100, 0, 0, 100, 100, 7, 70});  // another program's window, in front
    desktop.Add({0x200, 0, 0, 100, 100, 9, 90});  // ours
    desktop.Add({0x300, 0, 0, 100, 100, 9, 90, 0, /*iconic=*/true});
    desktop.foreground = 0x100;
  }
  testing::FakeDesktopWindows desktop;
};

TEST_F(ForceForegroundTest, AlreadyInFrontDoesNothingElse) {
  desktop.foreground = 0x200;
  EXPECT_TRUE(ForceForeground(desktop, 0x200));
  EXPECT_EQ(desktop.calls, Calls{"ForegroundWindow"});
}

TEST_F(ForceForegroundTest, OtherThreadIsAttachedAroundTheSwitchThenShown) {
  EXPECT_TRUE(ForceForeground(desktop, 0x200));
  EXPECT_EQ(desktop.calls, (Calls{"ForegroundWindow", "Attach 70 90", "SetForegroundWindow 512", "Detach 70 90",
                                  "Show 512"}));
  EXPECT_EQ(desktop.foreground, 0x200u);
}

TEST_F(ForceForegroundTest, SameThreadSwitchesDirectlyAndAMinimisedWindowIsRestored) {
  desktop.foreground = 0x200;
  EXPECT_TRUE(ForceForeground(desktop, 0x300));
  EXPECT_EQ(desktop.calls, (Calls{"ForegroundWindow", "SetForegroundWindow 768", "Restore 768"}));
}

TEST_F(ForceForegroundTest, RefusalIsReportedAndTheWindowStillShown) {
  desktop.allow_foreground = false;
  EXPECT_FALSE(ForceForeground(desktop, 0x200));
  EXPECT_EQ(desktop.calls.back(), "Show 512");
  EXPECT_EQ(desktop.calls[3], "Detach 70 90");  // detached even when refused
}

TEST_F(ForceForegroundTest, NoForegroundWindowAtAll) {
  desktop.foreground = 0;  // thread 0 differs from ours: attach is tried and harmless
  EXPECT_TRUE(ForceForeground(desktop, 0x200));
  EXPECT_EQ(desktop.foreground, 0x200u);
}

}  // namespace
}  // namespace brisvane
