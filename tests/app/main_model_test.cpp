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

using Strings = std::vector<std::string>;

constexpr char kTorrent[] = "C:\\dl\\a.torrent";
const std::string kTinyHash = "600ccd1b71569232d01d110bc63e906beab04d8c";  // SHA-1 of "de"
const std::string kService = "http://127.0.0.1:8080/api/fakeskan.php";
const std::string kClient = "C:\\Client\\client.exe";
// Upper-case hex, both ways of writing a blank, a tracker: handed on exactly, looked up in lower case.
const std::string kLink = "magnet:?xt=urn:btih:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A&dn=Big%20Buck+Bunny"
                          "&tr=udp%3A%2F%2Ftracker.example%3A1337";
const std::string kLinkHash = "c12fe1c06bba254a9dc9f519b335aa7c1367a88a";

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
  MainModel model{MainServices{fs, registry, messages, system, dialogs, http, launcher, clock, popup,
                               [this] { if (on_pump) on_pump(); }}};

  // A model loaded with `arguments` on its command line, a torrent in its path field, the service
  // answering `reply`, the client set.
  explicit World(std::string_view reply = "GOOD", std::string arguments = "") {
    fs.Put(kTorrent, "d4:infodee");
    http.Answer(reply);
    system.arguments = std::move(arguments);
    model.Load();
    model.SetTorrentPath(kTorrent);
    model.SetSettings({kService, kClient, model.settings().allow});
  }
  Strings Lookups(const std::string& hash) { return hash.empty() ? Strings{} : Strings{kService + "?hash=" + hash}; }
};

TEST(MainModelStart, HandlerCommandsAndCommandLinesAreCutAsWindowsWritesThem) {
  EXPECT_EQ(CleanHandlerCommand("C:\\Client\\client.exe %1 %1"), "C:\\Client\\client.exe");
  EXPECT_EQ(ArgumentText("\"C:\\Program Files\\Brisvane.exe\"  \"C:\\a b.torrent\" x "), "\"C:\\a b.torrent\" x ");
  EXPECT_EQ(ArgumentText("Brisvane.exe\t C:\\a.torrent"), "C:\\a.torrent");
  EXPECT_EQ(ArgumentText("\"C:\\never closed"), "");
  EXPECT_EQ(ArgumentText(" C:\\a.torrent"), "C:\\a.torrent");  // a leading blank: an empty program name
  EXPECT_EQ(ArgumentText("Brisvane.exe"), "");
}

TEST(MainModelStart, DefaultsUntilAHandlerOrStoredSettingsSayOtherwise) {
  World w;
  w.model.Load();  // nothing stored, no client registered, no command line
  EXPECT_EQ(w.model.settings(), (Settings{std::string(kDefaultServiceUrl), "notepad", AllowFlags{}}));
  EXPECT_FALSE(RegKeyExists(w.registry, RegistryRoot::CurrentUser, kSettingsKey));
  // A client that took only magnet links is still the user's client; the .torrent handler comes first.
  testing::PutText(w.registry, RegistryRoot::CurrentUser, kSettingsKey, "URL", "http://mine/api/fakeskan.php");
  testing::PutMachineClass(w.registry, "magnet", "\"C:\\Links\\links.exe\" \"%1\"");
  w.model.Load();
  EXPECT_EQ(w.model.settings().program_path, "C:\\Links\\links.exe ");
  testing::PutText(w.registry, RegistryRoot::CurrentUser, kUserChoiceKey, "Progid", "Acme.Torrent");
  testing::PutMachineClass(w.registry, "Acme.Torrent", "\"C:\\Acme\\acme.exe\" \"%1\"");
  w.model.Load();
  EXPECT_EQ(w.model.settings().service_url, "http://mine/api/fakeskan.php");
  EXPECT_EQ(w.model.settings().program_path, "C:\\Acme\\acme.exe ");
  testing::PutText(w.registry, RegistryRoot::CurrentUser, kSettingsKey, "torPath", "C:\\Stored\\client.exe");
  w.model.Load();
  EXPECT_EQ(w.model.settings().program_path, "C:\\Stored\\client.exe");
}

