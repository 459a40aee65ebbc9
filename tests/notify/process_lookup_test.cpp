// Which program a process runs, and the Abort/Retry/Ignore state of the process table's service; bringing a
// window to the front. (Which process owns a window: the popup's task-bar tests.)
#include "notify/process_lookup.h"

#include <gtest/gtest.h>

#include "notify/foreground.h"
#include "support/fakes.h"

namespace brisvane {
namespace {

// The first readable record of the id; a failed connection is said at the next lookup, where Ignore,
// Retry and Abort are honoured.
TEST(ExecutablePathOf, FirstReadableRecordOfTheIdAndAFailedConnectionAskedAboutNextTime) {
  testing::FakeProcessTables tables;
  testing::FakePrompt prompt;
  testing::FakeFormHost host;
  ProcessLookup lookup{tables, prompt, host};
  tables.records = {
      {0, std::nullopt},                                // the idle process: no readable path
      {8, std::nullopt},                                // properties unreadable
      {8, std::string("C:\\Windows\\explorer.exe")},    // same id again: the first readable one counts
      {12, std::string("C:\\Client\\client.exe")},
  };
  EXPECT_EQ(lookup.ExecutablePathOf(0), "");
  EXPECT_EQ(lookup.ExecutablePathOf(99), "");
  tables.connect_results = {false, false};
  EXPECT_EQ(lookup.ExecutablePathOf(8), "");
  EXPECT_TRUE(prompt.shown.empty());

  prompt.answers = {PromptAnswer::Ignore, PromptAnswer::Retry, PromptAnswer::Retry};
  EXPECT_EQ(lookup.ExecutablePathOf(8), "");  // Ignore: this lookup is skipped
  EXPECT_EQ(tables.connects, 3);
  EXPECT_EQ(lookup.ExecutablePathOf(8), "");  // Retry, which fails again
  EXPECT_EQ(tables.connects, 4);
  EXPECT_EQ(lookup.ExecutablePathOf(8), "C:\\Windows\\explorer.exe");  // Retry, connected in the same call
  EXPECT_EQ(prompt.shown.size(), 3u);
  EXPECT_EQ(prompt.shown[0], std::string(kWmiErrorTitle) + ": " + std::string(kWmiErrorText));
  EXPECT_EQ(lookup.ExecutablePathOf(12), "C:\\Client\\client.exe");  // connected: nothing asked
  EXPECT_EQ(prompt.shown.size(), 3u);

  ProcessLookup aborted{tables, prompt, host};
  tables.connect_results = {false};
  aborted.ExecutablePathOf(8);
  prompt.answers = {PromptAnswer::Abort};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(aborted.ExecutablePathOf(8), "");
  EXPECT_EQ(prompt.shown.size(), 4u);  // asked once, then left alone for the run
  EXPECT_EQ(tables.connects, 7);

  // A query that fails after connecting is no connection failure.
  ProcessLookup failing_query{tables, prompt, host};
  tables.query_succeeds = false;
  EXPECT_EQ(failing_query.ExecutablePathOf(8), "");
  tables.query_succeeds = true;
  EXPECT_EQ(failing_query.ExecutablePathOf(8), "C:\\Windows\\explorer.exe");
  EXPECT_EQ(prompt.shown.size(), 4u);
}

TEST(ForceForeground, AttachesToTheForegroundThreadAroundTheSwitchAndRestoresAMinimisedWindow) {
  testing::FakeDesktopWindows desktop;
  desktop.windows = {{1, 0, 0, 1, 1, 10, 100}, {2, 0, 0, 1, 1, 20, 200, 0, true}, {3, 0, 0, 1, 1, 20, 200}};
  desktop.foreground = 1;
  EXPECT_TRUE(ForceForeground(desktop, 2));
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"Attach 100 200", "SetForegroundWindow 2", "Detach 100 200",
                                                     "Restore 2"}));
  desktop.calls.clear();
  EXPECT_TRUE(ForceForeground(desktop, 2));  // already in front
  EXPECT_TRUE(desktop.calls.empty());
  desktop.allow_foreground = false;
  EXPECT_FALSE(ForceForeground(desktop, 3));  // same thread: no attaching; refused, yet shown
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"SetForegroundWindow 3", "Show 3"}));
}

}  // namespace
}  // namespace brisvane
