// Windows starts Brisvane.exe for a .torrent, or the user presses "Launch torrent": the popup over the task
// bar says how the service rated the torrent and whether it is allowed, and an allowed torrent goes to the
// torrent program, here a stand-in that records its command line, after the popup.
#include "e2e/launch.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;
using P = PopupWindow;

constexpr char kSingleHash[] = "8c450b7de44b7a6df98919a4a009b323567b110f";

// The user has Brisvane open as well: the one Windows started checks the torrent on its own.
TEST_F(Launch, WindowsStartsBrisvaneForAVerifiedTorrentAndTheClientGetsItAfterThePopup) {
  service_.Reply(200, "VERIFIED");
  Process open = Start();
  const Window open_main = MainOf(open);
  const std::string torrent = ExamplePath("single-file.torrent");
  Process app = Start({torrent});
  const Window popup = PopupOf(app);
  EXPECT_EQ(popup.Child(Id(P::kFileName)).Text(), "single-file.torrent");
  EXPECT_EQ(popup.Child(Id(P::kRating)).Text(), "VERIFIED");
  EXPECT_EQ(popup.Child(Id(P::kAction)).Text(), "Allowed");
  EXPECT_FALSE(FindTopWindow({kMainCaption, app.id(), {Id(M::kAboutButton)}}));
  EXPECT_EQ(ClientLog(), "");  // not before the popup has gone

  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), Launched(torrent));
  EXPECT_EQ(service_.Targets(), std::vector<std::string>{std::string("/api/fakeskan.php?hash=") + kSingleHash});
  CloseAndWait(open_main, open);
}

TEST_F(Launch, AFakeTorrentIsBlockedAndTheClientNeverStarts) {
  service_.Reply(200, "FAKE");
  Process app = Start({ExamplePath("single-file.torrent")});
  const Window popup = PopupOf(app);
  EXPECT_EQ(popup.Child(Id(P::kRating)).Text(), "FAKE");
  EXPECT_EQ(popup.Child(Id(P::kAction)).Text(), "Blocked");
  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), "");
}

TEST_F(Launch, WithNoServiceTheUserIsToldAndTheTorrentIsBlocked) {
  Process app = Start();
  const Window main = MainOf(app);
  std::string dead;  // a port that nothing listens on: a server made and gone again
  {
    brisvane::testing::TestHttpServer gone;
    dead = gone.Url("/api/fakeskan.php");
  }
  main.Child(Id(M::kServiceUrl)).SetText(dead);
  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kLaunchButton)).Click();
  const MessageBoxWindow box = WaitForMessageBox(kMessageCaption, app.id(), kCheckTimeout);
  EXPECT_EQ(box.Text(), "Error contacting URL: " + dead + "?hash=" + kSingleHash);
  box.Dismiss();
  EXPECT_EQ(PopupOf(app, main).Child(Id(P::kAction)).Text(), "Blocked");
  main.Close();  // the program ends once the popup's hold is over
  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), "");
}

// The check works on what was there when it started; closing the main window during the popup closes the
// popup, and the allowed torrent still goes to the client before the program ends.
TEST_F(Launch, ClosingDuringTheAllowedPopupStillHandsOverWhatTheCheckStartedWith) {
  service_.Reply(200, "GOOD");
  Process app = Start();
  const Window main = MainOf(app);
  const std::string torrent = ExamplePath("single-file.torrent");
  main.Child(Id(M::kTorrentPath)).SetText(torrent);
  main.Child(Id(M::kLaunchButton)).Click();
  const Window popup = PopupOf(app, main);
  EXPECT_EQ(popup.Child(Id(P::kAction)).Text(), "Allowed");

  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("アルバム-альбом.torrent"));
  main.Child(Id(M::kProgramPath)).SetText("C:\\elsewhere\\other.exe");
  main.Child(Id(M::kAllowGood)).SetChecked(false);
  main.Close();  // the program ends once the popup's hold is over
  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), Launched(torrent));
  // The edits were the user's all the same: they are the settings now.
  EXPECT_EQ(registry::ReadString(kSettingsKey, "torPath"), "C:\\elsewhere\\other.exe");
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Good"), 0u);
}

}  // namespace
}  // namespace brisvane::e2e
