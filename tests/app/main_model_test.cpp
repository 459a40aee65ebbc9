// The main model: start-up, the two checks, the verdict and the launch, browsing and closing, driven as
// the main window drives it.
#include "app/main_model.h"

#include <gtest/gtest.h>

#include <future>

#include "app/rating.h"
#include "product.h"
#include "settings/settings_store.h"
#include "settings/torrent_association.h"
#include "support/fakes.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

constexpr char kTorrent[] = "C:\\dl\\a.torrent";
constexpr char kTinyHash[] = "600ccd1b71569232d01d110bc63e906beab04d8c";  // SHA-1 of "de"
constexpr char kService[] = "http://127.0.0.1:8080/api/fakeskan.php";

struct World {
  testing::MemoryFileSystem fs;
  testing::MemoryRegistry registry;
  testing::FakeMessageBox messages;
  testing::FakeSystem system;
  testing::FakeFileDialogs dialogs;
  testing::FakeHttpClient http;
  testing::FakeLauncher launcher;
  testing::FakeClock clock;
  testing::RecordingPopup popup;
  std::function<void()> on_pump;
  int pumps = 0;
  MainModel model{MainServices{fs, registry, messages, system, dialogs, http, launcher, clock, popup, [this] {
                                 ++pumps;
                                 if (on_pump) on_pump();
                               }}};

  // A loaded model with a torrent in its path field, the service answering `reply`, the client set.
  explicit World(std::string_view reply = "GOOD") {
    fs.Put(kTorrent, "d4:infodee");
    http.Answer(reply);
    model.Load(1920, 1080);
    model.SetTorrentPath(kTorrent);
    Settings settings = model.settings();
    settings.service_url = kService;
    settings.program_path = "C:\\Client\\client.exe";
    model.SetSettings(settings);
  }
};

TEST(MainModelText, HandlerCommandsAndCommandLinesAreCutAsWindowsWritesThem) {
  EXPECT_EQ(CleanHandlerCommand("\"C:\\Program Files\\Client\\client.exe\" \"%1\""), "C:\\Program Files\\Client\\client.exe ");
  EXPECT_EQ(CleanHandlerCommand("\"C:\\Client\\client.exe\" /minimized \"%1\""), "C:\\Client\\client.exe /minimized ");
  EXPECT_EQ(CleanHandlerCommand("C:\\Client\\client.exe %1 %1"), "C:\\Client\\client.exe");
  EXPECT_EQ(ArgumentText("\"C:\\Program Files\\Brisvane.exe\"  \"C:\\a b.torrent\" x "), "\"C:\\a b.torrent\" x ");
  EXPECT_EQ(ArgumentText("Brisvane.exe\t C:\\a.torrent"), "C:\\a.torrent");
  EXPECT_EQ(ArgumentText("\"C:\\never closed"), "");
  EXPECT_EQ(ArgumentText(" C:\\a.torrent"), "C:\\a.torrent");  // a leading blank: an empty program name
  EXPECT_EQ(ArgumentText("Brisvane.exe"), "");
}

TEST(MainModelStart, AFirstStartHasTheDesignDefaultsNotepadAndTheDefaultUrl) {
  World w;
  testing::MemoryRegistry empty;
  testing::FakeSystem system;
  MainModel model{MainServices{w.fs, empty, w.messages, system, w.dialogs, w.http, w.launcher, w.clock, w.popup, {}}};
  model.Load(1920, 1080);
  EXPECT_EQ(model.settings(), (Settings{std::string(kDefaultServiceUrl), "notepad", AllowFlags{}}));
  EXPECT_FALSE(model.RunCommandLine());  // no command line: the window shows
  EXPECT_FALSE(RegKeyExists(empty, RegistryRoot::CurrentUser, kSettingsKey));
}

TEST(MainModelStart, StoredSettingsWinAndAnEmptyProgramPathComesFromTheTorrentHandlerElseTheMagnetHandler) {
  World w;
  testing::PutText(w.registry, RegistryRoot::CurrentUser, kSettingsKey, "URL", "http://mine/api/fakeskan.php");
  testing::PutMachineClass(w.registry, "magnet", "\"C:\\Links\\links.exe\" \"%1\"");
  w.model.Load(1920, 1080);
  EXPECT_EQ(w.model.settings().program_path, "C:\\Links\\links.exe ");
  testing::PutText(w.registry, RegistryRoot::CurrentUser, kUserChoiceKey, "Progid", "Acme.Torrent");
  testing::PutMachineClass(w.registry, "Acme.Torrent", "\"C:\\Acme\\acme.exe\" \"%1\"");
  w.model.Load(1920, 1080);
  EXPECT_EQ(w.model.settings().service_url, "http://mine/api/fakeskan.php");
  EXPECT_EQ(w.model.settings().program_path, "C:\\Acme\\acme.exe ");
  testing::PutText(w.registry, RegistryRoot::CurrentUser, kSettingsKey, "torPath", "C:\\Stored\\client.exe");
  w.model.Load(1920, 1080);
  EXPECT_EQ(w.model.settings().program_path, "C:\\Stored\\client.exe");
}

