// The driver against a known program (harness_sample.exe, beside this test), so that a failing
// scenario of the real program points at the program and not at the driver.
#include <windows.h>
#include <shellapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "e2e/driver.h"

namespace brisvane::e2e {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

constexpr char kCaption[] = "Harness Sample";
constexpr char kKey[] = "Software\\Kestrelwick\\HarnessSample";
constexpr int kIdName = 101;
constexpr int kIdRemember = 102;
constexpr int kIdGreet = 103;
constexpr int kIdStatus = 104;

std::string SamplePath() { return ExecutableDir() + "\\harness_sample.exe"; }

std::string Message(const std::function<void()>& action) {
  try {
    action();
  } catch (const DriverError& e) {
    return e.what();
  }
  ADD_FAILURE() << "expected a DriverError";
  return {};
}

class HarnessSample : public testing::Test {
 protected:
  Process Start(std::vector<std::string> args = {}, const LaunchOptions& options = {}) {
    args.insert(args.begin(), SamplePath());
    return Process::Start(args, options);
  }

  // The sample's main window; its message boxes share the caption but lack the Greet button.
  static Window MainWindow(const Process& process) {
    return WaitForTopWindow(WindowQuery{kCaption, {}, process.id(), {kIdGreet}});
  }

  registry::ScopedKey key_{kKey};
};

TEST_F(HarnessSample, TypedTextIsGreetedStoredOnCloseAndCounted) {
  const std::string name = "Зоя 日本語 Ærø";
  Process app = Start();
  const Window main = MainWindow(app);
  EXPECT_EQ(main.ClassName(), "BrisvaneHarnessSample");

  const Window edit = main.Child(kIdName);
  EXPECT_EQ(edit.Text(), "");
  edit.SetText(name);
  EXPECT_EQ(edit.Text(), name);

  main.ChildByText("Greet").Click();
  const MessageBoxWindow box = WaitForMessageBox(kCaption, app.id());
  EXPECT_EQ(box.window().ClassName(), "#32770");
  EXPECT_EQ(box.Caption(), kCaption);
  EXPECT_EQ(box.Text(), "Hello, " + name + "!");
  EXPECT_THAT(box.Buttons(), ElementsAre("OK"));
  EXPECT_EQ(box.window().Owner(), main);
  box.Dismiss();
  // The handler ran on after the box closed.
  main.Child(kIdStatus).WaitForText("Greetings: 1");

  const Window remember = main.ChildByClass("Button", "Remember");
  EXPECT_EQ(remember.Id(), kIdRemember);
  EXPECT_EQ(remember.Check(), CheckState::Unchecked);
  remember.SetChecked(true);
  EXPECT_TRUE(remember.Checked());

  main.Close();
  main.WaitGone();
  EXPECT_EQ(app.ExpectExit(), 1u);
  EXPECT_EQ(key_.ReadString("Name"), name);
  EXPECT_EQ(key_.ReadDword("Remember"), 1u);
}

TEST_F(HarnessSample, SeededRegistryIsWhatTheProgramShows) {
  key_.Seed("Name", "Пётр").Seed("Remember", 1u);
  Process app = Start();
  const Window main = MainWindow(app);
  EXPECT_EQ(main.Child(kIdName).Text(), "Пётр");
  const Window remember = main.Child(kIdRemember);
  EXPECT_TRUE(remember.Checked());
  remember.SetChecked(false);
  remember.SetChecked(false);  // already so: no click
  EXPECT_EQ(remember.Check(), CheckState::Unchecked);

  main.Close();
  EXPECT_EQ(app.ExpectExit(), 0u);
  EXPECT_EQ(key_.ReadDword("Remember"), 0u);
  EXPECT_EQ(key_.ReadString("Name"), "Пётр");
}

TEST_F(HarnessSample, ArgumentsArriveUnchanged) {
  // The sample joins its arguments with '|'.
  const std::vector<std::string> args = {"plain", "two words", "say \"hi\"", "C:\\dir with blanks\\", "",
                                         "trail\\\\", "a\\\"b", "日本語 テスト"};
  Process app = Start(args);
  const Window main = MainWindow(app);
  EXPECT_EQ(main.Child(kIdName).Text(),
            "plain|two words|say \"hi\"|C:\\dir with blanks\\||trail\\\\|a\\\"b|日本語 テスト");
  main.Close();
  EXPECT_EQ(app.ExpectExit(), 0u);
}

TEST_F(HarnessSample, EnvironmentChangesReachOnlyTheStartedProgram) {
  struct OwnGreeting {
    OwnGreeting() { SetEnvironmentVariableW(L"HARNESS_SAMPLE_GREETING", L"Hi"); }
    ~OwnGreeting() { SetEnvironmentVariableW(L"HARNESS_SAMPLE_GREETING", nullptr); }
  } own_greeting;
  {
    Process app = Start({"Ann"}, LaunchOptions{{}, {{"HARNESS_SAMPLE_GREETING", "Здравствуй"}}});
    MainWindow(app).ChildByText("Greet").Click();
    const MessageBoxWindow box = WaitForMessageBox(kCaption, app.id());
    EXPECT_EQ(box.Text(), "Здравствуй, Ann!");
    box.Press("OK");
    box.WaitGone();
  }
  {
    // Removed: the program's own default, not the caller's value.
    Process app = Start({"Ann"}, LaunchOptions{{}, {{"harness_sample_greeting", std::nullopt}}});
    MainWindow(app).ChildByText("Greet").Click();
    EXPECT_EQ(WaitForMessageBox(kCaption, app.id()).Text(), "Hello, Ann!");
  }
  {
    Process app = Start({"Ann"});
    MainWindow(app).ChildByText("Greet").Click();
    EXPECT_EQ(WaitForMessageBox(kCaption, app.id()).Text(), "Hi, Ann!");
  }
}

TEST_F(HarnessSample, TwoInstancesAreToldApartByProcess) {
  Process first = Start({"first"});
  Process second = Start({"second"});
  const Window one = MainWindow(first);
  const Window two = MainWindow(second);
  ASSERT_NE(one, two);
  EXPECT_EQ(one.ProcessId(), first.id());
  EXPECT_EQ(two.ProcessId(), second.id());
  EXPECT_EQ(one.Child(kIdName).Text(), "first");
  EXPECT_EQ(two.Child(kIdName).Text(), "second");

  two.ChildByText("Greet").Click();
  const MessageBoxWindow box = WaitForMessageBox(kCaption, second.id());
  EXPECT_EQ(box.Text(), "Hello, second!");
  EXPECT_FALSE(FindTopWindow(WindowQuery{kCaption, "#32770", first.id(), {}}));
  box.Dismiss();

  first.Kill(7);
  EXPECT_FALSE(first.Running());
  EXPECT_EQ(first.ExitCode(), 7u);
  one.WaitGone();
  WaitNoTopWindow(WindowQuery{kCaption, {}, first.id(), {}});
  EXPECT_TRUE(FindTopWindow(WindowQuery{kCaption, {}, second.id(), {}}));
  EXPECT_TRUE(second.Running());
  EXPECT_EQ(second.ExitCode(), std::nullopt);
  EXPECT_EQ(second.WaitForExit(Millis{0}), std::nullopt);
}

TEST_F(HarnessSample, ReadyMeansTheControlsExist) {
  // The controls come 150 ms after the window shows; waiting for the last one covers the others.
  Process app = Start({"--late-controls", "late"});
  const Window main = MainWindow(app);
  const auto edit = main.FindChild(kIdName);
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->Text(), "late");
  std::vector<int> ids;
  for (const ControlInfo& c : main.Children()) ids.push_back(c.id);
  EXPECT_THAT(ids, testing::UnorderedElementsAre(100, kIdName, kIdRemember, kIdStatus, kIdGreet));
}

