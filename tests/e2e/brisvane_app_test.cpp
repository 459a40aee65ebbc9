// Brisvane.exe as a user meets it: the terms on the first start, the settings kept from one start to the
// next, checking torrents from the main window, and the about box.
#include <fstream>

#include "dialogs/about_box.h"
#include "dialogs/agreement_window.h"
#include "e2e/scenario.h"
#include "support/test_http_server.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;
using A = AgreementWindow;

constexpr char kAgreementCaption[] = "User Agreement";
constexpr char kAboutCaption[] = "About Brisvane - by Kestrelwick";
constexpr char kDefaultUrl[] = "http://bitsnoop.com/api/fakeskan.php";

class BrisvaneApp : public Scenario {
 protected:
  static Window AgreementOf(const Process& app) {
    return WaitForTopWindow({kAgreementCaption, app.id(), {Id(A::kCancelButton)}});
  }
  static Window AboutOf(const Process& app) {
    return WaitForTopWindow({kAboutCaption, app.id(), {Id(AboutBox::kSysInfoButton)}});
  }
};

TEST_F(BrisvaneApp, AUserWhoCancelsTheTermsOnTheFirstStartLeavesNothingBehind) {
  Process app = Start();
  const Window agreement = AgreementOf(app);
  EXPECT_EQ(agreement.Child(Id(A::kAgreementText)).Text(),
            "To use the program you must agree to the bitsnoop.com Terms Of Service (TOS).  By clicking the ok "
            "button you agree to follow the TOS for use of the Bitsnoop API.  If you do not accept these terms "
            "please click the cancel button to exit the program.");
  EXPECT_EQ(agreement.Child(Id(A::kOkButton)).Text(), "OK");
  EXPECT_FALSE(FindTopWindow({kMainCaption, app.id()}));

  agreement.Child(Id(A::kCancelButton)).Click();
  EXPECT_EQ(app.ExpectExit(), 0u);
  EXPECT_FALSE(registry::ValueExists(kSettingsKey, "TOS"));
  EXPECT_FALSE(registry::ValueExists(kSettingsKey, "URL"));
  EXPECT_FALSE(registry::ValueExists(kSettingsKey, "Verified"));
}

TEST_F(BrisvaneApp, AUserWhoAcceptsTheTermsFindsTheDesignDefaultsStoredAtClose) {
  Process app = Start();
  const Window agreement = AgreementOf(app);
  agreement.Child(Id(A::kOkButton)).Click();
  const Window main = MainOf(app);
  agreement.WaitGone();
  EXPECT_EQ(registry::ReadString(kSettingsKey, "TOS"), "ACCEPT");
  EXPECT_EQ(main.Child(Id(M::kServiceUrl)).Text(), kDefaultUrl);
  EXPECT_EQ(main.Child(Id(M::kProgramPath)).Text(), "notepad");
  EXPECT_EQ(main.Child(Id(M::kTorrentPath)).Text(), "");
  EXPECT_TRUE(main.Child(Id(M::kAllowVerified)).Checked());
  EXPECT_TRUE(main.Child(Id(M::kAllowGood)).Checked());
  EXPECT_TRUE(main.Child(Id(M::kAllowNeutral)).Checked());
  EXPECT_FALSE(main.Child(Id(M::kAllowBad)).Checked());
  EXPECT_FALSE(main.Child(Id(M::kAllowFake)).Checked());
  EXPECT_EQ(main.Child(Id(M::kCheckButton)).Text(), "Check torrent");
  CloseAndWait(main, app);
  EXPECT_EQ(registry::ReadString(kSettingsKey, "URL"), kDefaultUrl);
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Verified"), 1u);
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Bad"), 0u);
}