TEST(MainModelStart, ACommandLineRunChecksItsTorrentWithTheLaunchOrEndsSilently) {
  struct Case {
    std::string arguments, hash, started;
    std::size_t messages = 0;
  };
  const Case cases[] = {
      {"\"C:\\My Torrents\\a b.torrent\"", kTinyHash, kClient + " \"C:\\My Torrents\\a b.torrent\""},
      {"\"" + kLink + "\"", kLinkHash, kClient + " \"" + kLink + "\""},
      {"\"C:\\gone.torrent\" \"C:\\other.torrent\"", "", ""},  // two paths name no file
      // A quote inside the link could end the program's argument early: refused, neither asked nor announced.
      {"\"magnet:?xt=urn:btih:" + kLinkHash + "\" --evil \"x\"", "", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    World w("VERIFIED", c.arguments);
    w.fs.Put("C:\\My Torrents\\a b.torrent", "d4:infodee");
    EXPECT_TRUE(w.model.RunCommandLine());
    EXPECT_EQ(w.http.urls, w.Lookups(c.hash));
    EXPECT_EQ(w.messages.shown.size(), c.messages);
    EXPECT_EQ(w.popup.shown.size(), c.started.empty() ? 0u : 1u);
    EXPECT_EQ(w.launcher.started, c.started.empty() ? Strings{} : Strings{c.started});
  }
}

TEST(MainModelLaunch, TheVerdictIsAnnouncedAndOnlyAnAllowedTorrentStartsMinimizedAfterThePopup) {
  constexpr char kNoAnswer[] = "<no answer>";
  struct Case {
    std::string path, reply, hash, shown_name, rating;
    std::optional<Color> color;  // in the popup and in the main window alike here
    std::string started, message = "";
  };
  const Case cases[] = {
      {kTorrent, "VERIFIED", kTinyHash, "a.torrent", "VERIFIED", kGreen, kClient + " \"C:\\dl\\a.torrent\""},
      {kLink, "VERIFIED", kLinkHash, "Big Buck Bunny", "VERIFIED", kGreen, kClient + " \"" + kLink + "\""},
      {kTorrent, "FAKE", kTinyHash, "a.torrent", "FAKE", kRed, ""},
      {kLink, "FAKE", kLinkHash, "Big Buck Bunny", "FAKE", kRed, ""},
      {kTorrent, kNoAnswer, kTinyHash, "a.torrent", "", {}, "", "Error contacting URL: " + kService + "?hash=" + kTinyHash},
      // A file without a hash is said and not looked up.
      {"C:\\dl\\page.torrent", "GOOD", "", "page.torrent", "", {}, "", "The file does not appear to be a valid torrent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " " + c.reply);
    World w(c.reply);
    if (c.reply == kNoAnswer) w.http.Fail();
    w.fs.Put("C:\\dl\\page.torrent", "<html>");
    std::size_t started_during_popup = 99;
    w.popup.during_hold = [&] { started_during_popup = w.launcher.started.size(); };
    w.model.SetTorrentPath(c.path);
    w.model.LaunchTorrent();
    EXPECT_EQ(w.http.urls, w.Lookups(c.hash));
    EXPECT_EQ(w.model.hash_text(), c.hash);
    EXPECT_EQ(w.model.rating_text(), c.rating);
    EXPECT_EQ(w.model.rating_color(), c.color);
    ASSERT_EQ(w.popup.shown.size(), 1u);
    const PopupContent& shown = w.popup.shown[0];
    EXPECT_EQ(std::tie(shown.file_name, shown.rating, shown.rating_color, shown.action),
              std::forward_as_tuple(c.shown_name, c.rating, c.color, c.started.empty() ? "Blocked" : "Allowed"));
    EXPECT_EQ(started_during_popup, 0u);
    EXPECT_EQ(w.launcher.started, c.started.empty() ? Strings{} : Strings{c.started});
    EXPECT_EQ(w.launcher.shows, c.started.empty() ? std::vector<WindowShow>{} : std::vector{WindowShow::Minimized});
    EXPECT_EQ(w.messages.shown, c.message.empty() ? Strings{} : Strings{c.message});
  }
}

TEST(MainModelLaunch, TheCheckKeepsWhatItStartedWithWhateverHappensDuringThePopup) {
  World w("GOOD");
  w.fs.Put("C:\\dl\\b.torrent", "d4:infodee");
  w.popup.during_hold = [&] {
    // The user edits the fields, presses Check (Launch again: the awaited-service test) and closes the window.
    w.model.SetTorrentPath("C:\\dl\\b.torrent");
    Settings settings = w.model.settings();
    settings.program_path = "C:\\Other\\other.exe";
    settings.allow.good = false;
    w.model.SetSettings(settings);
    w.model.CheckTorrent();
    w.model.Close();
  };
  w.model.LaunchTorrent();
  EXPECT_EQ(w.http.urls.size(), 1u);
  EXPECT_EQ(w.launcher.started, Strings{kClient + " \"C:\\dl\\a.torrent\""});
}

TEST(MainModelLaunch, ClosingTheWindowDuringTheScanEndsTheCheckBeforeTheLookup) {
  World w("GOOD");
  // Deep nesting makes the scan long enough to process messages on the way.
  w.fs.Put(kTorrent, "d4:infod4:deep" + std::string(300000, 'l') + std::string(300000, 'e') + "ee");
  w.on_pump = [&] { w.model.Close(); };
  w.model.LaunchTorrent();
  EXPECT_TRUE(w.http.urls.empty());  // so the scan did process messages
  EXPECT_TRUE(w.popup.shown.empty());
  EXPECT_TRUE(w.launcher.started.empty());
}

// A service that answers only when the test lets it.
struct HeldService final : IHttpClient {
  std::promise<void> release, answered;
  bool released = false;
  HttpReply Get(std::string_view) override {
    release.get_future().wait();
    answered.set_value();
    return {true, {'G', 'O', 'O', 'D'}, false, "", 200};
  }
  void Answer() {
    if (!std::exchange(released, true)) release.set_value();
  }
};

TEST(MainModelLaunch, TheWindowKeepsWorkingWhileTheServiceIsAwaitedAndClosingItEndsTheCheck) {
  World w;
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "closed while awaited" : "answered while open");
    HeldService service;
    int pumps = 0;
    MainModel model{MainServices{w.fs, w.registry, w.messages, w.system, w.dialogs, service, w.launcher, w.clock,
                                 w.popup, [&] {
                                   model.LaunchTorrent();  // a second press does nothing
                                   if (++pumps == 5) close ? model.Close() : service.Answer();
                                   if (pumps == 100) service.Answer();  // a check that ignores the close ends
                                 }}};
    model.Load();
    model.SetTorrentPath(kTorrent);
    model.LaunchTorrent();
    EXPECT_EQ(model.rating_text(), close ? "" : "GOOD");
    EXPECT_EQ(w.popup.shown.size(), close ? 0u : 1u);
    EXPECT_EQ(w.launcher.started.size(), close ? 0u : 1u);
    service.Answer();
    service.answered.get_future().wait();
  }
}

