#pragma once
// The whole program's logic on fakes: a user at a fake desktop with an in-memory registry and files.
#include "app/application.h"
#include "notify/notify_fakes.h"
#include "support/fake_http.h"
#include "support/fake_desktop.h"
#include "support/memory_file_system.h"
#include "support/memory_registry.h"

namespace brisvane::testing {

struct AppWorld {
  FakeFormHost host;
  MemoryFileSystem fs;
  MemoryRegistry registry;
  FakeMessageBox messages;
  FakeSystem system;
  FakeFileDialogs dialogs;
  FakeLauncher launcher;
  FakeHttpClient http;
  FakeClock clock;
  FakeDesktopWindows desktop;
  FakeProcessTables process_tables;
  FakePrompt prompt;
  Application app{AppServices{host, fs, registry, messages, system, dialogs, launcher, http, clock, desktop,
                              process_tables, prompt}};

  void AcceptTerms() {
    registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Kestrelwick\\Brisvane");
    registry.SetValue(RegistryRoot::CurrentUser, "Software\\Kestrelwick\\Brisvane", "TOS",
                      MakeRegText(std::string_view("ACCEPT\0", 7)));
  }
  // Starts the program and lets its start-up timers run, as the message loop would.
  void StartAndSettle() {
    app.Start();
    host.RunTimers();
  }
  FakeForm& Main() { return host.Get(app.form1()); }
};

}  // namespace brisvane::testing
