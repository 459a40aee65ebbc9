#pragma once
// What the scenarios of a check share: Brisvane.exe with the terms accepted, a local reputation service,
// and a stand-in torrent client that records the command line Brisvane started it with.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "e2e/scenario.h"  // windows.h, before tlhelp32.h
#include <tlhelp32.h>

#include "notify/popup_window.h"
#include "support/test_http_server.h"
#include "win32/text.h"

namespace brisvane::e2e {

// The lookup, the popup's ten seconds and the slides, with room to spare.
inline constexpr Millis kCheckTimeout{30000};

inline bool StandinRunning() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
    found = _wcsicmp(entry.szExeFile, L"standin_client.exe") == 0;
  }
  CloseHandle(snapshot);
  return found;
}

class Launch : public Scenario {
 protected:
  void SetUp() override {
    std::filesystem::remove(log_);
    SetEnvironmentVariableW(L"BRISVANE_STANDIN_LOG", log_.c_str());  // Brisvane passes it on to the client
    settings_.Seed("TOS", "ACCEPT").Seed("URL", service_.Url("/api/fakeskan.php")).Seed("torPath", standin_);
  }
  void TearDown() override { std::filesystem::remove(log_); }

  // The popup shares its caption, and its controls' ids, with the main window.
  static Window PopupOf(const Process& app, const Window& main = Window()) {
    return WaitForTopWindow({kMainCaption, app.id(), {Id(PopupWindow::kAction)}, main.handle()}, kCheckTimeout);
  }
  std::string ClientLog() const {
    std::stringstream text;
    text << std::ifstream(log_).rdbuf();
    return text.str();
  }
  // Once Brisvane has ended, a client it started runs still or has written its line.
  std::string ClientCommandLine() const {
    WaitUntil("the stand-in client to end", [] { return !StandinRunning(); });
    return ClientLog();
  }
  std::string Launched(const std::string& torrent) const { return standin_ + " \"" + torrent + "\"\n"; }

  brisvane::testing::TestHttpServer service_;
  const std::string standin_ = ExecutableDir() + "\\standin_client.exe";
  const std::filesystem::path log_ = win32::Widen(ExecutableDir() + "\\standin_client.log");
};

}  // namespace brisvane::e2e
