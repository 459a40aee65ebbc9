// Who Windows starts for .torrent files and magnet links, making this program that handler and putting
// the previous one back, on each row of Windows versions, the uninstaller's revert, and the window that
// shows the handler and toggles the association. The end-to-end scenarios drive the same under Wine on
// XP, Server 2003, 7 and 10.
#include <gtest/gtest.h>

#include "settings/association_cleanup.h"
#include "settings/association_window.h"
#include "settings/magnet_association.h"
#include "settings/settings_store.h"
#include "settings/torrent_association.h"
#include "settings/windows_version.h"
#include "support/fakes.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

using Strings = std::vector<std::string>;
// The command and the name the window shows; in the window, the name and the button's caption.
using Handler = std::pair<std::string, std::string>;
using A = AssociationWindow;
using testing::kWindows2000, testing::kWindowsXp, testing::kWindowsServer2003, testing::kWindows7, testing::kWindows10;
using testing::PutText, testing::ReadText;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr OsVersionInfo kVista{6, 0, 6002, kVerPlatformWin32Nt};
constexpr char kAcmeCommand[] = "\"C:\\Program Files\\Acme\\acme.exe\" /open \"%1\"";
constexpr char kBrisvane[] = "C:\\Apps\\Brisvane.exe";

struct World {
  testing::MemoryRegistry registry;
  testing::FakeSystem system;
  explicit World(OsVersionInfo version = kWindows7, const char* exe = kBrisvane) {
    system.version = version;
    system.exe_path = exe;
  }
  std::string Read(std::string_view key, std::string_view name = "") { return ReadText(registry, CU, key, name); }
  void Put(std::string_view key, std::string_view name, std::string_view v) { PutText(registry, CU, key, name, v); }
  void Put(std::string_view key, std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, text] : values) Put(key, name, text);
  }
  // A client registered for the whole machine, as installers do.
  void InstallAcme() {
    PutText(registry, RegistryRoot::LocalMachine, "Software\\Classes\\.torrent", "", "Acme.Torrent");
    testing::PutMachineClass(registry, "Acme.Torrent", kAcmeCommand);
  }
  // A magnet client for the machine; the user may have one of their own for the scheme, and on Vista and
  // later may have chosen another one's class.
  void InstallMagnetClients(bool user_class, bool user_choice) {
    testing::PutMachineClass(registry, "magnet", "\"C:\\Program Files\\Acme\\acme.exe\" /magnet \"%1\"");
    testing::PutMachineClass(registry, "Other.Magnet", "other.exe \"%1\"");
    if (user_class) {
      Put(kUserMagnetKey, {{"", "URL:Mine"}, {"URL Protocol", ""}});
      Put(std::string(kUserMagnetKey) + "\\DefaultIcon", "", "mine.exe,1");
      Put(std::string(kUserMagnetKey) + "\\shell\\open\\command", "", "C:\\Users\\me\\Mine Client\\mine.EXE %1");
    }
    if (user_choice) Put(kMagnetUserChoiceKey, {{"Progid", "Other.Magnet"}, {"Hash", "abc="}});
  }
  Handler Torrent() { return {FindTorrentHandlerCommand(registry, system), FindTorrentHandlerName(registry, system)}; }
  Handler Magnet() { return {FindMagnetHandlerCommand(registry, system), FindMagnetHandlerName(registry, system)}; }
  // The values of the keys as "name=text", a DWORD as "name#number"; "-" for a missing key.
  Strings Values(std::initializer_list<std::string_view> keys) {
    Strings seen;
    for (const std::string_view key : keys) {
      if (!registry.KeyExists(CU, key)) seen.push_back("-");
      for (const std::string& name : registry.ValueNames(CU, key).value_or(Strings{}))
        seen.push_back(name + (registry.QueryValue(CU, key, name)->type == kRegDword ? "#" : "=") + Read(key, name));
    }
    return seen;
  }
};

