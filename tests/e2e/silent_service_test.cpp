// A check whose service never answers (the lookup would give up only after about 25 s): meanwhile the main
// window paints and takes clicks, a second "Launch torrent" is ignored, the about box opens beside it, and
// closing the window ends the lookup and the program at once, with nothing started.
#include "dialogs/about_box.h"
#include "e2e/scenario.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;
using SilentService = Scenario;

// Far less than the lookup's time-out: what happens within it happens while the lookup waits.
constexpr Millis kWhileWaiting{2000};

TEST_F(SilentService, TheMainWindowPaintsAndAnswersClicksAndClosingItEndsTheLookup) {
  service_.Silent();
  Process app = Start();
  const Window main = MainOf(app);
  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kLaunchButton)).Click();
  WaitUntil("the lookup to reach the service", [&] { return service_.Targets().size() == 1; });

  // Posted clicks, as a user's: the program's own loop has to run for any of them to count.
  main.Child(Id(M::kLaunchButton)).Click();
  main.Child(Id(M::kAboutButton)).Click();
  Pose("about-box",
       WaitForTopWindow({"About Brisvane - by Kestrelwick", app.id(), {Id(AboutBox::kSysInfoButton)}}, kWhileWaiting));
  EXPECT_TRUE(IsWindowEnabled(main.handle())) << "the about box is not modal";
  RedrawWindow(main.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  WaitUntil("the main window to paint", [&] { return !GetUpdateRect(main.handle(), nullptr, FALSE); }, kWhileWaiting);
  EXPECT_EQ(service_.Targets().size(), 1u) << "the second press started another check";

  main.Close();
  EXPECT_EQ(app.ExpectExit(kWhileWaiting), 0u);
  EXPECT_EQ(ClientCommandLine(), "");
}

}  // namespace
}  // namespace brisvane::e2e
