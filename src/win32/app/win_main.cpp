// Brisvane.exe: builds the Windows services and the program's windows, then runs the message loop.
#include <windows.h>

#include <exception>

#include "app/application.h"
#include "product.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "settings/association_cleanup.h"
#include "win32/default_apps.h"
#include "win32/desktop_windows.h"
#include "win32/file_dialogs.h"
#include "win32/form_host.h"
#include "win32/process_launcher.h"
#include "win32/prompt.h"
#include "win32/wmi_process_table.h"
#include "win32/system_services.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The uninstaller's step: hand .torrent files back to the client Brisvane replaced, without a window.
  if (brisvane::Win32System system; brisvane::ArgumentText(system.CommandLine()) == "--revert-association") {
    brisvane::RevertAssociationIfOwned(*brisvane::MakeSystemRegistry(), system);
    return 0;
  }
  int exit_code = 0;
  brisvane::Win32MessageBox messages;
  try {
    auto fs = brisvane::MakeSystemFileSystem();
    auto registry = brisvane::MakeSystemRegistry();
    brisvane::Win32FormHost host;
    brisvane::Win32System system;
    brisvane::win32::FileDialogs dialogs;
    brisvane::win32::ProcessLauncher launcher;
    // Never destroyed: a lookup still waiting on a silent service when the user closes the window ends
    // with the process, not before the client it is using.
    brisvane::IHttpClient& http = *brisvane::MakeSystemHttpClient().release();
    auto clock = brisvane::MakeSystemClock();
    brisvane::win32::DesktopWindows desktop;
    brisvane::win32::WmiProcessTables process_tables;
    brisvane::win32::Prompt prompt;
    brisvane::win32::DefaultApps default_apps;
    brisvane::Application app(brisvane::AppServices{host, *fs, *registry, messages, system, dialogs, launcher, http,
                                                     *clock, desktop, process_tables, prompt,
                                                     default_apps});
    app.Start();
    exit_code = host.Run();
  } catch (const std::exception& error) {
    // Nothing should get here; if something does, say what rather than vanish.
    messages.Show(std::string("Brisvane has to close: ") + error.what(), brisvane::kProgramTitle);
    exit_code = 1;
  }
  return exit_code;
}