// Only 2000, XP and Server 2003 (also 64-bit XP) keep the association the old shell's way, told by the
// name alone; from 8 on only the user chooses, in the settings. Other platforms' numbers are neither.
TEST(WindowsVersion, SaysHowTheAssociationIsKept) {
  const std::tuple<OsVersionInfo, bool, bool> rows[] = {
      {{0, 0, 0, 0}, false, false},       {{5, 1, 2600, 1}, false, false},   {{6, 2, 9200, 1}, false, false},
      {{10, 0, 0, 3}, false, false},      {{4, 0, 1381, 2}, false, false},   {{5, 0, 2195, 2}, true, false},
      {{5, 1, 2600, 2}, true, false},     {{5, 2, 3790, 2}, true, false},    {{5, 3, 0, 2}, false, false},
      {{6, 1, 7601, 2}, false, false},    {{6, 2, 9200, 2}, false, true},    {{10, 0, 19045, 2}, false, true},
  };
  for (const auto& [record, old_shell, choose_in_settings] : rows) {
    SCOPED_TRACE(::testing::Message() << record.platform_id << ": " << record.major << "." << record.minor);
    EXPECT_EQ(IsOldShellVersion(GetWindowsVersionName(record)), old_shell);
    EXPECT_EQ(ChoosesThroughSettings(record), choose_in_settings);
  }
}

// Each step adds a place that answers before the ones already there.
TEST(TorrentHandler, ThePerUserChoiceThenTheUsersClassThenTheLastProgramThatCanOpenIt) {
  for (const OsVersionInfo& version : {kVista, kWindows10, OsVersionInfo{4, 0, 1381, 2}, OsVersionInfo{}}) {
    World w(version);
    w.InstallAcme();                                 // the machine's class is not asked on this path
    w.Put(kFileExtsKey, "Application", "left.exe");  // left behind by an older Windows
    EXPECT_EQ(w.Torrent(), Handler("", ""));
    for (const char* name : {"First", "Last"}) {
      SetRegValue(w.registry, CU, kOpenWithProgidsKey, name + std::string(".Torrent"), std::int32_t{0});
      testing::PutMachineClass(w.registry, name + std::string(".Torrent"), name);
    }
    EXPECT_EQ(w.Torrent(), Handler("Last", "Last.Torrent"));
    w.Put(kUserExtensionKey, "", "Ext.Torrent");
    testing::PutMachineClass(w.registry, "Ext.Torrent", "ext");
    EXPECT_EQ(w.Torrent(), Handler("ext", "Last.Torrent"));  // the name does not ask the user's class
    w.Put(kUserChoiceKey, "Progid", "Applications\\acme.exe");
    EXPECT_EQ(w.Torrent(), Handler("", "Applications\\acme.exe"));  // a choice without a command is final
    testing::PutMachineClass(w.registry, "Applications\\acme.exe", kAcmeCommand);
    w.Put("Software\\Classes\\Applications\\acme.exe\\shell\\open\\command", "", "never read here");
    EXPECT_EQ(w.Torrent(), Handler(kAcmeCommand, "Applications\\acme.exe"));  // as stored: quotes, switch, %1
    w.Put("Software\\Microsoft\\Windows\\CurrentVersion\\Classes\\Applications\\acme.exe\\shell\\open\\command", "",
          "mine");
    EXPECT_EQ(w.Torrent(), Handler("mine", "Applications\\acme.exe"));
  }
}

// Server 2003 finds the command the old shell's way too, but names the per-user choice unless an
// application is chosen the old way.
TEST(TorrentHandler, OnTheOldShellTheChosenApplicationThenTheExplorersClassThenTheMachinesClass) {
  for (const OsVersionInfo& version : {kWindows2000, kWindowsXp, kWindowsServer2003}) {
    World w(version);
    const auto named = [&](const char* name) { return version.minor == 2 ? "Chosen.Torrent" : name; };
    w.Put(kUserChoiceKey, "Progid", "Chosen.Torrent");
    EXPECT_EQ(w.Torrent(), Handler("", named("")));
    w.InstallAcme();
    EXPECT_EQ(w.Torrent(), Handler(kAcmeCommand, named("Acme.Torrent")));
    w.Put(kFileExtsKey, "", "Mine.Torrent");
    w.Put("Software\\Classes\\Mine.Torrent\\shell\\open\\command", "", "not here");
    EXPECT_EQ(w.Torrent(), Handler("", named("Mine.Torrent")));
    w.Put("Mine.Torrent\\shell\\open\\command", "", "mine");  // directly below the user's root
    EXPECT_EQ(w.Torrent(), Handler("mine", named("Mine.Torrent")));
    w.Put(kFileExtsKey, "Application", "acme.exe");
    std::vector<std::pair<RegistryRoot, std::string>> keys;  // in the order they are asked
    for (const RegistryRoot root : {CU, RegistryRoot::LocalMachine})
      for (const char* below : {"Applications\\", ""})
        keys.emplace_back(root, "Software\\Classes\\" + std::string(below) + "acme.exe\\shell\\open\\command");
    for (std::size_t i = 0; i < 4; ++i) PutText(w.registry, keys[i].first, keys[i].second, "", std::to_string(i));
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(w.Torrent(), Handler(std::to_string(i), "acme.exe"));
      PutText(w.registry, keys[i].first, keys[i].second, "", "");  // empty counts as missing
    }
    EXPECT_EQ(w.Torrent(), Handler("", "acme.exe"));
  }
}

