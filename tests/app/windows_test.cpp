// The windows as thin adapters: the agreement hands over to the main window, the main window renders its
// model and forwards the user's edits and clicks, and closing it closes the rest.
#include "app/application.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/rating.h"
#include "settings/settings_store.h"
#include "support/fakes.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

using testing::FakeForm;
using W = MainWindow;

const std::string kHash = "600ccd1b71569232d01d110bc63e906beab04d8c";  // SHA-1 of "de"

struct Desktop {
  testing::FakeFormHost host;
  testing::MemoryFileSystem fs;
  testing::MemoryRegistry registry;
  testing::FakeMessageBox messages;
  testing::FakeSystem system;
  testing::FakeFileDialogs dialogs;
  testing::FakeLauncher launcher;
  testing::FakeHttpClient http;
  testing::FakeClock clock;
  testing::FakeDesktopWindows desktop;
  testing::FakeProcessTables process_tables;
  testing::FakePrompt prompt;
  testing::FakeDefaultApps default_apps;
  Application app{AppServices{host, fs, registry, messages, system, dialogs, launcher, http, clock, desktop,
                              process_tables, prompt, default_apps}};

  // With the terms accepted earlier, or not.
  explicit Desktop(bool accepted = false) {
    if (accepted) testing::PutText(registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", "ACCEPT");
  }
  // Starts the program and lets its start-up timers run, as the message loop would.
  void Start() {
    app.Start();
    host.RunTimers();
  }
  FakeForm* Main() { return host.Find(MainWindow::Layout()); }
  FakeForm* Agreement() { return host.Find(AgreementWindow::Layout()); }
  std::string Stored(std::string_view name) {
    return testing::ReadText(registry, RegistryRoot::CurrentUser, kSettingsKey, name);
  }
};

TEST(Windows, TheTermsComeFirstCancelEndsWritingNothingAndOkShowsTheMainWindow) {
  Desktop cancelled;
  cancelled.Start();
  ASSERT_NE(cancelled.Agreement(), nullptr);
  EXPECT_TRUE(cancelled.Agreement()->visible);
  EXPECT_EQ(cancelled.Main(), nullptr);  // nothing runs before the user answers
  cancelled.host.Click(*cancelled.Agreement(), AgreementWindow::kCancelButton);
  EXPECT_TRUE(cancelled.host.quit);
  EXPECT_EQ(cancelled.Stored("TOS"), "");

  Desktop d;
  testing::PutText(d.registry, RegistryRoot::CurrentUser, kSettingsKey, "Bad", "1");
  d.Start();
  d.host.Click(*d.Agreement(), AgreementWindow::kOkButton);
  d.host.RunTimers();
  EXPECT_EQ(d.Stored("TOS"), "ACCEPT");
  EXPECT_EQ(d.Agreement(), nullptr);
  ASSERT_NE(d.Main(), nullptr);
  EXPECT_TRUE(d.Main()->visible);
  // The model's settings, rendered: a default and a stored flag the form does not start with.
  EXPECT_EQ(d.Main()->Text(W::kProgramPath), "notepad");
  EXPECT_TRUE(d.Main()->Checked(W::kAllowBad));
}

TEST(Windows, ACommandLineStartWithTheTermsAcceptedOpensNoWindowAndStoresTheSettings) {
  Desktop d(true);
  d.system.arguments = "\"C:\\missing.torrent\"";
  d.Start();
  EXPECT_EQ(d.host.OpenCount(), 0);
  EXPECT_TRUE(d.messages.shown.empty());
  EXPECT_EQ(d.Stored("torPath"), "notepad");
}

TEST(Windows, TheMainWindowForwardsEditsAndClicksRendersTheCheckAndClosesTheOthersWithIt) {
  Desktop d(true);
  d.fs.Put("C:\\dl\\a.torrent", "d4:infodee");
  d.http.Answer("FAKE");
  d.Start();
  FakeForm& main = *d.Main();
  d.host.Type(main, W::kServiceUrl, "http://127.0.0.1:8080/api/fakeskan.php");
  d.host.Type(main, W::kProgramPath, "C:\\Client\\client.exe");
  d.host.Type(main, W::kTorrentPath, "C:\\dl\\a.torrent");
  d.host.Click(main, W::kAllowGood);
  d.host.Click(main, W::kCheckButton);
  EXPECT_EQ(d.http.urls, std::vector<std::string>{"http://127.0.0.1:8080/api/fakeskan.php?hash=" + kHash});
  EXPECT_EQ(main.Text(W::kHash), kHash);
  EXPECT_EQ(main.Text(W::kRating), "FAKE");
  EXPECT_EQ(main.At(W::kRating).color, kRed);
  d.host.Click(main, W::kAllowFake);
  d.host.Click(main, W::kLaunchButton);
  EXPECT_EQ(main.At(W::kRating).color, kBlue);
  EXPECT_EQ(d.launcher.started, std::vector<std::string>{"C:\\Client\\client.exe \"C:\\dl\\a.torrent\""});

  d.host.Click(main, W::kAboutButton);
  d.host.Click(main, W::kAssociationButton);
  ASSERT_NE(d.host.Find(AboutBox::Layout()), nullptr);
  ASSERT_NE(d.host.Find(AssociationWindow::Layout(true)), nullptr);  // guided on Windows 10
  main.Close();
  EXPECT_EQ(d.host.OpenCount(), 0);
  EXPECT_TRUE(d.host.quit);
  EXPECT_EQ(d.Stored("URL"), "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(d.Stored("torPath"), "C:\\Client\\client.exe");
  EXPECT_EQ(d.Stored("Good"), "0");
  EXPECT_EQ(d.Stored("Fake"), "1");
}

// From its minimum width on, the path fields keep their right edges 315 twips inside the window; below
// it they keep the widths they last had.
TEST(Windows, ThePathFieldsFollowTheWindowFromItsMinimumWidthOn) {
  Desktop d(true);
  d.Start();
  FakeForm& main = *d.Main();
  for (const int width : {12000, 9750, 9000}) {
    main.outer_width = width;
    main.events.OnResize();
    for (const ControlLayout& c : MainWindow::Layout().controls) {
      if (c.id == W::kTorrentPath || c.id == W::kProgramPath) {
        EXPECT_EQ(c.left + main.At(c.id).width, std::max(width, 9750) - 315) << c.id << " at " << width;
      }
    }
  }
}

}  // namespace
}  // namespace brisvane