TEST(MainModelStart, ACommandLineRunChecksTheQuotedTorrentWithTheLaunchOrEndsSilently) {
  World w("VERIFIED");
  w.fs.Put("C:\\My Torrents\\a b.torrent", "d4:infodee");
  w.system.arguments = "\"C:\\My Torrents\\a b.torrent\"";
  w.model.Load(1920, 1080);
  EXPECT_TRUE(w.model.RunCommandLine());
  EXPECT_EQ(w.model.torrent_path(), "C:\\My Torrents\\a b.torrent");
  ASSERT_EQ(w.popup.shown.size(), 1u);
  EXPECT_EQ(w.launcher.started, std::vector<std::string>{"notepad \"C:\\My Torrents\\a b.torrent\""});

  World missing;
  missing.system.arguments = "\"C:\\gone.torrent\" \"C:\\other.torrent\"";  // two paths name no file
  missing.model.Load(1920, 1080);
  EXPECT_TRUE(missing.model.RunCommandLine());
  EXPECT_TRUE(missing.http.urls.empty());
  EXPECT_TRUE(missing.messages.shown.empty());
  EXPECT_TRUE(missing.popup.shown.empty());
}

TEST(MainModelStart, AMagnetLinkIsCheckedByItsHashAndHandedOnExactlyAsReceived) {
  const std::string link = "magnet:?xt=urn:btih:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A&dn=Big%20Buck+Bunny"
                           "&tr=udp%3A%2F%2Ftracker.example%3A1337";
  World w("VERIFIED");
  w.system.arguments = "\"" + link + "\"";
  w.model.Load(1920, 1080);
  EXPECT_TRUE(w.model.RunCommandLine());
  EXPECT_EQ(w.http.urls.back(), std::string(kDefaultServiceUrl) + "?hash=c12fe1c06bba254a9dc9f519b335aa7c1367a88a");
  ASSERT_EQ(w.popup.shown.size(), 1u);
  EXPECT_EQ(w.popup.shown[0].file_name, "Big Buck Bunny");
  EXPECT_EQ(w.launcher.started, std::vector<std::string>{"notepad \"" + link + "\""});

  World blocked("FAKE");
  blocked.model.SetTorrentPath(link);
  blocked.model.LaunchTorrent();
  EXPECT_EQ(blocked.popup.shown[0].action, "Blocked");
  EXPECT_TRUE(blocked.launcher.started.empty());

  // A quote inside the link could end the program's argument early: refused, not announced, not started.
  World smuggled("VERIFIED");
  smuggled.system.arguments = "\"magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a\" --evil \"x\"";
  smuggled.model.Load(1920, 1080);
  EXPECT_TRUE(smuggled.model.RunCommandLine());
  EXPECT_EQ(smuggled.messages.shown.size(), 1u);
  EXPECT_TRUE(smuggled.http.urls.empty());
  EXPECT_TRUE(smuggled.popup.shown.empty());
  EXPECT_TRUE(smuggled.launcher.started.empty());
}

TEST(MainModelCheck, CheckShowsTheHashAndTheColouredRatingOrThatTheFileIsMissing) {
  World w("NONE");
  w.model.CheckTorrent();
  EXPECT_EQ(w.http.urls, std::vector<std::string>{std::string(kService) + "?hash=" + kTinyHash});
  EXPECT_EQ(w.model.hash_text(), kTinyHash);
  EXPECT_EQ(w.model.rating_text(), "NONE");
  EXPECT_EQ(w.model.rating_color(), kBlue);
  EXPECT_TRUE(w.popup.shown.empty());
  EXPECT_TRUE(w.launcher.started.empty());

  // A word without a colour of its own keeps the label's colour.
  w.http.Answer("NOTFOUND");
  w.model.CheckTorrent();
  EXPECT_EQ(w.model.rating_text(), "NOTFOUND");
  EXPECT_EQ(w.model.rating_color(), kBlue);

  w.model.SetTorrentPath("C:\\dl\\missing.torrent");
  w.model.CheckTorrent();
  EXPECT_EQ(w.model.hash_text(), kFileNotFound);
  EXPECT_EQ(w.model.rating_text(), "");
  EXPECT_EQ(w.http.urls.size(), 2u);
}