// The executable is not called Brisvane and has dots in its folder and its name: what is written follows
// the file, the class keeps the program's name. The end-to-end scenarios read what Set remembers.
TEST(TorrentAssociation, SetMakesThisProgramTheHandlerAndRevertPutsBackWhatTheProbesFoundBefore) {
  const std::string own_command = "\"D:\\v1.2\\bv.x.exe\" \"%1\"",
                    class_command = std::string(kProgramClassKey) + "\\shell\\open\\command";
  // The version, the machine's class, the old shell's application or the per-user choice, the name once set.
  const std::tuple<OsVersionInfo, std::string, std::string, const char*> rows[] = {
      {kWindows2000, "Acme.Torrent", "acme.exe", "bv.x.exe"},
      {kWindowsXp, "Acme.Torrent", "acme.exe", "bv.x.exe"},
      {kWindowsServer2003, "Acme.Torrent", "", "bv.x.exe"},
      {kVista, "", "", "Brisvane"},
      {kWindows7, "Acme.Torrent", "Acme.Torrent", "Applications\\bv.x.exe"},
  };
  for (const auto& [version, previous_class, chosen_before, shown_once_set] : rows) {
    SCOPED_TRACE(shown_once_set);
    World w(version, "D:\\v1.2\\bv.x.EXE");
    const bool old_shell = version.major == 5, chosen = !chosen_before.empty();
    if (!previous_class.empty()) w.InstallAcme();
    testing::PutMachineClass(w.registry, "Applications\\acme.exe", kAcmeCommand);
    if (old_shell && chosen) w.Put(kFileExtsKey, "Application", chosen_before);
    if (!old_shell) w.Put(kFileExtsKey, "Other", "kept");
    if (!old_shell && chosen) {
      w.Put(kUserChoiceKey, {{"Progid", "Acme.Torrent"}, {"Hash", "abc="}});
      SetRegValue(w.registry, CU, kOpenWithProgidsKey, "Acme.Torrent", std::int32_t{0});
    }
    const Handler before = w.Torrent();

    EXPECT_EQ(SetTorrentAssociation(w.registry, w.system), old_shell ? "bv.x" : "Brisvane");
    EXPECT_EQ(w.Torrent().second, shown_once_set);
    EXPECT_TRUE(IsOwnHandlerName(shown_once_set, "bv.x"));
    EXPECT_EQ(w.Read("Software\\Classes\\Applications\\bv.x.exe\\shell\\open\\command"), own_command);
    if (old_shell) {
      EXPECT_EQ(w.Torrent().first, own_command);
      EXPECT_EQ(w.Values({kFileExtsKey, kOpenWithListKey}), Strings{"Application=bv.x.exe"});
      // Nothing of the per-user choice's places is touched on this path.
      EXPECT_EQ(w.Values({kUserExtensionKey, kProgramClassKey, kOpenWithProgidsKey}), (Strings{"-", "-", "-"}));
    } else {
      EXPECT_EQ(w.Values({kUserExtensionKey, kFileExtsKey}), (Strings{"=Brisvane", "Other=kept"}));
      EXPECT_EQ(w.Read(class_command), own_command);
      // The choice is made anew, without the old hash; none is made where there was none.
      EXPECT_EQ(w.Values({kUserChoiceKey}), chosen ? Strings{"Progid=Applications\\bv.x.exe"} : Strings{"-"});
      EXPECT_EQ(w.Values({kOpenWithProgidsKey}), Strings{"Brisvane#0"});
    }

    const std::string back = old_shell ? chosen_before : previous_class;
    EXPECT_EQ(RevertTorrentAssociation(w.registry, w.system), back.empty() ? std::nullopt : std::optional(back));
    EXPECT_EQ(w.Torrent(), before);
    // The program's own class stays, for a choice that may still name it.
    const Strings after = old_shell ? Strings{"-", "-", "-"}
                                    : Strings{"=" + previous_class, previous_class + "#0", "=" + own_command};
    EXPECT_EQ(w.Values({kUserExtensionKey, kOpenWithProgidsKey, class_command}), after);
  }
}

