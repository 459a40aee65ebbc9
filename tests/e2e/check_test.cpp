// The check as a user meets it in the real Brisvane.exe: from the command line (as Windows starts it
// for a .torrent) and from the two check buttons, against a local service whose reply each test sets,
// with a stand-in torrent client that records how it was started.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "app/main_window.h"
#include "e2e/driver.h"
#include "notify/popup_window.h"
#include "support/test_http_server.h"
#include "win32/form_host.h"

namespace brisvane::e2e {
namespace {

constexpr char kKey[] = "Software\\Kestrelwick\\Brisvane";
constexpr char kTitle[] = "Brisvane - by Kestrelwick";
constexpr char kSingleHash[] = "8c450b7de44b7a6df98919a4a009b323567b110f";

std::string ExamplePath(std::string_view name) {
  return FromHostPath(std::string(BRISVANE_SOURCE_DIR) + "/examples/" + std::string(name));
}
int Id(int control) { return kControlWindowIdBase + control; }

class Check : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    log_ = std::wstring(temp) + L"brisvane-standin-" + std::to_wstring(GetCurrentProcessId()) + L".log";
    DeleteFileW(log_.c_str());
    key_.Seed("TOS", "ACCEPT");
    key_.Seed("URL", service_.Url("/api/fakeskan.php"));
    key_.Seed("torPath", ExecutableDir() + "\\standin_client.exe");
  }
  void TearDown() override { DeleteFileW(log_.c_str()); }

