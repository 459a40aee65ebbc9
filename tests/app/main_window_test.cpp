#include "app/main_window.h"

#include <gtest/gtest.h>

#include "app/app_fixture.h"
#include "app/dispatch.h"
#include "app/version.h"
#include "settings/registry_functions.h"

namespace brisvane {
namespace {

using testing::AppWorld;
using testing::FakeForm;

constexpr char kKey[] = "Software\\Kestrelwick\\Brisvane";
constexpr char kTinyTorrent[] = "d4:infodee";
constexpr char kTinyHash[] = "600ccd1b71569232d01d110bc63e906beab04d8c";

TEST(Form1Layout, ControlsFocusOrderAndDesignDefaults) {
  const FormSpec& spec = Form1Spec();
  EXPECT_EQ(spec.caption, "Brisvane");
  EXPECT_EQ(spec.client_width, 10350);
  EXPECT_EQ(spec.client_height, 3510);
  EXPECT_TRUE(spec.resizable);
  std::vector<std::pair<int, int>> order;
  for (const ControlSpec& c : spec.controls)
    if (c.tab_index >= 0) order.emplace_back(c.tab_index, c.id);
  std::sort(order.begin(), order.end());
  std::vector<int> ids;
  for (auto& [index, id] : order) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<int>{Command3, txtTFilePath, Command4, txtProgramPath, txtURL, chkAllowVerified,
                                   ChkAllowNetural, chkAllowFake, lblHash, Command1, Command2, cmdFileAssociation,
                                   cmdabout, chkAllowBad, chkAllowGood}));
}

TEST(CleanHandlerCommand, RemovesOnlyThePlaceholderAndQuotes) {
  EXPECT_EQ(CleanHandlerCommand("\"C:\\Program Files\\Client\\client.exe\" \"%1\""),
            "C:\\Program Files\\Client\\client.exe ");
  EXPECT_EQ(CleanHandlerCommand("\"C:\\Client\\client.exe\" /minimized \"%1\""), "C:\\Client\\client.exe /minimized ");
  EXPECT_EQ(CleanHandlerCommand("C:\\Client\\client.exe %1"), "C:\\Client\\client.exe");
  EXPECT_EQ(CleanHandlerCommand("client.exe %1 %1"), "client.exe");
}

TEST(Form1Start, FirstInteractiveStartFillsDefaultsAndShowsTheWindow) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  FakeForm& main = w.Main();
  EXPECT_TRUE(main.visible);
  EXPECT_EQ(main.Text(txtURL), kDefaultServiceUrl);
  EXPECT_EQ(main.Text(txtProgramPath), "notepad");
  EXPECT_EQ(main.Checked(chkAllowVerified), 1);
  EXPECT_EQ(main.Checked(chkAllowGood), 1);
  EXPECT_EQ(main.Checked(ChkAllowNetural), 1);
  EXPECT_EQ(main.Checked(chkAllowBad), 0);
  EXPECT_EQ(main.Checked(chkAllowFake), 0);
  EXPECT_FALSE(w.app.form1().BoolLog);
  EXPECT_FALSE(w.app.form1().BoolDebugMode);
  EXPECT_EQ(w.app.form1().LogFileName, "C:\\Program Files\\Brisvane\\Brisvane.log");
  EXPECT_EQ(w.app.form1().WinDirPath, "C:\\WINDOWS");
  EXPECT_EQ(w.app.form1().MonitorWidth, 1920);
  // The agreement closed itself; only the main window is left.
  EXPECT_EQ(w.host.LoadedCount(), 1);
  EXPECT_FALSE(w.host.quit);
}