TEST(MagnetAssociation, SetMakesThisProgramTheHandlerAndRevertGivesBackExactlyWhatWasThere) {
  const std::string command_key = std::string(kUserMagnetKey) + "\\shell\\open\\command",
                    icon_key = std::string(kUserMagnetKey) + "\\DefaultIcon";
  // The version, whether the user has a class and a choice of their own, the name before and once set, and
  // a client the user chose after the set, whose choice revert leaves.
  const std::tuple<OsVersionInfo, bool, bool, std::string, std::string, const char*> rows[] = {
      {kWindows2000, false, false, "acme.exe", "Brisvane.exe", nullptr},
      // The old shell knows no choice for a scheme: the user's class wins over the machine's.
      {kWindowsXp, true, true, "mine.EXE", "Brisvane.exe", nullptr},
      {kWindows7, true, false, "mine.EXE", "Brisvane.exe", nullptr},
      {kWindows7, true, true, "Other.Magnet", "Brisvane.Magnet", nullptr},
      {kWindows7, false, true, "Other.Magnet", "Brisvane.Magnet", nullptr},
      {kWindows7, false, true, "Other.Magnet", "Brisvane.Magnet", "Later.Magnet"},
  };
  for (const auto& [version, user_class, user_choice, name_before, own_name, chosen_since] : rows) {
    SCOPED_TRACE(::testing::Message() << version.minor << user_class << user_choice << !!chosen_since);
    World w(version);
    w.InstallMagnetClients(user_class, user_choice);
    const auto places = [&] { return w.Values({kUserMagnetKey, command_key, icon_key, kMagnetUserChoiceKey}); };
    Strings before = places();
    EXPECT_EQ(w.Magnet().second, name_before);

    EXPECT_EQ(SetMagnetAssociation(w.registry, w.system), own_name);
    EXPECT_TRUE(IsOwnHandlerName(own_name, "Brisvane"));
    EXPECT_EQ(w.Magnet().first, "\"C:\\Apps\\Brisvane.exe\" \"%1\"");
    EXPECT_EQ(w.Values({kUserMagnetKey}), (Strings{user_class ? "=URL:Mine" : "=URL:Magnet link", "URL Protocol="}));
    EXPECT_EQ(w.Read(icon_key), "\"C:\\Apps\\Brisvane.exe\",0");
    const bool chosen = own_name == kMagnetProgId;
    if (chosen) { EXPECT_EQ(w.Values({kMagnetUserChoiceKey}), Strings{"Progid=Brisvane.Magnet"}); }  // the old hash goes
    if (chosen_since) w.Put(kMagnetUserChoiceKey, "Progid", chosen_since);

    EXPECT_EQ(RevertMagnetAssociation(w.registry, w.system), chosen_since ? chosen_since : name_before);
    if (chosen_since) before.at(3) = "Progid=" + std::string(chosen_since);  // the class Set wrote goes all the same
    Strings after = places();
    if (chosen) after.push_back("Hash=abc=");  // only Windows can write the hash
    EXPECT_EQ(after, before);
  }
}

