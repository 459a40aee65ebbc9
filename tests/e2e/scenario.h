#pragma once
// What the scenarios share: Brisvane.exe started as a user or Windows starts it, its settings key, its
// main window, and the example torrents.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "e2e/driver.h"
#include "notify/popup_window.h"
#include "win32/form_host.h"

namespace brisvane::e2e {

inline constexpr char kSettingsKey[] = "Software\\Kestrelwick\\Brisvane";
// The main window and the popup are both captioned so.
inline constexpr char kMainCaption[] = "Brisvane";
inline constexpr char kMessageCaption[] = "Brisvane - by Kestrelwick";

// A form control's window id.
inline int Id(int control) { return kControlWindowIdBase + control; }
inline std::string ProgramPath() { return FromHostPath(BRISVANE_PROGRAM_EXE); }
inline std::string ExamplePath(std::string_view name) {
  return FromHostPath(std::string(BRISVANE_SOURCE_DIR) + "/examples/" + std::string(name));
}

class Scenario : public ::testing::Test {
 protected:
  static Process Start(std::vector<std::string> args = {}) {
    args.insert(args.begin(), ProgramPath());
    return Process(args);
  }
  // Any start after the first: the terms were accepted then.
  Process StartAccepted(std::vector<std::string> args = {}) {
    settings_.Seed("TOS", "ACCEPT");
    return Start(std::move(args));
  }
  static Window MainOf(const Process& app) {
    return WaitForTopWindow({kMainCaption, app.id(), {Id(MainWindow::kAboutButton)}});
  }
  // As the user ends the program: the caption's close button.
  static void CloseAndWait(const Window& main, const Process& app) {
    main.Close();
    EXPECT_EQ(app.ExpectExit(), 0u);
  }

  // The popup of `app` (`main` shares its caption) once it has risen: its bottom edge on the screen's
  // bottom row, as there is no task bar on the tests' desktop.
  static Window RisenPopupOf(const Process& app, const Window& main = Window()) {
    const Window popup = WaitForTopWindow({kMainCaption, app.id(), {Id(PopupWindow::kAction)}, main.handle()});
    WaitUntil("the popup to rise", [&] {
      RECT r{};
      return GetWindowRect(popup.handle(), &r) && r.bottom == GetSystemMetrics(SM_CYSCREEN) - 1;
    });
    return popup;
  }

  registry::ScopedKey settings_{kSettingsKey};
};

}  // namespace brisvane::e2e