TEST_F(HarnessSample, ChildrenDescribeClassTextAndState) {
  key_.Seed("Remember", 1u);
  Process app = Start({"x"});
  const Window main = MainWindow(app);
  EnableWindow(static_cast<HWND>(main.Child(kIdStatus).handle()), FALSE);
  const auto children = main.Children();
  ASSERT_EQ(children.size(), 5u);
  for (const ControlInfo& c : children) {
    SCOPED_TRACE(c.window.Describe());
    EXPECT_TRUE(c.visible);
    EXPECT_EQ(c.enabled, c.id != kIdStatus);
    if (c.id == kIdRemember) {
      EXPECT_EQ(c.class_name, "Button");
      EXPECT_EQ(c.text, "&Remember");
      EXPECT_EQ(c.check, CheckState::Checked);
    } else {
      EXPECT_EQ(c.check, std::nullopt);  // push buttons, edits and statics have none
    }
    if (c.id == kIdName) {
      EXPECT_EQ(c.text, "x");
    }
  }
  EXPECT_THAT(main.Child(kIdRemember).Describe(), HasSubstr("Button id 102 \"&Remember\" checked"));
  EXPECT_THAT(main.Child(kIdStatus).Describe(), HasSubstr("disabled"));
}

// --- failures explain themselves --------------------------------------------------------------------

