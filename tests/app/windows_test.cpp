// The windows as thin adapters: the agreement hands over to the main window, the main window renders its
// model and forwards the user's edits and clicks, and closing it closes the rest.
#include "app/application.h"

#include <gtest/gtest.h>

#include "app/rating.h"
#include "product.h"
#include "settings/settings_store.h"
#include "support/fakes.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

using testing::FakeForm;
using W = MainWindow;

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

TEST(Windows, AFirstStartShowsTheTermsAndCancelEndsTheProgramWritingNothing) {
  Desktop d;
  d.Start();
  ASSERT_NE(d.Agreement(), nullptr);
  EXPECT_TRUE(d.Agreement()->visible);
  EXPECT_EQ(d.Main(), nullptr);  // nothing runs before the user answers
  d.host.Click(*d.Agreement(), AgreementWindow::kCancelButton);
  EXPECT_TRUE(d.host.quit);
  EXPECT_EQ(d.Stored("TOS"), "");
}

TEST(Windows, OkRecordsTheAcceptanceAndShowsTheMainWindowWithItsDefaults) {
  Desktop d;
  d.Start();
  d.host.Click(*d.Agreement(), AgreementWindow::kOkButton);
  d.host.RunTimers();
  EXPECT_EQ(d.Stored("TOS"), "ACCEPT");
  EXPECT_EQ(d.Agreement(), nullptr);
  FakeForm& main = *d.Main();
  EXPECT_TRUE(main.visible);
  EXPECT_EQ(main.Text(W::kServiceUrl), kDefaultServiceUrl);
  EXPECT_EQ(main.Text(W::kProgramPath), "notepad");
  EXPECT_TRUE(main.Checked(W::kAllowNeutral));
  EXPECT_FALSE(main.Checked(W::kAllowBad));

  // A command-line start with the terms accepted opens no window at all, ends, and stores the settings
  // it started with.
  Desktop next;
  testing::PutText(next.registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", "ACCEPT");
  next.system.arguments = "\"C:\\missing.torrent\"";
  next.Start();
  EXPECT_EQ(next.host.OpenCount(), 0);
  EXPECT_EQ(next.Main(), nullptr);
  EXPECT_TRUE(next.messages.shown.empty());
  EXPECT_EQ(next.Stored("torPath"), "notepad");
}

TEST(Windows, TheMainWindowForwardsEditsAndClicksAndRendersTheCheck) {
  Desktop d;
  testing::PutText(d.registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", "ACCEPT");
  d.fs.Put("C:\\dl\\a.torrent", "d4:infodee");
  d.http.Answer("FAKE");
  d.Start();
  FakeForm& main = *d.Main();
  ASSERT_TRUE(main.visible);
  d.host.Type(main, W::kServiceUrl, "  http://127.0.0.1:8080/api/fakeskan.php  ");
  d.host.Type(main, W::kProgramPath, "C:\\Client\\client.exe");
  d.host.Type(main, W::kTorrentPath, "C:\\dl\\a.torrent");
  d.host.Click(main, W::kAllowGood);
  d.host.Click(main, W::kCheckButton);
  EXPECT_EQ(d.http.urls, std::vector<std::string>{"  http://127.0.0.1:8080/api/fakeskan.php  ?hash="
                                                  "600ccd1b71569232d01d110bc63e906beab04d8c"});
  EXPECT_EQ(main.Text(W::kHash), "600ccd1b71569232d01d110bc63e906beab04d8c");
  EXPECT_EQ(main.Text(W::kRating), "FAKE");
  EXPECT_EQ(main.At(W::kRating).color, kRed);

  d.host.Click(main, W::kAllowFake);
  d.host.Click(main, W::kLaunchButton);
  EXPECT_EQ(main.At(W::kRating).color, kBlue);
  EXPECT_EQ(d.launcher.started, std::vector<std::string>{"C:\\Client\\client.exe \"C:\\dl\\a.torrent\""});

  d.host.Type(main, W::kTorrentPath, "C:\\dl\\gone.torrent");
  d.host.Click(main, W::kCheckButton);
  EXPECT_EQ(main.Text(W::kHash), kFileNotFound);
  EXPECT_EQ(main.Text(W::kRating), "");

  main.Close();
  EXPECT_TRUE(d.host.quit);
  EXPECT_EQ(d.Stored("URL"), "http://127.0.0.1:8080/api/fakeskan.php");
  EXPECT_EQ(d.Stored("torPath"), "C:\\Client\\client.exe");
  EXPECT_EQ(d.Stored("Good"), "0");
  EXPECT_EQ(d.Stored("Fake"), "1");
  EXPECT_EQ(d.registry.QueryValue(RegistryRoot::CurrentUser, kSettingsKey, "Fake")->type, kRegDword);
}

TEST(Windows, ThePathFieldsFollowTheWindowFromItsMinimumWidthOn) {
  Desktop d;
  testing::PutText(d.registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", "ACCEPT");
  d.Start();
  FakeForm& main = *d.Main();
  const auto resize = [&](int width) {
    main.outer_width = width;
    main.events.OnResize();
  };
  resize(12000);
  EXPECT_EQ(main.At(W::kTorrentPath).width, 9105);
  EXPECT_EQ(main.At(W::kProgramPath).width, 8745);
  resize(9000);  // below the minimum: the widths they last had
  EXPECT_EQ(main.At(W::kTorrentPath).width, 9105);
  resize(9750);
  EXPECT_EQ(main.At(W::kTorrentPath).width, 6855);
  EXPECT_EQ(main.At(W::kProgramPath).width, 6495);
}

TEST(Windows, ClosingTheMainWindowClosesTheAboutBoxAndTheAssociationWindow) {
  Desktop d;
  testing::PutText(d.registry, RegistryRoot::CurrentUser, kSettingsKey, "TOS", "ACCEPT");
  d.Start();
  FakeForm& main = *d.Main();
  d.host.Click(main, W::kAboutButton);
  d.host.Click(main, W::kAssociationButton);
  d.host.Click(main, W::kAboutButton);  // again: brought to the front, not loaded twice
  FakeForm* about = d.host.Find(AboutBox::Layout());
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->visible);
  EXPECT_EQ(about->brought_to_front, 2);
  EXPECT_EQ(about->Text(AboutBox::kVersion), "Version " + std::string(kProgramVersion));
  EXPECT_EQ(about->Text(AboutBox::kTitle), kProgramTitle);
  ASSERT_NE(d.host.Find(AssociationWindow::Layout(true)), nullptr);  // guided on Windows 10
  EXPECT_TRUE(main.visible);  // neither is modal
  main.Close();
  EXPECT_EQ(d.host.OpenCount(), 0);
  EXPECT_TRUE(d.host.quit);
}

}  // namespace
}  // namespace brisvane
