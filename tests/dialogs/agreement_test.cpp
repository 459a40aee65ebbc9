#include "dialogs/agreement.h"

#include <gtest/gtest.h>

#include "app/app_fixture.h"
#include "settings/registry_functions.h"

namespace brisvane {
namespace {

using testing::AppWorld;
using testing::FakeForm;
constexpr char kKey[] = "Software\\Kestrelwick\\Brisvane";

TEST(DialogAgreement, FirstStartShowsTheTermsBeforeAnythingElse) {
  AppWorld w;
  w.StartAndSettle();
  ASSERT_NE(w.app.agreement().view(), nullptr);
  FakeForm& dialog = w.host.Get(w.app.agreement());
  EXPECT_TRUE(dialog.visible);
  EXPECT_EQ(dialog.spec.caption, "User Agreement");
  EXPECT_EQ(dialog.Text(lblAgreement),
            "To use the program you must agree to the bitsnoop.com Terms Of Service (TOS).  By clicking the ok "
            "button you agree to follow the TOS for use of the Bitsnoop API.  If you do not accept these terms "
            "please click the cancel button to exit the program.");
  EXPECT_EQ(dialog.Text(lblTermsCaption), "bitsnoop.com terms of service URL:");
  EXPECT_FALSE(w.app.form1().IsLoaded());
  EXPECT_EQ(dialog.spec.default_button, OKButton);
  EXPECT_EQ(dialog.spec.cancel_button, CancelButton);
}

TEST(DialogAgreement, CancelEndsTheProgramAndWritesNothing) {
  for (bool by_close_box : {false, true}) {
    AppWorld w;
    w.StartAndSettle();
    if (by_close_box) {
      w.host.CloseByUser(w.app.agreement());
    } else {
      w.host.Click(w.app.agreement(), CancelButton);
    }
    EXPECT_TRUE(w.host.quit);
    EXPECT_FALSE(w.app.form1().IsLoaded());
    EXPECT_FALSE(w.registry.QueryValue(RegistryRoot::CurrentUser, kKey, "TOS").has_value());
    EXPECT_FALSE(w.registry.QueryValue(RegistryRoot::CurrentUser, kKey, "URL").has_value());
  }
}

TEST(DialogAgreement, OkRecordsAcceptanceAndShowsTheMainWindow) {
  AppWorld w;
  w.StartAndSettle();
  w.host.Click(w.app.agreement(), OKButton);
  w.host.RunTimers();
  EXPECT_EQ(w.app.agreement().view(), nullptr);
  EXPECT_TRUE(w.Main().visible);
  const RegValue tos = GetRegValue(w.registry, RegistryRoot::CurrentUser, kKey, "TOS", false);
  EXPECT_EQ(tos.text(), "ACCEPT");
  EXPECT_EQ(w.registry.QueryValue(RegistryRoot::CurrentUser, kKey, "TOS")->type, kRegSz);
}

TEST(DialogAgreement, OnlyAnExactAcceptSkipsTheTerms) {
  for (const char* stored : {"accept", "ACCEPT ", "ACCEPTED", ""}) {
    AppWorld w;
    w.registry.CreateKey(RegistryRoot::CurrentUser, kKey);
    std::string data = std::string(stored) + '\0';
    w.registry.SetValue(RegistryRoot::CurrentUser, kKey, "TOS", MakeRegText(data));
    w.StartAndSettle();
    EXPECT_TRUE(w.host.Get(w.app.agreement()).visible) << "TOS=" << stored;
  }
  AppWorld accepted;
  accepted.AcceptTerms();
  accepted.StartAndSettle();
  EXPECT_EQ(accepted.app.agreement().view(), nullptr);
  EXPECT_EQ(accepted.host.load_order, (std::vector<std::string>{"User Agreement", "Brisvane"}));
}

TEST(DialogAgreement, CommandLineRunOnAFirstStartWaitsForOkThenChecksVisibly) {
  AppWorld w;
  w.fs.Put("C:\\t.torrent", "d4:infodee");
  w.system.command_line = "\"C:\\t.torrent\"";
  w.StartAndSettle();
  EXPECT_FALSE(w.app.form1().IsLoaded());  // nothing runs before the user answers
  bool visible_during_check = false;
  w.host.Click(w.app.agreement(), OKButton);
  visible_during_check = w.Main().visible;
  w.host.RunTimers();
  EXPECT_TRUE(visible_during_check);
  EXPECT_TRUE(w.host.quit);
}

}  // namespace
}  // namespace brisvane