TEST(MainModelCheck, AFileWithoutAHashIsSaidUnderTheProgramTitleAndNotLookedUp) {
  World w;
  w.fs.Put("C:\\dl\\page.torrent", "<html>");
  w.model.SetTorrentPath("C:\\dl\\page.torrent");
  w.model.LaunchTorrent();
  EXPECT_EQ(w.messages.shown, std::vector<std::string>{"The file does not appear to be a valid torrent"});
  EXPECT_EQ(w.messages.captions, std::vector<std::string>{std::string(kProgramTitle)});
  EXPECT_EQ(w.model.hash_text(), "");
  EXPECT_TRUE(w.http.urls.empty());
  ASSERT_EQ(w.popup.shown.size(), 1u);
  EXPECT_EQ(w.popup.shown[0].action, "Blocked");
}

TEST(MainModelLaunch, AnAllowedTorrentIsAnnouncedThenStartedMinimizedWithItsQuotedPath) {
  World w("VERIFIED");
  std::size_t started_during_hold = 99;
  w.popup.during_hold = [&] { started_during_hold = w.launcher.started.size(); };
  w.model.LaunchTorrent();
  ASSERT_EQ(w.popup.shown.size(), 1u);
  const PopupContent& shown = w.popup.shown[0];
  EXPECT_EQ(shown.file_name, "a.torrent");
  EXPECT_EQ(shown.rating, "VERIFIED");
  EXPECT_EQ(shown.rating_color, kGreen);
  EXPECT_EQ(shown.action, "Allowed");
  EXPECT_EQ(w.popup.screens[0].monitor_width, 1920);
  EXPECT_EQ(w.popup.screens[0].windows_folder, "C:\\WINDOWS");
  EXPECT_EQ(started_during_hold, 0u);
  EXPECT_EQ(w.launcher.started, std::vector<std::string>{"C:\\Client\\client.exe \"C:\\dl\\a.torrent\""});
  EXPECT_EQ(w.launcher.shows, std::vector<WindowShow>{WindowShow::Minimized});
  EXPECT_EQ(w.model.rating_color(), kGreen);
}

TEST(MainModelLaunch, BlockedRatingsAndFailedLookupsAreAnnouncedAndStartNothing) {
  World fake("FAKE");
  fake.model.LaunchTorrent();
  EXPECT_EQ(fake.popup.shown[0].action, "Blocked");
  EXPECT_EQ(fake.popup.shown[0].rating_color, kRed);
  EXPECT_EQ(fake.model.rating_color(), kRed);
  EXPECT_TRUE(fake.launcher.started.empty());

  World failed;
  failed.http.Fail();
  failed.model.LaunchTorrent();
  EXPECT_EQ(failed.messages.shown.size(), 1u);
  EXPECT_EQ(failed.popup.shown[0].rating, "");
  EXPECT_EQ(failed.popup.shown[0].action, "Blocked");
  EXPECT_TRUE(failed.launcher.started.empty());
}

TEST(MainModelLaunch, TheCheckKeepsWhatItStartedWithWhateverHappensDuringThePopup) {
  World w("GOOD");
  w.fs.Put("C:\\dl\\b.torrent", "d4:infodee");
  w.popup.during_hold = [&] {
    // The user edits the fields, presses both buttons again and closes the window.
    w.model.SetTorrentPath("C:\\dl\\b.torrent");
    Settings settings = w.model.settings();
    settings.program_path = "C:\\Other\\other.exe";
    settings.allow.good = false;
    w.model.SetSettings(settings);
    w.model.LaunchTorrent();
    w.model.CheckTorrent();
    w.model.Close();
  };
  w.model.LaunchTorrent();
  EXPECT_EQ(w.http.urls.size(), 1u);
  EXPECT_EQ(w.launcher.started, std::vector<std::string>{"C:\\Client\\client.exe \"C:\\dl\\a.torrent\""});
  // The edits made before the close were stored.
  EXPECT_EQ(testing::ReadText(w.registry, RegistryRoot::CurrentUser, kSettingsKey, "torPath"), "C:\\Other\\other.exe");
}

TEST(MainModelLaunch, ClosingTheWindowDuringTheScanEndsTheCheckBeforeTheLookup) {
  World w("GOOD");
  // Deep nesting makes the scan long enough to process messages on the way.
  w.fs.Put(kTorrent, "d4:infod4:deep" + std::string(300000, 'l') + std::string(300000, 'e') + "ee");
  w.on_pump = [&] { w.model.Close(); };
  w.model.LaunchTorrent();
  EXPECT_GT(w.pumps, 0);
  EXPECT_TRUE(w.http.urls.empty());
  EXPECT_TRUE(w.popup.shown.empty());
  EXPECT_TRUE(w.launcher.started.empty());
}