TEST_F(HarnessSample, MissingWindowFailsAtTheDeadlineListingWhatExists) {
  Process app = Start();
  MainWindow(app);
  const auto start = std::chrono::steady_clock::now();
  const std::string message = Message([] { WaitForTopWindow("No Such Window", Millis{300}); });
  // It polled until the deadline rather than giving up at the first look.
  EXPECT_GE(std::chrono::steady_clock::now() - start, Millis{300});
  EXPECT_THAT(message, HasSubstr("after 300 ms"));
  EXPECT_THAT(message, HasSubstr("\"No Such Window\""));
  EXPECT_THAT(message, HasSubstr("\"Harness Sample\" class \"BrisvaneHarnessSample\" process " +
                                 std::to_string(app.id())));
}

TEST_F(HarnessSample, MatchingWindowThatIsNotReadyIsNamedInTheFailure) {
  Process app = Start();
  MainWindow(app);
  const std::string message =
      Message([&] { WaitForTopWindow(WindowQuery{kCaption, {}, app.id(), {kIdGreet, 555}}, Millis{300}); });
  EXPECT_THAT(message, HasSubstr("with controls 103 555"));
  EXPECT_THAT(message, HasSubstr("matches but has no control 555 yet"));
}

TEST_F(HarnessSample, MissingControlsAndButtonsListWhatExists) {
  Process app = Start();
  const Window main = MainWindow(app);
  std::string message = Message([&] { main.Child(999, Millis{50}); });
  EXPECT_THAT(message, HasSubstr("control 999"));
  EXPECT_THAT(message, HasSubstr("Button id 103 \"&Greet\""));
  EXPECT_THAT(Message([&] { main.ChildByText("Cancel", Millis{50}); }), HasSubstr("Edit id 101"));

  main.ChildByText("Greet").Click();
  const MessageBoxWindow box = WaitForMessageBox(kCaption, app.id());
  message = Message([&] { box.Press("Cancel"); });
  EXPECT_THAT(message, HasSubstr("no button \"Cancel\""));
  EXPECT_THAT(message, HasSubstr("\"OK\""));
  EXPECT_THAT(Message([&] { box.PressId(kIdCancel); }), HasSubstr("no button with id 2"));
  // Nothing was pressed: the box is still up until OK.
  EXPECT_TRUE(box.window().Visible());
  box.Dismiss();
}

TEST_F(HarnessSample, ProgramThatDoesNotEndIsReportedWithItsWindows) {
  Process app = Start();
  MainWindow(app);
  const std::string message = Message([&] { app.ExpectExit(Millis{50}); });
  EXPECT_THAT(message, HasSubstr("still runs after 50 ms"));
  EXPECT_THAT(message, HasSubstr("harness_sample.exe"));
  EXPECT_THAT(message, HasSubstr("\"Harness Sample\""));
}

TEST_F(HarnessSample, ActingOnAClosedWindowSaysSo) {
  Process app = Start();
  const Window main = MainWindow(app);
  const Window greet = main.Child(kIdGreet);
  main.Close();
  app.ExpectExit();
  EXPECT_FALSE(main.Exists());
  EXPECT_THAT(Message([&] { greet.Click(); }), HasSubstr("no longer exists"));
  EXPECT_THAT(Message([&] { main.Text(); }), HasSubstr("no longer exists"));
  EXPECT_THAT(greet.Describe(), HasSubstr("(gone)"));
}

TEST(Process, UnknownProgramIsAClearError) {
  const std::string message = Message([] { Process::Start({"C:\\no\\such\\program.exe", "arg"}); });
  EXPECT_THAT(message, HasSubstr("Cannot start C:\\no\\such\\program.exe arg: "));
  EXPECT_THAT(Message([] { Process::Start({}); }), HasSubstr("without a program path"));
  EXPECT_THAT(Message([] { Process::Start({"x"}, LaunchOptions{{}, {{"A=B", "c"}}}); }),
              HasSubstr("\"A=B\""));
}

// --- command lines against the system's own parser ----------------------------------------------

TEST(CommandLine, QuotedArgumentsParseBackUnchanged) {
  const std::vector<std::string> args = {"C:\\Program Files\\app.exe", "", " ", "plain", "two words",
                                         "tab\there", "\"", "\\\"", "\\\\server\\share\\", "ends\\",
                                         "mid\\\\dle", "a\\\\\"b", "ünï cödé"};
  const std::wstring line = [&] {
    const std::string narrow = JoinCommandLine(args);
    std::wstring wide(narrow.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
  }();
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(line.c_str(), &argc);
  ASSERT_NE(argv, nullptr);
  std::vector<std::string> parsed;
  for (int i = 0; i < argc; ++i) {
    char buffer[512];
    const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, buffer, sizeof buffer, nullptr, nullptr);
    parsed.emplace_back(buffer, n > 0 ? n - 1 : 0);
  }
  LocalFree(argv);
  EXPECT_EQ(parsed, args);
  EXPECT_EQ(QuoteArgument("plain"), "plain");
  EXPECT_EQ(QuoteArgument("C:\\dir\\"), "C:\\dir\\");  // no blank: left alone
}