// What the user types and ticks reaches the program's settings (typed text as the edit's change notices
// report it) and is there, stored trimmed and with the right types, on the next start.
TEST_F(BrisvaneApp, SettingsTheUserEditsAreThereAfterARestart) {
  {
    Process app = StartAccepted();
    const Window main = MainOf(app);
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

  Process again = Start();  // accepted now: no agreement this time
  const Window main = MainOf(again);
  EXPECT_FALSE(FindTopWindow({kAgreementCaption, again.id()}));
  EXPECT_EQ(main.Child(Id(M::kServiceUrl)).Text(), "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(main.Child(Id(M::kProgramPath)).Text(), "C:\\Клиент\\トレント.exe");
  EXPECT_FALSE(main.Child(Id(M::kAllowVerified)).Checked());
  EXPECT_TRUE(main.Child(Id(M::kAllowFake)).Checked());
  CloseAndWait(main, again);
}

TEST_F(BrisvaneApp, CheckingTorrentsShowsTheHashAndRatingOrWhatWentWrong) {
  Process app = StartAccepted();
  const Window main = MainOf(app);
  const Window torrent = main.Child(Id(M::kTorrentPath));
  const Window check = main.Child(Id(M::kCheckButton));
  torrent.SetText("C:\\no such folder\\missing.torrent");
  check.Click();
  main.Child(Id(M::kHash)).WaitForText("Error. File not found!");

  // A path beyond the ANSI code page, as Windows Explorer would hand it over.
  brisvane::testing::TestHttpServer service;
  service.Reply(200, "GOOD");
  main.Child(Id(M::kServiceUrl)).SetText(service.Url("/api/fakeskan.php"));
  torrent.SetText(ExamplePath("アルバム-альбом.torrent"));
  check.Click();
  main.Child(Id(M::kHash)).WaitForText("94a0b109ad0eb41f0c75b42c33bfdf4a05c866ae");
  main.Child(Id(M::kRating)).WaitForText("GOOD");

  // The service fails: its page is shown, and the last rating does not stay.
  const std::string page = "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>";
  service.Reply(404, page);
  check.Click();
  MessageBoxWindow box = WaitForMessageBox(kMessageCaption, app.id());
  EXPECT_EQ(box.Text(), "404 error!:\r\n" + page);
  box.Dismiss();
  main.Child(Id(M::kRating)).WaitForText("");

  torrent.SetText(ExamplePath("not-a-torrent.torrent"));
  check.Click();
  box = WaitForMessageBox(kMessageCaption, app.id());
  EXPECT_EQ(box.Text(), "unexpected error encoutered");
  box.Dismiss();
  main.Child(Id(M::kHash)).WaitForText("");
  CloseAndWait(main, app);
}

TEST_F(BrisvaneApp, StartedForAMissingTorrentItEndsWithoutAWindow) {
  Process app = StartAccepted({"C:\\no such folder\\gone.torrent"});
  EXPECT_EQ(app.ExpectExit(), 0u);
  EXPECT_FALSE(FindTopWindow({kMainCaption, app.id()}));
  // Nothing was shown, but the settings were stored on the way out as on any normal end.
  EXPECT_EQ(registry::ReadString(kSettingsKey, "torPath"), "notepad");
}

// Not a test: poses the program's windows for the screenshots in docs/ (scripts/screenshots.sh).
// Runs only when BRISVANE_SHOWCASE names a folder; for each pose it writes <folder>\<name>.ready with the
// window's screen rectangle, then waits for the script to write <folder>\<name>.done.
class Showcase : public BrisvaneApp {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("BRISVANE_SHOWCASE");
    if (!folder || !*folder) GTEST_SKIP() << "set BRISVANE_SHOWCASE to pose the windows for screenshots";
    folder_ = folder;
  }
  void Pose(const std::string& name, const Window& window) {
    RECT r{};
    GetWindowRect(window.handle(), &r);
    std::ofstream(folder_ + "\\" + name + ".ready")
        << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left << "+" << r.top << "\n";
    const std::string done = folder_ + "\\" + name + ".done";
    WaitUntil(done, [&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, Millis{30000});
  }
  std::string folder_;
};

TEST_F(Showcase, AgreementMainWindowAndAboutBox) {
  Process app = Start();
  Pose("agreement", AgreementOf(app));
  AgreementOf(app).Child(Id(A::kOkButton)).Click();
  const Window main = MainOf(app);
  brisvane::testing::TestHttpServer service;
  service.Reply(200, "VERIFIED");
  main.Child(Id(M::kServiceUrl)).SetText(service.Url("/api/fakeskan.php"));
  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kCheckButton)).Click();
  main.Child(Id(M::kRating)).WaitForText("VERIFIED");
  Pose("main-window", main);
  main.Child(Id(M::kAboutButton)).Click();
  Pose("about-box", AboutOf(app));
  CloseAndWait(main, app);
}

// The popup for a Japanese name; then, with the display scaled to 150 %, the main window after a check and
// the popup of a launch.
TEST_F(Showcase, PopupAndTheWindowsAt144Dpi) {
  brisvane::testing::TestHttpServer service;
  service.Reply(200, "VERIFIED");
  // Each program is ended once posed, before its popup's hold is over and it would start notepad.
  settings_.Seed("TOS", "ACCEPT").Seed("URL", service.Url("/api/fakeskan.php"));
  {
    Process app = Start({ExamplePath("アルバム-альбом.torrent")});
    Pose("popup", RisenPopupOf(app));
  }
  registry::ScopedDword scaling("Control Panel\\Desktop", "LogPixels", 144);
  Process app = Start();
  const Window main = MainOf(app);
  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kCheckButton)).Click();
  main.Child(Id(M::kRating)).WaitForText("VERIFIED");
  Pose("main-window-144dpi", main);
  main.Child(Id(M::kLaunchButton)).Click();
  Pose("popup-144dpi", RisenPopupOf(app, main));
}

}  // namespace
}  // namespace brisvane::e2e
