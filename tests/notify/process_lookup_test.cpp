// getPIDfromHandle and getPathfromPID: the owner of a window, and the program file of a process with the
// failure flag and the user's last answer carried from one lookup to the next.
#include "notify/process_lookup.h"

#include <gtest/gtest.h>

#include "notify/notify_fakes.h"
#include "support/fake_desktop.h"

namespace brisvane {
namespace {

using testing::FakeDesktopWindows;

TEST(GetPidFromHandle, OwnProcessOrElseTheParentsOrNone) {
  FakeDesktopWindows desktop;
  desktop.Add({0x10, 0, 0, 10, 10, 40});
  desktop.Add({0x11, 0, 0, 10, 10, 0, 0, 0x10});    // a child that reports no process of its own
  desktop.Add({0x12, 0, 0, 10, 10, 0, 0, 0x999});   // its parent is gone
  EXPECT_EQ(getPIDfromHandle(desktop, 0x10), 40u);
  EXPECT_EQ(getPIDfromHandle(desktop, 0x11), 40u);
  EXPECT_EQ(getPIDfromHandle(desktop, 0x12), 0u);
  EXPECT_EQ(getPIDfromHandle(desktop, 0x777), 0u);  // no such window
}

class GetPathFromPid : public ::testing::Test {
 protected:
  testing::FakeProcessTables tables;
  testing::FakePrompt prompt;
  testing::FakeFormHost host;
  ProcessLookup lookup{tables, prompt, host};
  const std::string kPromptShown = std::string(kWmiErrorTitle) + ": " + std::string(kWmiErrorText);

  void SetUp() override {
    tables.records = {
        {0, std::nullopt},                                 // the idle process: no readable path
        {4, std::string()},                                // listed without a path
        {8, std::nullopt},                                 // properties unreadable
        {8, std::string("C:\\Windows\\explorer.exe")},     // same id again: the first readable one counts
        {12, std::string("C:\\Program Files\\Client\\client.exe")},
    };
  }
};

TEST_F(GetPathFromPid, FirstReadableRecordOfTheIdWins) {
  EXPECT_EQ(lookup.getPathfromPID(8), "C:\\Windows\\explorer.exe");
  EXPECT_EQ(lookup.getPathfromPID(12), "C:\\Program Files\\Client\\client.exe");
  EXPECT_EQ(lookup.getPathfromPID(4), "");
  EXPECT_EQ(lookup.getPathfromPID(0), "");
  EXPECT_EQ(lookup.getPathfromPID(99), "");
  EXPECT_EQ(tables.opened, 5);  // nothing kept open between lookups
  EXPECT_TRUE(prompt.shown.empty());
  EXPECT_FALSE(lookup.failure_flag());
}

TEST_F(GetPathFromPid, ProcessesMessagesAfterEachRecordThatDidNotMatch) {
  std::vector<int> pumps_at_record;
  tables.on_record = [&] { pumps_at_record.push_back(host.pumps); };
  EXPECT_EQ(lookup.getPathfromPID(12), "C:\\Program Files\\Client\\client.exe");
  EXPECT_EQ(pumps_at_record, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(host.pumps, 4);  // none after the match

  host.pumps = 0;
  EXPECT_EQ(lookup.getPathfromPID(99), "");
  EXPECT_EQ(host.pumps, 5);
}

TEST_F(GetPathFromPid, FailedConnectionIsSilentThenPromptsIgnoreSkipsRetryConnectsAtOnce) {
  tables.connect_results = {false};
  EXPECT_EQ(lookup.getPathfromPID(8), "");
  EXPECT_TRUE(prompt.shown.empty());
  EXPECT_TRUE(lookup.failure_flag());
  EXPECT_EQ(tables.connects, 1);

  prompt.answers = {PromptAnswer::Ignore};
  EXPECT_EQ(lookup.getPathfromPID(8), "");
  EXPECT_EQ(prompt.shown, std::vector<std::string>{kPromptShown});
  EXPECT_EQ(tables.connects, 1);  // Ignore skips this lookup
  EXPECT_TRUE(lookup.failure_flag());

  prompt.answers = {PromptAnswer::Retry};
  EXPECT_EQ(lookup.getPathfromPID(8), "C:\\Windows\\explorer.exe");
  EXPECT_EQ(prompt.shown.size(), 2u);
  EXPECT_EQ(tables.connects, 2);  // in the same call
  EXPECT_FALSE(lookup.failure_flag());
  EXPECT_EQ(lookup.last_answer(), PromptAnswer::Retry);

  // Connected once, the next lookup asks nothing even though the last answer stays Retry.
  EXPECT_EQ(lookup.getPathfromPID(12), "C:\\Program Files\\Client\\client.exe");
  EXPECT_EQ(prompt.shown.size(), 2u);
}

TEST_F(GetPathFromPid, RetryThatFailsAgainPromptsAgainNextTime) {
  tables.connect_results = {false, false};
  lookup.getPathfromPID(8);
  prompt.answers = {PromptAnswer::Retry, PromptAnswer::Retry};
  EXPECT_EQ(lookup.getPathfromPID(8), "");
  EXPECT_EQ(tables.connects, 2);
  EXPECT_TRUE(lookup.failure_flag());
  EXPECT_EQ(lookup.getPathfromPID(8), "C:\\Windows\\explorer.exe");
  EXPECT_EQ(prompt.shown.size(), 2u);
  EXPECT_EQ(tables.connects, 3);
}

TEST_F(GetPathFromPid, AbortEndsAllLookupsWithoutAnotherPrompt) {
  tables.connect_results = {false};
  lookup.getPathfromPID(8);
  prompt.answers = {PromptAnswer::Abort};
  EXPECT_EQ(lookup.getPathfromPID(8), "");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lookup.getPathfromPID(8), "");
  EXPECT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(tables.opened, 1);
  EXPECT_EQ(lookup.last_answer(), PromptAnswer::Abort);
}

TEST_F(GetPathFromPid, FailedQueryIsNotAConnectionFailure) {
  tables.query_succeeds = false;
  EXPECT_EQ(lookup.getPathfromPID(8), "");
  EXPECT_FALSE(lookup.failure_flag());
  tables.query_succeeds = true;
  EXPECT_EQ(lookup.getPathfromPID(8), "C:\\Windows\\explorer.exe");
  EXPECT_TRUE(prompt.shown.empty());
}

}  // namespace
}  // namespace brisvane