// A service that answers only when the test lets it.
class HeldService final : public IHttpClient {
 public:
  HttpReply Get(std::string_view) override {
    release_.get_future().wait();
    HttpReply reply;
    reply.sent = true;
    reply.body = {'G', 'O', 'O', 'D'};
    answered_.set_value();
    return reply;
  }
  void Answer() { release_.set_value(); }
  void WaitUntilAnswered() { answered_.get_future().wait(); }

 private:
  std::promise<void> release_;
  std::promise<void> answered_;
};

TEST(MainModelLaunch, TheWindowKeepsWorkingWhileTheServiceIsAwaitedAndClosingItEndsTheCheck) {
  World w;
  HeldService service;
  MainModel model{MainServices{w.fs, w.registry, w.messages, w.system, w.dialogs, service, w.launcher, w.clock,
                               w.popup, [&] {
                                 ++w.pumps;
                                 model.LaunchTorrent();  // a second press does nothing
                                 if (w.pumps == 5) model.Close();
                               }}};
  model.Load(1920, 1080);
  model.SetTorrentPath(kTorrent);
  model.LaunchTorrent();
  EXPECT_EQ(w.pumps, 5);
  EXPECT_EQ(model.rating_text(), "");
  EXPECT_TRUE(w.popup.shown.empty());
  EXPECT_TRUE(w.launcher.started.empty());
  service.Answer();
  service.WaitUntilAnswered();

  // Answered while the window stays open, the check goes on as usual.
  HeldService prompt;
  bool answered = false;
  MainModel open{MainServices{w.fs, w.registry, w.messages, w.system, w.dialogs, prompt, w.launcher, w.clock,
                              w.popup, [&] {
                                if (!std::exchange(answered, true)) prompt.Answer();
                              }}};
  open.Load(1920, 1080);
  open.SetTorrentPath(kTorrent);
  open.CheckTorrent();
  EXPECT_EQ(open.rating_text(), "GOOD");
}

TEST(MainModelLaunch, BrisvaneIsNeverItsOwnTorrentProgramAndAFailedStartIsSaid) {
  World w("GOOD");
  Settings settings = w.model.settings();
  settings.program_path = w.launcher.this_program;
  w.model.SetSettings(settings);
  w.model.LaunchTorrent();
  w.model.LaunchTorrent();
  EXPECT_TRUE(w.launcher.started.empty());
  EXPECT_EQ(w.messages.shown, std::vector<std::string>{std::string(kProgramIsBrisvane)});

  World failing("GOOD");
  failing.launcher.succeed = false;
  failing.model.LaunchTorrent();
  ASSERT_EQ(failing.messages.shown.size(), 1u);
  EXPECT_EQ(failing.messages.shown[0], "The torrent program could not be started:\r\nC:\\Client\\client.exe\r\n"
                                       "The system cannot find the file specified.");
}

TEST(MainModelBrowse, OnlyAnExistingChosenFileReplacesItsFieldAndTheSystemsOwnDialogComesFirst) {
  World w;
  w.dialogs.standard_choice = "";  // cancelled
  w.model.BrowseForTorrent();
  w.model.BrowseForProgram();
  EXPECT_EQ(w.model.torrent_path(), kTorrent);
  EXPECT_EQ(w.model.settings().program_path, "C:\\Client\\client.exe");
  w.fs.Put("C:\\t\\x.torrent", "d4:infodee");
  w.dialogs.standard_choice = "C:\\t\\x.torrent";
  w.model.BrowseForTorrent();
  EXPECT_EQ(w.model.torrent_path(), "C:\\t\\x.torrent");
  w.dialogs.has_system_object = true;
  w.dialogs.system_choice = "C:\\t\\x.torrent";
  w.dialogs.standard_choice = "C:\\elsewhere";
  w.model.BrowseForProgram();
  EXPECT_EQ(w.model.settings().program_path, "C:\\t\\x.torrent");
}

TEST(MainModelClose, SettingsAreStoredAndTheNextStartFindsThem) {
  World w;
  Settings settings = w.model.settings();
  settings.service_url = "  http://127.0.0.1:9/api/fakeskan.php  ";
  settings.allow.fake = true;
  settings.allow.good = false;
  w.model.SetSettings(settings);
  w.model.Close();
  MainModel next{MainServices{w.fs, w.registry, w.messages, w.system, w.dialogs, w.http, w.launcher, w.clock,
                              w.popup, {}}};
  next.Load(1920, 1080);
  settings.service_url = "http://127.0.0.1:9/api/fakeskan.php";  // stored without surrounding blanks
  EXPECT_EQ(next.settings(), settings);
}

}  // namespace
}  // namespace brisvane