TEST(Text, MnemonicsAreOptionalInWantedTexts) {
  EXPECT_TRUE(TextMatches("&Greet", "Greet"));
  EXPECT_TRUE(TextMatches("&Greet", "&Greet"));
  EXPECT_TRUE(TextMatches("Save && E&xit", "Save & Exit"));
  EXPECT_TRUE(TextMatches("Trailing&", "Trailing&"));
  EXPECT_FALSE(TextMatches("Greet", "&Greet"));
  EXPECT_FALSE(TextMatches("&Greet", "Gree"));
  EXPECT_FALSE(TextMatches("&Greet", "greet"));
}

TEST(Paths, HostPathsGoThroughDriveZ) {
  EXPECT_EQ(FromHostPath("/work/main/a b.torrent"), "Z:\\work\\main\\a b.torrent");
  EXPECT_EQ(FromHostPath("C:\\x"), "C:\\x");
  EXPECT_EQ(FromHostPath(""), "");
  EXPECT_NE(ExecutableDir().find('\\'), std::string::npos);
  EXPECT_NE(ExecutableDir().back(), '\\');
}

// --- registry helpers ---------------------------------------------------------------------------------

TEST(Registry, ValuesRoundTripAndMissingOnesAreEmpty) {
  const std::string key = "Software\\Kestrelwick\\HarnessRegistryTest";
  {
    registry::ScopedKey scoped(key);
    EXPECT_FALSE(registry::KeyExists(key));
    EXPECT_EQ(registry::ReadString(key, "Name"), std::nullopt);
    EXPECT_EQ(registry::ReadDword(key, "Count"), std::nullopt);

    registry::WriteString(key + "\\Deeper\\Still", "Name", "Ωμέγα 日本");
    EXPECT_EQ(registry::ReadString(key + "\\Deeper\\Still", "Name"), "Ωμέγα 日本");
    registry::WriteString(key, "", "default value");
    EXPECT_EQ(registry::ReadString(key, ""), "default value");
    registry::WriteString(key, "Empty", "");
    EXPECT_EQ(registry::ReadString(key, "Empty"), "");
    EXPECT_TRUE(registry::ValueExists(key, "Empty"));
    registry::WriteString(key, "Long", std::string(5000, 'x'));
    EXPECT_EQ(registry::ReadString(key, "Long"), std::string(5000, 'x'));
    registry::WriteDword(key, "Count", 0xFFFFFFFFu);
    EXPECT_EQ(registry::ReadDword(key, "Count"), 0xFFFFFFFFu);

    EXPECT_THAT(Message([&] { registry::ReadString(key, "Count"); }), HasSubstr("is of type 4, not text"));
    EXPECT_THAT(Message([&] { registry::ReadDword(key, "Empty"); }), HasSubstr("not a DWORD"));

    registry::DeleteValue(key, "Count");
    registry::DeleteValue(key, "Count");  // already gone: fine
    EXPECT_FALSE(registry::ValueExists(key, "Count"));
    EXPECT_TRUE(registry::ValueExists(key, "Empty"));  // the others stay
    registry::DeleteValue(key + "\\Missing", "Count");
  }
  EXPECT_FALSE(registry::KeyExists(key));
  EXPECT_TRUE(registry::KeyExists("Software\\Kestrelwick"));
}

TEST(Registry, RefusesPathsThatWouldReachTooFar) {
  EXPECT_THAT(Message([] { registry::DeleteKey("Software"); }), HasSubstr("Refusing to delete"));
  EXPECT_TRUE(registry::KeyExists("Software"));
  EXPECT_THAT(Message([] { registry::DeleteKey(""); }), HasSubstr("empty"));
  EXPECT_THAT(Message([] { registry::WriteString("\\Software\\X", "a", "b"); }), HasSubstr("empty part"));
  EXPECT_THAT(Message([] { registry::ReadString("Software\\\\X", "a"); }), HasSubstr("empty part"));
  EXPECT_THAT(Message([] { registry::ReadString("Software\\X", "\xFF"); }), HasSubstr("Not valid UTF-8"));
}

}  // namespace
}  // namespace brisvane::e2e
