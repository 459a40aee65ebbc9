#pragma once
// What the scenarios share: Brisvane.exe with the terms accepted, started as a user or Windows starts it;
// its settings key and windows; the example torrents; a local reputation service; and a stand-in torrent
// client that records the command line Brisvane started it with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/driver.h"  // windows.h, before tlhelp32.h
#include <tlhelp32.h>

#include "app/main_window.h"
#include "notify/popup_window.h"
#include "support/test_http_server.h"
#include "win32/form_host.h"
#include "win32/text.h"

namespace brisvane::e2e {

inline constexpr char kSettingsKey[] = "Software\\Kestrelwick\\Brisvane";
// The main window and the popup are both captioned so.
inline constexpr char kMainCaption[] = "Brisvane";
inline constexpr char kMessageCaption[] = "Brisvane - by Kestrelwick";
// The lookup, the popup's ten seconds and the slides, with room to spare.
inline constexpr Millis kCheckTimeout{30000};

// A form control's window id.
inline int Id(int control) { return kControlWindowIdBase + control; }
inline std::string ProgramPath() { return FromHostPath(BRISVANE_PROGRAM_EXE); }
inline std::string ExamplePath(std::string_view name) {
  return FromHostPath(std::string(BRISVANE_SOURCE_DIR) + "/examples/" + std::string(name));
}

// For the screenshots in docs/ (scripts/screenshots.sh): when BRISVANE_SHOWCASE names a folder, writes
// <folder>\<name>.ready with the window's screen rectangle and waits for the script's <name>.done.
inline void Pose(const std::string& name, const Window& window) {
  const char* folder = std::getenv("BRISVANE_SHOWCASE");
  if (!folder || !*folder) return;
  RECT r{};
  GetWindowRect(window.handle(), &r);
  const std::string base = std::string(folder) + "\\" + name;
  std::ofstream(base + ".ready") << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left << "+" << r.top;
  WaitUntil(base + ".done", [&] { return std::filesystem::exists(base + ".done"); }, Millis{30000});
}

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(log_);
    SetEnvironmentVariableW(L"BRISVANE_STANDIN_LOG", log_.c_str());  // Brisvane passes it on to the client
    settings_.Seed("TOS", "ACCEPT").Seed("URL", service_.Url("/api/fakeskan.php")).Seed("torPath", standin_);
  }

  static Process Start(std::vector<std::string> args = {}) {
    args.insert(args.begin(), ProgramPath());
    return Process(args);
  }
  static Window MainOf(const Process& app) {
    return WaitForTopWindow({kMainCaption, app.id(), {Id(MainWindow::kAboutButton)}});
  }
  // The popup of `app` (`main` shares its caption and its controls' ids) once it has risen: its bottom
  // edge on the screen's bottom row, as there is no task bar on the tests' desktop.
  static Window PopupOf(const Process& app, const Window& main = Window()) {
    const Window popup =
        WaitForTopWindow({kMainCaption, app.id(), {Id(PopupWindow::kAction)}, main.handle()}, kCheckTimeout);
    WaitUntil("the popup to rise", [&] {
      RECT r{};
      return GetWindowRect(popup.handle(), &r) && r.bottom == GetSystemMetrics(SM_CYSCREEN) - 1;
    });
    return popup;
  }
  // As the user ends the program: the caption's close button.
  static void CloseAndWait(const Window& main, const Process& app) {
    main.Close();
    EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  }

  // Once Brisvane has ended, a client it started runs still or has written its line.
  std::string ClientCommandLine() const {
    WaitUntil("the stand-in client to end", [] {
      HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
      PROCESSENTRY32W entry{};
      entry.dwSize = sizeof entry;
      bool running = false;
      for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry))
        running = _wcsicmp(entry.szExeFile, L"standin_client.exe") == 0;
      CloseHandle(snapshot);
      return !running;
    });
    std::ifstream text(log_);
    return {std::istreambuf_iterator<char>(text), {}};
  }
  std::string Launched(const std::string& torrent) const { return standin_ + " \"" + torrent + "\"\n"; }

  brisvane::testing::TestHttpServer service_;
  registry::ScopedKey settings_{kSettingsKey};
  const std::string standin_ = FromHostPath(BRISVANE_STANDIN_EXE);
  const std::filesystem::path log_ = win32::Widen(standin_ + ".log");
};

}  // namespace brisvane::e2e
