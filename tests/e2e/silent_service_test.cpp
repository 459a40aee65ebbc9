// A check whose service never answers (the lookup would give up only after about 25 s): meanwhile the main
// window paints and takes clicks, a second "Launch torrent" is ignored, and closing the window ends the
// lookup and the program at once, with nothing started.
#include <filesystem>

#include "dialogs/about_box.h"
#include "e2e/scenario.h"
#include "support/test_http_server.h"
#include "win32/text.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;

// Far less than the lookup's time-out: what happens within it happens while the lookup waits.
constexpr Millis kWhileWaiting{2000};

class SilentService : public Scenario {
 protected:
  void SetUp() override {
    std::filesystem::remove(log_);
    SetEnvironmentVariableW(L"BRISVANE_STANDIN_LOG", log_.c_str());  // Brisvane passes it on to the client
    service_.Silent();
    settings_.Seed("TOS", "ACCEPT").Seed("URL", service_.Url("/api/fakeskan.php"));
    settings_.Seed("torPath", ExecutableDir() + "\\standin_client.exe");
  }
  void TearDown() override { std::filesystem::remove(log_); }

  brisvane::testing::TestHttpServer service_;
  const std::filesystem::path log_ = win32::Widen(ExecutableDir() + "\\standin_client.log");
};

TEST_F(SilentService, TheMainWindowPaintsAndAnswersClicksAndClosingItEndsTheLookup) {
  Process app = Start();
  const Window main = MainOf(app);
  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kLaunchButton)).Click();
  WaitUntil("the lookup to reach the service", [&] { return service_.Targets().size() == 1; });

  // Posted clicks, as a user's: the program's own loop has to run for any of them to count.
  main.Child(Id(M::kLaunchButton)).Click();
  main.Child(Id(M::kAboutButton)).Click();
  WaitForTopWindow({"About Brisvane - by Kestrelwick", app.id(), {Id(AboutBox::kSysInfoButton)}}, kWhileWaiting);
  EXPECT_TRUE(main.Enabled()) << "the about box is not modal";
  RedrawWindow(main.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  WaitUntil("the main window to paint", [&] { return !GetUpdateRect(main.handle(), nullptr, FALSE); }, kWhileWaiting);
  EXPECT_EQ(service_.Targets().size(), 1u) << "the second press started another check";

  main.Close();
  EXPECT_EQ(app.ExpectExit(kWhileWaiting), 0u);
  EXPECT_FALSE(std::filesystem::exists(log_)) << "a torrent program was started";
}

}  // namespace
}  // namespace brisvane::e2e
