#include "app/application.h"

namespace brisvane {

Application::Application(const AppServices& services)
    : s_(services),
      popup_(services.host),
      processes_(services.process_tables, services.prompt, services.host),
      form1_(Form1Services{services.host, *this, services.fs, services.registry, services.messages, services.system,
                           services.dialogs, services.http, services.launcher, services.clock, services.desktop,
                           popup_, processes_}),
      agreement_(services.registry, *this),
      about_(services.registry, services.fs, services.launcher, services.messages),
      association_(services.registry, services.system, [this](std::string_view name) {
        if (form1_.view()) form1_.view()->AddListItem(List1, name);
      }) {}

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
  IFormView& view = s_.host.Load(FrmSettingsSpec(), association_);
  view.Show();
  view.BringToFront();
}

void Application::CloseSecondaryWindows() {
  popup_.Close();
  if (association_.view()) association_.view()->Close();
  if (about_.view()) about_.view()->Close();
}

}  // namespace brisvane
