#include "app/application.h"

namespace brisvane {

Application::Application(const AppServices& services)
    : s_(services),
      form1_(Form1Services{services.host, *this, services.fs, services.registry, services.messages, services.system,
                           services.dialogs}),
      agreement_(services.registry, *this),
      about_(services.registry, services.fs, services.launcher, services.messages) {}

void Application::Start() { s_.host.Load(DialogAgreementSpec(), agreement_); }

void Application::LoadMainWindow(bool show) {
  IFormView& view = s_.host.Load(Form1Spec(), form1_);
  if (show) view.Show();
}

void Application::ShowAbout() {
  IFormView& view = s_.host.Load(FrmAboutSpec(), about_);
  view.Show();
  view.BringToFront();
}

void Application::ShowFileAssociation() {
  // The association window comes with the association manager.
}

void Application::CloseSecondaryWindows() {
  if (about_.view()) about_.view()->Close();
}

}  // namespace brisvane