  Process Start(std::vector<std::string> args = {}) {
    args.insert(args.begin(), FromHostPath(BRISVANE_PROGRAM_EXE));
    std::string log(log_.size() * 3, '\0');
    log.resize(WideCharToMultiByte(CP_UTF8, 0, log_.c_str(), -1, log.data(), static_cast<int>(log.size()), nullptr,
                                   nullptr) - 1);
    return Process::Start(args, LaunchOptions{{}, {{"BRISVANE_STANDIN_LOG", log}}});
  }
  // What the stand-in client recorded; empty when it never ran.
  std::string ClientLog() const {
    std::ifstream in{std::filesystem::path(log_)};
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The client runs on its own after Brisvane started it: give it a moment to write.
  std::string WaitClientLog() const {
    for (int i = 0; i < 1000; ++i) {
      const std::string log = ClientLog();
      if (!log.empty()) return log;
      Sleep(10);
    }
    return {};
  }
  // The popup shares its caption with the main window: it is the "Brisvane" window that is not `main`.
  static Window Popup(const Process& app, const Window& main = Window()) {
    struct Search {
      DWORD pid;
      HWND main;
      HWND found = nullptr;
    } search{static_cast<DWORD>(app.id()), static_cast<HWND>(main.handle())};
    for (int i = 0; i < 3000 && !search.found; ++i) {
      EnumWindows(
          [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            wchar_t caption[64] = {};
            GetWindowTextW(window, caption, 64);
            if (pid == s.pid && window != s.main && IsWindowVisible(window) && std::wstring(caption) == L"Brisvane" &&
                GetDlgItem(window, Id(PopupWindow::kAction))) {
              s.found = window;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (!search.found) Sleep(10);
    }
    if (!search.found) throw DriverError("no popup appeared:\n" + DescribeTopWindows());
    return Window(search.found);
  }
  static Window MainOf(const Process& app) {
    return WaitForTopWindow(WindowQuery{"Brisvane", {}, app.id(), {Id(MainWindow::kAboutButton)}});
  }

  brisvane::testing::TestHttpServer service_;
  registry::ScopedKey key_{kKey};
  std::wstring log_;
};

TEST_F(Check, CommandLineAllowedTorrentGoesToTheClientAfterThePopup) {
  service_.Reply(200, "VERIFIED");
  const std::string torrent = ExamplePath("single-file.torrent");
  Process app = Start({torrent});
  const Window popup = Popup(app);
  EXPECT_EQ(popup.Child(Id(PopupWindow::kFileName)).Text(), "single-file.torrent");
  EXPECT_EQ(popup.Child(Id(PopupWindow::kRating)).Text(), "VERIFIED");
  EXPECT_EQ(popup.Child(Id(PopupWindow::kAction)).Text(), "Allowed");
  EXPECT_EQ(ClientLog(), "");  // not before the popup has been shown
  EXPECT_EQ(app.ExpectExit(Millis{30000}), 0u);
  popup.WaitGone(Millis{11000});
  const std::string log = WaitClientLog();
  EXPECT_NE(log.find("\"" + torrent + "\""), std::string::npos) << log;
  const std::vector<std::string> asked = service_.Targets();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::string("/api/fakeskan.php?hash=") + kSingleHash);
  EXPECT_FALSE(FindTopWindow(WindowQuery{"Brisvane", {}, app.id(), {Id(MainWindow::kAboutButton)}}).has_value());
}

TEST_F(Check, CommandLineFakeIsBlockedAndStartsNothing) {
  service_.Reply(200, "FAKE");
  Process app = Start({ExamplePath("single-file.torrent")});
  const Window popup = Popup(app);
  EXPECT_EQ(popup.Child(Id(PopupWindow::kRating)).Text(), "FAKE");
  EXPECT_EQ(popup.Child(Id(PopupWindow::kAction)).Text(), "Blocked");
  EXPECT_EQ(app.ExpectExit(Millis{30000}), 0u);
  EXPECT_EQ(ClientLog(), "");
}

TEST_F(Check, EachBadReplyGivesItsMessageAndNoRating) {
  Process app = Start();
  const Window main = MainOf(app);
  main.Child(Id(MainWindow::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  const std::string url = service_.Url("/api/fakeskan.php") + "?hash=" + kSingleHash;
  const std::string page = "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>";
  struct Case {
    std::function<void()> serve;
    std::string message;
  };
  const Case cases[] = {
      {[&] { service_.Reply(200, "GOOD\r\n"); }, "Unexpected value returned from API call:\r\nGOOD\r\n"},
      {[&] { service_.Reply(200, ""); }, "No data was returned back from API call."},
      {[&] { service_.Reply(404, page); }, "404 error!:\r\n" + page},
      {[&] { service_.Silent(); }, "Error contacting URL: " + url},
  };
  for (const Case& c : cases) {
    c.serve();
    main.Child(Id(MainWindow::kRating)).SetText("stale");
    main.Child(Id(MainWindow::kCheckButton)).Click();
    const MessageBoxWindow box = WaitForMessageBox(kTitle, app.id(), Millis{40000});
    EXPECT_EQ(box.Text(), c.message);
    box.Dismiss();
    main.Child(Id(MainWindow::kRating)).WaitForText("");
  }
  main.Close();
  EXPECT_EQ(app.ExpectExit(), 0u);
}

TEST_F(Check, LaunchWithNoServiceIsBlockedAfterTheMessage) {
  Process app = Start();
  const Window main = MainOf(app);
  // A port that nothing listens on: a server made and gone again.
  std::string dead;
  {
    brisvane::testing::TestHttpServer gone;
    dead = gone.Url("/api/fakeskan.php");
  }
  main.Child(Id(MainWindow::kServiceUrl)).SetText(dead);
  main.Child(Id(MainWindow::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(MainWindow::kLaunchButton)).Click();
  const MessageBoxWindow box = WaitForMessageBox(kTitle, app.id(), Millis{30000});
  EXPECT_EQ(box.Text(), "Error contacting URL: " + dead + "?hash=" + kSingleHash);
  box.Dismiss();
  const Window popup = Popup(app, main);
  EXPECT_EQ(popup.Child(Id(PopupWindow::kAction)).Text(), "Blocked");
  popup.WaitGone(Millis{11000});
  EXPECT_EQ(ClientLog(), "");
  main.Close();
  EXPECT_EQ(app.ExpectExit(), 0u);
}

}  // namespace
}  // namespace brisvane::e2e
