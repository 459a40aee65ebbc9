#include "app/application.h"

namespace brisvane {

Application::Application(const AppServices& services)
    : s_(services),
      processes_(services.process_tables, services.prompt, services.host),
      popup_(services.host, services.desktop, processes_, services.clock),
      main_model_(MainServices{services.fs, services.registry, services.messages, services.system, services.dialogs,
                               services.http, services.launcher, services.clock, popup_,
                               [this] { s_.host.ProcessPendingMessages(); }}),
      main_window_(main_model_, *this),
      agreement_(services.registry, [this](bool show) { OpenMainWindow(show); }),
      about_(services.registry, services.fs, services.launcher, services.messages),
      association_(services.registry, services.system, services.default_apps) {}

void Application::Start() {
  if (!ArgumentText(s_.system.CommandLine()).empty() && TermsAccepted(s_.registry)) {
    RunCommandLineWithoutWindows();
  } else {
    s_.host.Load(AgreementWindow::Layout(), agreement_);
  }
}

void Application::RunCommandLineWithoutWindows() {
  // Windows started us for a torrent, and the terms were accepted earlier: the agreement and the main
  // window would only be made to stay hidden, so the check starts at once, as the main window's start
  // timer would start it.
  main_model_.Load();
  main_model_.RunCommandLine();
  // What closing the main window does: the popup goes (it would otherwise wait out its ten seconds)
  // and the settings are stored.
  CloseSecondaryWindows();
  main_model_.Close();
}

void Application::OpenMainWindow(bool show) {
  IFormView& view = s_.host.Load(MainWindow::Layout(), main_window_);
  if (show) view.Show();
}

void Application::ShowAbout() {
  IFormView& view = s_.host.Load(AboutBox::Layout(), about_);
  view.Show();
  view.BringToFront();
}

void Application::ShowFileAssociation() {
  IFormView& view = s_.host.Load(association_.LayoutForThisSystem(), association_);
  view.Show();
  view.BringToFront();
}

void Application::CloseSecondaryWindows() {
  popup_.Close();
  association_.Close();
  about_.Close();
}

}  // namespace brisvane