TEST(MainModel, CheckBrowseAndLaunchOnOneWindow) {
  World w("NONE");
  w.model.CheckTorrent();
  EXPECT_EQ(w.model.hash_text(), kTinyHash);
  EXPECT_EQ(w.model.rating_color(), kBlue);
  EXPECT_TRUE(w.popup.shown.empty());
  // A word without a colour of its own keeps the label's colour; a missing file clears the last rating.
  w.http.Answer("NOTFOUND");
  w.model.CheckTorrent();
  EXPECT_EQ(w.model.rating_text(), "NOTFOUND");
  EXPECT_EQ(w.model.rating_color(), kBlue);
  w.model.SetTorrentPath("C:\\dl\\missing.torrent");
  w.model.CheckTorrent();
  EXPECT_EQ(w.model.hash_text(), kFileNotFound);
  EXPECT_EQ(w.model.rating_text(), "");
  EXPECT_EQ(w.http.urls.size(), 2u);
  // Browsing: only an existing chosen file replaces its field, and the system's own dialog comes first.
  w.model.SetTorrentPath(kTorrent);
  w.dialogs.standard_choice = "C:\\t\\chosen but gone.torrent";
  w.model.BrowseForTorrent();
  w.model.BrowseForProgram();
  EXPECT_EQ(w.model.torrent_path(), kTorrent);
  EXPECT_EQ(w.model.settings().program_path, kClient);
  w.fs.Put("C:\\t\\x.torrent", "d4:infodee");
  w.dialogs.standard_choice = "C:\\t\\x.torrent";
  w.model.BrowseForTorrent();
  EXPECT_EQ(w.model.torrent_path(), "C:\\t\\x.torrent");
  w.dialogs.has_system_object = true;
  w.dialogs.system_choice = "C:\\t\\x.torrent";
  w.dialogs.standard_choice = "C:\\elsewhere";
  w.model.BrowseForProgram();
  EXPECT_EQ(w.model.settings().program_path, "C:\\t\\x.torrent");
  // Brisvane is never its own torrent program, and a failed start is said.
  w.http.Answer("GOOD");
  w.model.SetSettings({kService, w.launcher.this_program, w.model.settings().allow});
  w.model.LaunchTorrent();
  w.model.LaunchTorrent();  // said once
  EXPECT_TRUE(w.launcher.started.empty());
  EXPECT_EQ(w.messages.shown, Strings{std::string(kProgramIsBrisvane)});
  World failing("GOOD");
  failing.launcher.succeed = false;
  failing.model.LaunchTorrent();
  EXPECT_EQ(failing.messages.shown, Strings{"The torrent program could not be started:\r\nC:\\Client\\client.exe\r\n"
                                            "The system cannot find the file specified."});
}

}  // namespace
}  // namespace brisvane