// Acme holds .torrent files and magnet links; then Brisvane may have taken both, and the user may have
// picked another client for .torrent files since. The uninstaller gives each kind back to Acme only while
// Brisvane holds it.
TEST(RevertAssociationIfOwned, RevertsOnlyWhatThisProgramHolds) {
  // What the row is, the version, the executable, whether Brisvane took both kinds, what was chosen since.
  const std::tuple<const char*, OsVersionInfo, const char*, bool, const char*> rows[] = {
      {"held", kWindows7, kBrisvane, true, nullptr},
      {"held, renamed executable", kWindows7, "C:\\Apps\\bv.exe", true, nullptr},
      {"another client chosen since", kWindows7, kBrisvane, true, "Other.Torrent"},
      {"never set", kWindows7, kBrisvane, false, nullptr},
      // Registered for the user to pick: the registration goes, the user's choice is Windows' to keep.
      {"registered", kWindows10, kBrisvane, true, nullptr},
      {"never registered", kWindows10, kBrisvane, false, nullptr},
      {"held, old shell", kWindowsXp, kBrisvane, true, nullptr},
  };
  for (const auto& [name, version, exe_path, set_by_brisvane, chosen_since] : rows) {
    SCOPED_TRACE(name);
    World w(version, exe_path);
    w.InstallMagnetClients(false, false);
    // Where this Windows keeps the user's choice.
    const std::string key(version.major < 6 ? std::string_view(kFileExtsKey) : kUserChoiceKey);
    const char* const value = version.major < 6 ? "Application" : "Progid";
    w.Put(key, value, "Acme.Torrent");
    if (set_by_brisvane && ChoosesThroughSettings(version)) {
      RegisterForChoice(w.registry, w.system, AssociationKind::kTorrent);
      RegisterForChoice(w.registry, w.system, AssociationKind::kMagnet);
    } else if (set_by_brisvane) {
      SetTorrentAssociation(w.registry, w.system);
      SetMagnetAssociation(w.registry, w.system);
    }
    if (chosen_since) w.Put(key, value, chosen_since);

    EXPECT_EQ(RevertAssociationIfOwned(w.registry, w.system), set_by_brisvane);
    EXPECT_EQ(w.Read(key, value), chosen_since ? chosen_since : "Acme.Torrent");
    EXPECT_EQ(w.Magnet().second, "acme.exe");
    EXPECT_FALSE(IsRegisteredForChoice(w.registry, AssociationKind::kTorrent));
    EXPECT_FALSE(IsRegisteredForChoice(w.registry, AssociationKind::kMagnet));
    EXPECT_FALSE(RevertAssociationIfOwned(w.registry, w.system)) << "nothing is left to give back";
  }
}

// The executable in any case, its base name, its Applications key as written, and the program's two classes.
TEST(IsOwnHandlerName, TheFourRules) {
  for (const char* own : {"BV.exe", "bv", "Applications\\bv.exe", "Brisvane", "Brisvane.Magnet"})
    EXPECT_TRUE(IsOwnHandlerName(own, "bv")) << own;
  for (const char* other : {"", "Brisvane.exe", "BV", "APPLICATIONS\\bv.exe", "bv.exe ", "Brisvane.Torrent"})
    EXPECT_FALSE(IsOwnHandlerName(other, "bv")) << other;
}

// The window: its caption rule, its widening rule, and on Windows 8 and later what it tells the user.
struct Window : ::testing::Test, World {
  testing::FakeFormHost host;
  testing::FakeDefaultApps default_apps;
  AssociationWindow window{registry, system, default_apps};

  Window() { Put(kUserChoiceKey, "Progid", "Acme.Torrent"); InstallAcme(); }
  testing::FakeForm& Open() { host.Load(window.LayoutForThisSystem(), window); return host.Get(window); }
  Handler Line(testing::FakeForm& form) { return {form.Text(A::kHandlerName), form.Text(A::kToggleButton)}; }
  Handler Click(testing::FakeForm& form) { host.Click(form, A::kToggleButton); return Line(form); }
};

// The model treats every version before Windows 8 alike; the old shell's is the one whose name can be
// this program's in any case.
TEST_F(Window, TheCaptionFollowsTheHandlerWhenOpenedAndThenAloneDecidesWhatTheButtonDoes) {
  system.version = kWindowsXp;
  Put(kFileExtsKey, "Application", "acme.exe");
  auto& form = Open();
  EXPECT_EQ(Line(form), Handler("acme.exe", "Set Association"));
  EXPECT_EQ(Click(form), Handler("Brisvane", "Revert Association"));
  EXPECT_EQ(Click(form), Handler("acme.exe", "Set Association"));
  Put(kFileExtsKey, "Application", "BRISVANE.EXE");
  EXPECT_EQ(Click(form), Handler("Brisvane", "Revert Association")) << "not asked again: a set";
  Put(kFileExtsKey, "Application", "BRISVANE.EXE");
  form.Close();
  auto& reopened = Open();
  EXPECT_EQ(Line(reopened), Handler("BRISVANE.EXE", "Revert Association"));
  Put(kSettingsKey, "Application", "");
  EXPECT_EQ(Click(reopened), Handler("BRISVANE.EXE", "Set Association"));  // nothing remembered: the name stays
}

