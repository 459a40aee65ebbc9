// Brisvane.exe as a user meets it: the terms on the first start, the settings kept from one start to the
// next, and checking torrents from the main window.
#include "dialogs/agreement_window.h"
#include "e2e/scenario.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;
using A = AgreementWindow;
using BrisvaneApp = Scenario;

Window AgreementOf(const Process& app) { return WaitForTopWindow({"User Agreement", app.id(), {Id(A::kCancelButton)}}); }

// A user who cancels the terms leaves nothing behind; one who accepts finds the main window, and what they
// type and tick (typed text as the edit's change notices report it) is there, stored trimmed and with the
// right types, on the next start, which asks no more.
TEST_F(BrisvaneApp, TheTermsOnTheFirstStartThenTheSettingsKeptFromOneStartToTheNext) {
  registry::ScopedKey first_start{kSettingsKey};
  {
    Process app = Start();
    const Window agreement = AgreementOf(app);
    EXPECT_FALSE(FindTopWindow({kMainCaption, app.id()}));
    agreement.Child(Id(A::kCancelButton)).Click();
    EXPECT_EQ(app.ExpectExit(), 0u);
    for (const char* name : {"TOS", "URL", "Verified"}) EXPECT_FALSE(registry::ValueExists(kSettingsKey, name));
  }
  {
    Process app = Start();
    Pose("agreement", AgreementOf(app));
    AgreementOf(app).Child(Id(A::kOkButton)).Click();
    const Window main = MainOf(app);
    EXPECT_EQ(registry::ReadString(kSettingsKey, "TOS"), "ACCEPT");
    main.Child(Id(M::kServiceUrl)).SetText("  http://127.0.0.1:8080/api/fakeskan.php  ");
    main.Child(Id(M::kProgramPath)).SetText("C:\\Клиент\\トレント.exe");
    main.Child(Id(M::kAllowVerified)).SetChecked(false);
    main.Child(Id(M::kAllowFake)).SetChecked(true);
    CloseAndWait(main, app);
  }
  EXPECT_EQ(registry::ReadString(kSettingsKey, "URL"), "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(registry::ReadString(kSettingsKey, "torPath"), "C:\\Клиент\\トレント.exe");
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Verified"), 0u);
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Fake"), 1u);
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Good"), 1u);

  Process again = Start();
  const Window main = MainOf(again);
  EXPECT_FALSE(FindTopWindow({"User Agreement", again.id()}));
  EXPECT_EQ(main.Child(Id(M::kServiceUrl)).Text(), "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(main.Child(Id(M::kProgramPath)).Text(), "C:\\Клиент\\トレント.exe");
  EXPECT_FALSE(main.Child(Id(M::kAllowVerified)).Checked());
  EXPECT_TRUE(main.Child(Id(M::kAllowFake)).Checked());
  CloseAndWait(main, again);
}

TEST_F(BrisvaneApp, CheckingTorrentsShowsTheHashAndRatingOrWhatWentWrongAndNoServiceBlocks) {
  Process app = Start();
  const Window main = MainOf(app);
  const Window torrent = main.Child(Id(M::kTorrentPath)), check = main.Child(Id(M::kCheckButton));
  torrent.SetText("C:\\no such folder\\missing.torrent");
  check.Click();
  main.Child(Id(M::kHash)).WaitForText("Error. File not found!");

  // A path beyond the ANSI code page, as Windows Explorer would hand it over.
  service_.Reply(200, "GOOD");
  torrent.SetText(ExamplePath("アルバム-альбом.torrent"));
  check.Click();
  main.Child(Id(M::kHash)).WaitForText("94a0b109ad0eb41f0c75b42c33bfdf4a05c866ae");
  main.Child(Id(M::kRating)).WaitForText("GOOD");
  Pose("main-window", main);

  // The service fails: its page is shown, and the last rating does not stay.
  const std::string page = "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>";
  service_.Reply(404, page);
  check.Click();
  EXPECT_EQ(DismissMessageBox(kMessageCaption, app.id()), "404 error!:\r\n" + page);
  main.Child(Id(M::kRating)).WaitForText("");

  torrent.SetText(ExamplePath("not-a-torrent.torrent"));
  check.Click();
  EXPECT_EQ(DismissMessageBox(kMessageCaption, app.id()), "unexpected error encoutered");
  main.Child(Id(M::kHash)).WaitForText("");

  // No service at all: the user is told, and the torrent launched is blocked.
  // A server made and gone again: nothing listens on its port.
  const std::string dead = brisvane::testing::TestHttpServer().Url("/api/fakeskan.php");
  main.Child(Id(M::kServiceUrl)).SetText(dead);
  torrent.SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kLaunchButton)).Click();
  EXPECT_EQ(DismissMessageBox(kMessageCaption, app.id(), kCheckTimeout),
            "Error contacting URL: " + dead + "?hash=8c450b7de44b7a6df98919a4a009b323567b110f");
  EXPECT_EQ(PopupOf(app, main).Child(Id(PopupWindow::kAction)).Text(), "Blocked");
  CloseAndWait(main, app);  // the program ends once the popup's hold is over
  EXPECT_EQ(ClientCommandLine(), "");
}

}  // namespace
}  // namespace brisvane::e2e