TEST(Form1Start, SettingsSurviveARestartAndTextIsStoredTrimmed) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  w.host.Type(w.app.form1(), txtURL, "  http://127.0.0.1:8080/api/fakeskan.php  ");
  w.host.Type(w.app.form1(), txtProgramPath, "C:\\Torrent\\client.exe");
  w.host.Click(w.app.form1(), chkAllowFake);
  w.host.Click(w.app.form1(), chkAllowGood);
  w.host.CloseByUser(w.app.form1());
  EXPECT_TRUE(w.host.quit);
  EXPECT_EQ(GetRegValue(w.registry, RegistryRoot::CurrentUser, kKey, "URL", true).text(),
            "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(w.registry.QueryValue(RegistryRoot::CurrentUser, kKey, "Fake")->type, kRegDword);

  // A second process on the same registry.
  testing::FakeFormHost host2;
  testing::FakeMessageBox messages2;
  testing::FakeSystem system2;
  testing::FakeFileDialogs dialogs2;
  testing::FakeLauncher launcher2;
  Application second(AppServices{host2, w.fs, w.registry, messages2, system2, dialogs2, launcher2, w.http, w.clock,
                                 w.desktop, w.process_tables, w.prompt});
  second.Start();
  host2.RunTimers();
  FakeForm& main = host2.Get(second.form1());
  EXPECT_EQ(main.Text(txtURL), "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(main.Text(txtProgramPath), "C:\\Torrent\\client.exe");
  EXPECT_EQ(main.Checked(chkAllowFake), 1);
  EXPECT_EQ(main.Checked(chkAllowGood), 0);
  EXPECT_EQ(main.Checked(chkAllowVerified), 1);
}

TEST(Form1Start, CommandLineRunChecksOnceAndEndsWithoutShowingTheWindow) {
  AppWorld w;
  w.AcceptTerms();
  // Deep nesting makes the scan long enough to pump messages on the way.
  const std::string torrent = "d4:infod4:deep" + std::string(300000, 'l') + std::string(300000, 'e') + "ee";
  w.fs.Put("C:\\My Torrents\\a b.torrent", torrent);
  w.system.command_line = "\"C:\\My Torrents\\a b.torrent\"";
  w.app.Start();
  FakeForm& main = w.Main();
  int shown_while_running = 0;
  // A timer tick that arrives while the check pumps messages must not start a second run.
  w.host.on_pump = [&] {
    shown_while_running += main.visible;
    w.app.form1().OnTimer(Timer1);
  };
  w.host.RunTimers();
  EXPECT_TRUE(w.host.quit);
  EXPECT_EQ(main.Text(txtTFilePath), "C:\\My Torrents\\a b.torrent");
  EXPECT_EQ(main.Text(lblHash).size(), 40u);
  EXPECT_GT(w.host.pumps, 0);
  EXPECT_FALSE(main.visible);
  EXPECT_EQ(shown_while_running, 0);
  EXPECT_EQ(w.app.form1().CommandLine, "C:\\My Torrents\\a b.torrent");
}

TEST(Form1Start, CommandLineWithAMissingFileEndsSilently) {
  AppWorld w;
  w.AcceptTerms();
  w.system.command_line = "\"C:\\gone.torrent\" \"C:\\other.torrent\"";
  w.StartAndSettle();
  EXPECT_TRUE(w.host.quit);
  EXPECT_TRUE(w.messages.shown.empty());
  EXPECT_EQ(w.app.form1().CommandLine, "C:\\gone.torrent C:\\other.torrent");
}

TEST(Form1Buttons, CheckTorrentShowsTheHashOrNotFound) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  w.fs.Put("C:\\t\\tiny.torrent", kTinyTorrent);
  w.http.Answer("GOOD");
  auto& form = w.app.form1();
  w.host.Type(form, lblRating, "GOOD");
  w.host.Type(form, txtTFilePath, "C:\\t\\missing.torrent");
  w.host.Click(form, Command1);
  EXPECT_EQ(w.Main().Text(lblHash), kFileNotFound);
  EXPECT_EQ(w.Main().Text(lblRating), "");

  w.host.Type(form, txtTFilePath, "C:\\t\\tiny.torrent");
  w.host.Click(form, Command1);
  EXPECT_EQ(w.Main().Text(lblHash), kTinyHash);
  EXPECT_EQ(w.Main().Text(lblRating), "GOOD");
  EXPECT_TRUE(w.messages.shown.empty());
}

TEST(Form1Buttons, DecoderMessagesCarryTheProgramTitle) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  w.fs.Put("C:\\t\\page.torrent", "<html>");
  w.host.Type(w.app.form1(), txtTFilePath, "C:\\t\\page.torrent");
  w.host.Click(w.app.form1(), Command1);
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text, "The file does not appear to be a valid torrent");
  EXPECT_EQ(w.messages.shown[0].caption, kProgramTitle);
  EXPECT_EQ(w.Main().Text(lblHash), "");
}

