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

void Application::Start() { s_.host.Load(AgreementWindow::Layout(), agreement_); }

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