TEST_F(Window, ALongNameWidensWindowAndButtonsAndAShortOneLeavesThemWide) {
  host.measure = [](const std::string& text) { return text == "Brisvane" ? 600 : text.empty() ? 0 : 3000; };
  Put(kUserChoiceKey, "Progid", "Applications\\SomeVeryLongTorrentClientName.exe");
  auto& form = Open();
  EXPECT_EQ(form.outer_width, 3000 + 2925);
  EXPECT_EQ(form.At(A::kToggleButton).width, 3000 + 1800);
  EXPECT_EQ(form.At(A::kMagnetToggleButton).width, 3000 + 1800);
  EXPECT_EQ(form.At(A::kHandlerName).width, 3000);  // the label fits its caption
  EXPECT_EQ(Click(form).first, "Brisvane");
  EXPECT_EQ(form.At(A::kHandlerName).width, 600);
  EXPECT_EQ(form.outer_width, 5925);
}

// Windows 8 and later: only the user can choose, and each choice carries a hash only Windows can write. The
// window registers the program for each kind on its own and says what to do; the registration's shared part
// goes with the last kind. The end-to-end scenario on Windows 10 reads every key, and takes them back the
// other way round. RegisterForChoice reads its open command back.
struct ChoiceWindow : Window {
  ChoiceWindow() {
    system.version = kWindows10;
    Put(kUserChoiceKey, "Hash", "abc=");
    InstallMagnetClients(false, true);
  }
  bool Registered(AssociationKind kind) { return IsRegisteredForChoice(registry, kind); }
};

TEST_F(ChoiceWindow, SetAsksTheUserToPickBrisvaneAndRevertToPickTheirClientWhileBrisvaneIsChosenOrSaysItIsRefused) {
  auto& form = Open();
  EXPECT_EQ(form.Text(A::kGuidance), "");
  EXPECT_EQ(Click(form), Handler("Acme.Torrent", "Revert Association"));  // the user has not picked yet
  EXPECT_TRUE(Registered(AssociationKind::kTorrent) && !Registered(AssociationKind::kMagnet));
  EXPECT_EQ(form.Text(A::kGuidance), GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kPickBrisvane));
  EXPECT_EQ(default_apps.opened, 1);
  EXPECT_EQ(default_apps.changes, 1);
  host.Click(form, A::kMagnetToggleButton);
  form.Close();
  auto& reopened = Open();
  EXPECT_EQ(Line(reopened).second, "Revert Association");  // it offers to take the registration back

  default_apps.opens = false;  // as under Wine: the user is told where to go instead
  Put(kUserChoiceKey, "Progid", "Brisvane");  // the user picked Brisvane in the settings
  EXPECT_EQ(Click(reopened), Handler("Brisvane", "Set Association"));
  EXPECT_TRUE(!Registered(AssociationKind::kTorrent) && Registered(AssociationKind::kMagnet));
  EXPECT_EQ(reopened.Text(A::kGuidance), GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kPickYourClientInSettings));
  Put(kUserChoiceKey, "Progid", "Acme.Torrent");
  Click(reopened);
  EXPECT_EQ(reopened.Text(A::kGuidance), GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kPickBrisvaneInSettings));
  Click(reopened);  // with another client chosen, revert has nothing to ask
  EXPECT_EQ(reopened.Text(A::kGuidance), "");
  host.Click(reopened, A::kMagnetToggleButton);
  EXPECT_EQ(Values({kCapabilitiesKey, kRegisteredApplicationsKey, kClassOpenWithProgidsKey}), Strings{"-"});
  // The ProgIDs stay for a choice that may still name them; the choices are as the user left them.
  EXPECT_TRUE(registry.KeyExists(CU, kProgramClassKey) && registry.KeyExists(CU, kMagnetClassKey));
  EXPECT_EQ(Values({kUserChoiceKey, kMagnetUserChoiceKey}),
            (Strings{"Progid=Acme.Torrent", "Hash=abc=", "Progid=Other.Magnet", "Hash=abc="}));

  const int opened = default_apps.opened;
  registry.SetReadOnly(true);  // a refused registration is said and not offered for revert
  EXPECT_EQ(Click(reopened).second, "Set Association");
  EXPECT_EQ(reopened.Text(A::kGuidance), GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kRegistrationRefused));
  EXPECT_EQ(default_apps.opened, opened);
}

}  // namespace
}  // namespace brisvane