TEST(Form1Buttons, BrowseTakesOnlyAnExistingFileIntoItsOwnField) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  auto& form = w.app.form1();
  w.fs.Put("C:\\t\\x.torrent", kTinyTorrent);
  w.host.Type(form, txtTFilePath, "before");

  w.dialogs.standard_choice = "";  // cancelled
  w.host.Click(form, Command3);
  w.host.Click(form, Command4);
  EXPECT_EQ(w.Main().Text(txtTFilePath), "before");
  EXPECT_EQ(w.Main().Text(txtProgramPath), "notepad");

  w.dialogs.standard_choice = "C:\\t\\x.torrent";
  w.host.Click(form, Command3);
  EXPECT_EQ(w.Main().Text(txtTFilePath), "C:\\t\\x.torrent");
  EXPECT_EQ(w.Main().Text(txtProgramPath), "notepad");

  // The system's own object is preferred where it exists.
  w.dialogs.has_system_object = true;
  w.dialogs.system_choice = "C:\\t\\x.torrent";
  w.host.Click(form, Command4);
  EXPECT_EQ(w.Main().Text(txtProgramPath), "C:\\t\\x.torrent");
  EXPECT_EQ(w.dialogs.system_shown, 1);
  EXPECT_EQ(w.dialogs.standard_shown, 3);
}

TEST(Form1Resize, PathFieldsFollowTheWindowFromTheMinimumWidthOn) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  FakeForm& main = w.Main();
  main.outer_width = 12000;
  w.app.form1().Form_Resize();
  EXPECT_EQ(main.At(txtTFilePath).width, 9105);
  EXPECT_EQ(main.At(txtProgramPath).width, 8745);
  main.outer_width = 9000;
  w.app.form1().Form_Resize();
  EXPECT_EQ(main.At(txtTFilePath).width, 9105);
  main.outer_width = 9750;
  w.app.form1().Form_Resize();
  EXPECT_EQ(main.At(txtTFilePath).width, 6855);
  EXPECT_EQ(main.At(txtProgramPath).width, 6495);
}

TEST(Form1Close, ClosingTheMainWindowClosesTheAboutBoxAndStoresSettings) {
  AppWorld w;
  w.AcceptTerms();
  w.StartAndSettle();
  w.host.Click(w.app.form1(), cmdabout);
  ASSERT_NE(w.app.about().view(), nullptr);
  EXPECT_TRUE(w.app.about().view()->Visible());
  EXPECT_TRUE(w.Main().visible);  // not modal
  w.host.CloseByUser(w.app.form1());
  EXPECT_EQ(w.app.about().view(), nullptr);
  EXPECT_TRUE(w.host.quit);
  EXPECT_EQ(GetRegValue(w.registry, RegistryRoot::CurrentUser, kKey, "torPath", true).text(), "notepad");
}

}  // namespace
}  // namespace brisvane

namespace brisvane {
namespace {

using testing::AppWorld;
using testing::FakeForm;

// A main window with a torrent in its path field and the service answering `reply`.
struct VerdictWorld : AppWorld {
  explicit VerdictWorld(std::string_view reply) {
    AcceptTerms();
    fs.Put("C:\\dl\\a.torrent", "d4:infodee");
    http.Answer(reply);
    StartAndSettle();
    host.Type(app.form1(), txtTFilePath, "C:\\dl\\a.torrent");
    host.Type(app.form1(), txtURL, "http://127.0.0.1:8080/api/fakeskan.php");
  }
  FakeForm* Popup() { return host.Find(app.popup()); }
};

TEST(Form1Verdict, AllowedVerifiedIsGreenShownThenStartedMinimizedWithTheQuotedPath) {
  VerdictWorld w("VERIFIED");
  w.host.Type(w.app.form1(), txtProgramPath, "C:\\Client\\client.exe");
  w.host.Click(w.app.form1(), Command2);
  EXPECT_EQ(w.http.urls, (std::vector<std::string>{"http://127.0.0.1:8080/api/fakeskan.php?hash=" +
                                                   std::string("600ccd1b71569232d01d110bc63e906beab04d8c")}));
  EXPECT_EQ(w.Main().Text(lblRating), "VERIFIED");
  EXPECT_EQ(w.Main().At(lblRating).color, kGreen);
  ASSERT_NE(w.Popup(), nullptr);
  EXPECT_EQ(w.Popup()->Text(FrmPopUp::lblRating), "VERIFIED");
  EXPECT_EQ(w.Popup()->At(FrmPopUp::lblRating).color, kGreen);
  EXPECT_EQ(w.Popup()->Text(FrmPopUp::lblAction), "Allowed");
  EXPECT_EQ(w.Popup()->Text(FrmPopUp::lblfile), "a.torrent");
  EXPECT_FALSE(w.Popup()->moves.empty());  // it slid
  EXPECT_EQ(w.launcher.started, (std::vector<std::string>{"C:\\Client\\client.exe \"C:\\dl\\a.torrent\""}));
  EXPECT_EQ(w.launcher.shows, (std::vector<WindowShow>{WindowShow::Minimized}));
  EXPECT_GE(w.clock.slept, std::chrono::milliseconds{8000});  // the popup was held before the start
}

TEST(Form1Verdict, FakeWithItsFlagOffIsRedBlockedAndStartsNothing) {
  VerdictWorld w("FAKE");
  w.host.Click(w.app.form1(), Command2);
  EXPECT_EQ(w.Main().At(lblRating).color, kRed);
  EXPECT_EQ(w.Popup()->At(FrmPopUp::lblRating).color, kRed);
  EXPECT_EQ(w.Popup()->Text(FrmPopUp::lblAction), "Blocked");
  EXPECT_TRUE(w.launcher.started.empty());
}

TEST(Form1Verdict, CheckTorrentColoursOnlyAndShowsNoPopup) {
  VerdictWorld w("NONE");
  w.host.Click(w.app.form1(), Command1);
  EXPECT_EQ(w.Main().Text(lblHash), "600ccd1b71569232d01d110bc63e906beab04d8c");
  EXPECT_EQ(w.Main().At(lblRating).color, kBlue);
  EXPECT_TRUE(w.Popup() == nullptr || !w.Popup()->visible);
  EXPECT_TRUE(w.launcher.started.empty());
  EXPECT_EQ(w.clock.slept, std::chrono::milliseconds{0});
}

TEST(Form1Verdict, AFailedLookupIsBlockedWithTheMessageAndStillShowsThePopup) {
  VerdictWorld w("");
  w.http.Fail();
  w.host.Click(w.app.form1(), Command2);
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text,
            "Error contacting URL: http://127.0.0.1:8080/api/fakeskan.php?hash=600ccd1b71569232d01d110bc63e906beab04d8c");
  EXPECT_EQ(w.Popup()->Text(FrmPopUp::lblAction), "Blocked");
  EXPECT_TRUE(w.launcher.started.empty());
}

TEST(Form1Verdict, APressDuringThePopupStartsNoNestedCheck) {
  VerdictWorld w("GOOD");
  int pressed = 0;
  w.host.on_pump = [&] {
    if (pressed++ == 0) {
      w.host.Click(w.app.form1(), Command2);
      w.host.Click(w.app.form1(), Command1);
    }
  };
  w.host.Click(w.app.form1(), Command2);
  EXPECT_GT(pressed, 0);
  EXPECT_EQ(w.http.urls.size(), 1u);
  EXPECT_EQ(w.launcher.started.size(), 1u);
}

TEST(Form1Verdict, TheLaunchUsesThePathsAsTheyAreAfterThePopup) {
  VerdictWorld w("GOOD");
  w.fs.Put("C:\\dl\\b.torrent", "d4:infodee");
  bool edited = false;
  w.host.on_pump = [&] {
    if (!edited) w.host.Type(w.app.form1(), txtTFilePath, "C:\\dl\\b.torrent");
    edited = true;
  };
  w.host.Click(w.app.form1(), Command2);
  EXPECT_EQ(w.Popup()->Text(FrmPopUp::lblfile), "a.torrent");
  EXPECT_EQ(w.launcher.started, (std::vector<std::string>{"notepad \"C:\\dl\\b.torrent\""}));
}

TEST(Form1Verdict, BrisvaneAsItsOwnTorrentProgramIsNeverStartedAndSaidOnce) {
  VerdictWorld w("GOOD");
  w.host.Type(w.app.form1(), txtProgramPath, w.launcher.this_program);
  w.host.Click(w.app.form1(), Command2);
  w.host.Click(w.app.form1(), Command2);
  EXPECT_TRUE(w.launcher.started.empty());
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text, kProgramIsBrisvane);
}

TEST(Form1Verdict, AProgramThatCannotStartIsReported) {
  VerdictWorld w("GOOD");
  w.launcher.succeed = false;
  w.host.Type(w.app.form1(), txtProgramPath, "C:\\gone\\client.exe");
  w.host.Click(w.app.form1(), Command2);
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_NE(w.messages.shown[0].text.find("C:\\gone\\client.exe"), std::string::npos);
}

TEST(Form1Verdict, ClosingTheMainWindowClosesThePopup) {
  VerdictWorld w("GOOD");
  w.host.Click(w.app.form1(), Command2);
  ASSERT_NE(w.Popup(), nullptr);  // it lives on for its ten seconds
  w.host.CloseByUser(w.app.form1());
  EXPECT_EQ(w.Popup(), nullptr);
  EXPECT_TRUE(w.host.quit);
}

}  // namespace
}  // namespace brisvane
