// The form engine with real windows: what the tables turn into, and how events reach the logic.
#include "win32/form_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "win32/form_test_support.h"

namespace brisvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A cut-down main window: a frame with a child, check boxes, a field styled as a label, a hidden
// list, and tab indexes that differ from the table's order.
enum MainControl { kBrowse = 1, kPathLabel, kPath, kFrame, kUrlLabel, kUrl, kVerified, kBad, kHashLabel, kHash,
                   kRating, kList, kCheck, kLaunch };
constexpr ControlSpec kMainControls[] = {
    {kBrowse, ControlKind::Button, "Browse", 180, 120, 735, 375, 0},
    {kPathLabel, ControlKind::BoldLabel, "Torrent File Path:", 1020, 180, 1515, 375},
    {kPath, ControlKind::Edit, "", 2580, 120, 7575, 375, 1},
    {kFrame, ControlKind::Frame, "API Settings", 120, 1320, 4395, 1995},
    {kUrlLabel, ControlKind::Label, "API URL:", 120, 360, 735, 375, -1, true, 0, kFrame},
    {kUrl, ControlKind::Edit, "", 960, 1560, 3375, 375, 2},
    {kVerified, ControlKind::CheckBox, "Allow verified torrents", 240, 2040, 3495, 195, 3, true, 1},
    {kBad, ControlKind::CheckBox, "Allow bad rated torrents", 240, 2760, 2655, 195, 6, true, 0},
    {kHashLabel, ControlKind::Label, "Torrent info hash:", 4800, 1680, 1275, 315},
    {kHash, ControlKind::HashField, "", 6120, 1680, 3855, 255, 4},
    {kRating, ControlKind::Label, "", 6000, 1980, 2895, 255},
    {kList, ControlKind::ListBox, "", 4560, 1560, 1215, 450, -1, false},
    {kCheck, ControlKind::Button, "Check torrent", 4680, 2520, 1275, 555, 5},
    {kLaunch, ControlKind::Button, "Launch torrent", 6000, 2520, 1275, 555, 7},
};
constexpr FormSpec kMain{"Brisvane", 10350, 3510, true, kMainControls};

// A fixed dialog with a field, a default and a cancel button.
enum DialogControl { kText = 1, kName, kOk, kCancel };
constexpr ControlSpec kDialogControls[] = {
    {kText, ControlKind::Label, "To use the program you must agree to the terms.", 120, 120, 3615, 900, -1, true, 0,
     0, true},
    {kName, ControlKind::Edit, "", 120, 1200, 3615, 375, 0},
    {kOk, ControlKind::Button, "OK", 720, 2280, 1215, 375, 1},
    {kCancel, ControlKind::Button, "Cancel", 2040, 2280, 1215, 375, 2},
};
constexpr FormSpec kDialog{"User Agreement", 4095, 2910, false, kDialogControls, kOk, kCancel};

// An about box: icon, etched line, one button that is both default and cancel, an access key.
enum AboutControl { kIcon = 1, kTitle, kLine, kAboutOk, kSysInfo };
constexpr ControlSpec kAboutControls[] = {
    {kIcon, ControlKind::Icon, "", 240, 240, 480, 480},
    {kTitle, ControlKind::BoldLabel, "Brisvane - by Kestrelwick", 1050, 240, 3885, 480},
    {kLine, ControlKind::EtchedLine, "", 84, 2600, 5550, 15},
    {kAboutOk, ControlKind::Button, "OK", 4245, 2900, 1260, 345, 0},
    {kSysInfo, ControlKind::Button, "&System Info...", 2900, 2900, 1245, 345, 1},
};
constexpr FormSpec kAbout{"About Brisvane - by Kestrelwick", 5730, 3555, false, kAboutControls, kAboutOk, kAboutOk};

class FormHostTest : public ::testing::Test {
 protected:
  void TearDown() override {
    host_.reset();
    testing::DrainMessages();
  }

  // Pumps the host's messages until `done`; the deadline only keeps a broken build from hanging.
  bool PumpUntil(const std::function<bool()>& done) {
    return testing::PumpUntil([&] { host_->ProcessPendingMessages(); }, done);
  }

  std::unique_ptr<Win32FormHost> host_ = std::make_unique<Win32FormHost>();
};

using testing::ControlWindow;
using testing::FormWindow;
using testing::RecordingForm;
using testing::RectInParent;

TEST_F(FormHostTest, LoadBuildsTheHiddenWindowAttachesTheViewThenRunsLoadOnce) {
  RecordingForm form;
  bool visible_at_load = true;
  std::string caption_at_load;
  form.on_load = [&] {
    visible_at_load = form.view->Visible() || IsWindowVisible(FormWindow(*form.view));
    caption_at_load = form.view->Text(kCheck);  // the controls exist already
  };
  IFormView& view = host_->Load(kMain, form);
  EXPECT_EQ(form.view, &view);
  EXPECT_THAT(form.log, ElementsAre("attach", "load"));
  EXPECT_FALSE(visible_at_load);
  EXPECT_EQ(caption_at_load, "Check torrent");
  EXPECT_TRUE(host_->IsLoaded(form));

  HWND window = FormWindow(view);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  EXPECT_STREQ(name, kFormWindowClass);
  EXPECT_EQ(testing::WindowText(window), L"Brisvane");

  // Loading again hands back the same view and runs nothing.
  EXPECT_EQ(&host_->Load(kMain, form), &view);
  EXPECT_THAT(form.log, ElementsAre("attach", "load"));
}

TEST_F(FormHostTest, ControlsShowTheTableAndCarryUtf8Text) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  EXPECT_EQ(view.Text(kVerified), "Allow verified torrents");
  EXPECT_EQ(view.Text(kFrame), "API Settings");
  EXPECT_EQ(view.Text(kPath), "");
  EXPECT_EQ(view.Checked(kVerified), 1);
  EXPECT_EQ(view.Checked(kBad), 0);

  const std::string path = "C:\\T\xC3\xB6rrents\\\xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC.torrent";  // Törrents, 日本 €
  view.SetText(kPath, path);
  EXPECT_EQ(view.Text(kPath), path);
  EXPECT_EQ(testing::WindowText(ControlWindow(view, kPath)), L"C:\\T\u00F6rrents\\\u65E5\u672C \u20AC.torrent");

  view.SetChecked(kBad, 1);
  view.SetChecked(kVerified, 0);
  EXPECT_EQ(SendMessageW(ControlWindow(view, kBad), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(view.Checked(kVerified), 0);
}

TEST_F(FormHostTest, WrongControlIdsAreClearErrors) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  try {
    view.Text(99);
    ADD_FAILURE() << "no error for an unknown control";
  } catch (const std::invalid_argument& e) {
    EXPECT_THAT(e.what(), HasSubstr("\"Brisvane\" has no control 99"));
  }
  EXPECT_THROW(view.Checked(kBrowse), std::invalid_argument);
  EXPECT_THROW(view.AddListItem(kPath, "x"), std::invalid_argument);
  EXPECT_EQ(view.Text(kPath), "");  // the form goes on working
}

TEST_F(FormHostTest, TwipsBecomePixelsAtFifteenPerPixelAt96Dpi) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  HWND window = FormWindow(view);
  if (testing::DpiOf(window) != 96) GTEST_SKIP() << "the display is not at 96 dpi";

  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 690);   // 10350 twips
  EXPECT_EQ(client.bottom, 234);  // 3510 twips

  EXPECT_EQ(RectInParent(ControlWindow(view, kCheck)), (RECT{312, 168, 312 + 85, 168 + 37}));  // 1275 x 555
  EXPECT_EQ(RectInParent(ControlWindow(view, kPath)), (RECT{172, 8, 172 + 505, 8 + 25}));
  // A frame's child is placed relative to the frame: (120 + 120, 1320 + 360) twips.
  const RECT url_label = RectInParent(ControlWindow(view, kUrlLabel));
  EXPECT_EQ(url_label.left, 16);
  EXPECT_EQ(url_label.top, 112);

  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_EQ(view.OuterWidth(), (outer.right - outer.left) * 15);
  EXPECT_EQ(view.OuterHeight(), (outer.bottom - outer.top) * 15);

  view.SetControlWidth(kPath, 7695);
  EXPECT_EQ(RectInParent(ControlWindow(view, kPath)), (RECT{172, 8, 172 + 513, 8 + 25}));

  view.MoveTo(1500, 3000);
  view.SetOuterWidth(12000);
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 200);
  EXPECT_EQ(outer.right - outer.left, 800);
}

// Moved to a monitor of another DPI, Windows suggests a new window rectangle: the controls and fonts follow.
TEST_F(FormHostTest, ADpiChangeLaysTheFormOutAgainAtTheNewDpi) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  HWND window = FormWindow(view);
  LOGFONTW before{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(ControlWindow(view, kCheck), WM_GETFONT, 0, 0)), sizeof before,
             &before);
  RECT suggested{100, 100, 100 + 1100, 100 + 420};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

  // 1275 x 555 twips at 144 dpi; left 4680, top 2520.
  EXPECT_EQ(RectInParent(ControlWindow(view, kCheck)), (RECT{468, 252, 468 + 128, 252 + 56}));
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, 1100);
  EXPECT_EQ(view.OuterWidth(), 1100 * 10);  // 10 twips per pixel at 144 dpi
  LOGFONTW after{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(ControlWindow(view, kCheck), WM_GETFONT, 0, 0)), sizeof after,
             &after);
  EXPECT_NEAR(std::abs(after.lfHeight), std::abs(before.lfHeight) * 1.5, 1);
  view.SetControlWidth(kPath, 7500);
  EXPECT_EQ(RectInParent(ControlWindow(view, kPath)).right - RectInParent(ControlWindow(view, kPath)).left, 750);
}

TEST_F(FormHostTest, FixedDialogsGetTheirClientSizeWithoutSizingBorder) {
  RecordingForm form;
  RecordingForm main_form;
  IFormView& view = host_->Load(kDialog, form);
  HWND window = FormWindow(view);
  const auto style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  const auto resizable = GetWindowLongPtrW(FormWindow(host_->Load(kMain, main_form)), GWL_STYLE);
  EXPECT_TRUE(resizable & WS_THICKFRAME);
  EXPECT_TRUE(resizable & WS_MAXIMIZEBOX);

  const int dpi = static_cast<int>(testing::DpiOf(window));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, MulDiv(4095, dpi, 1440));
  EXPECT_EQ(client.bottom, MulDiv(2910, dpi, 1440));
}

TEST_F(FormHostTest, EachKindBecomesItsWindowsControl) {
  RecordingForm main_form;
  RecordingForm about;
  IFormView& main_view = host_->Load(kMain, main_form);
  IFormView& about_view = host_->Load(kAbout, about);
  const auto style = [](IFormView& view, int id) { return GetWindowLongPtrW(ControlWindow(view, id), GWL_STYLE); };
  const auto ex_style = [](IFormView& view, int id) {
    return GetWindowLongPtrW(ControlWindow(view, id), GWL_EXSTYLE);
  };

  EXPECT_EQ(testing::ClassOf(ControlWindow(main_view, kHash)), L"edit");
  EXPECT_TRUE(style(main_view, kHash) & ES_READONLY);
  EXPECT_FALSE(style(main_view, kHash) & WS_BORDER);
  EXPECT_FALSE(ex_style(main_view, kHash) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(style(main_view, kPath) & ES_READONLY);
  EXPECT_EQ(style(main_view, kFrame) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(style(main_view, kVerified) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  EXPECT_EQ(testing::ClassOf(ControlWindow(main_view, kList)), L"listbox");
  EXPECT_FALSE(style(main_view, kList) & WS_VISIBLE);
  EXPECT_TRUE(style(main_view, kRating) & WS_VISIBLE);

  EXPECT_EQ(style(about_view, kAboutOk) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(style(about_view, kSysInfo) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(style(about_view, kIcon) & SS_TYPEMASK, SS_ICON);
  EXPECT_NE(SendMessageW(ControlWindow(about_view, kIcon), STM_GETICON, 0, 0), 0);
  EXPECT_EQ(style(about_view, kLine) & SS_TYPEMASK, SS_ETCHEDHORZ);
  EXPECT_GE(RectInParent(ControlWindow(about_view, kLine)).bottom - RectInParent(ControlWindow(about_view, kLine)).top,
            2);
  EXPECT_EQ(about_view.Text(kSysInfo), "&System Info...");

  // Tab stops are exactly the controls with a tab index.
  for (const ControlSpec& c : kMainControls) {
    const bool focusable = c.kind != ControlKind::Label && c.kind != ControlKind::BoldLabel &&
                           c.kind != ControlKind::Frame;
    EXPECT_EQ((style(main_view, c.id) & WS_TABSTOP) != 0, focusable && c.tab_index >= 0) << "control " << c.id;
  }
}

TEST_F(FormHostTest, TabFollowsTheTabIndexesNotTheTableOrder) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  HWND window = FormWindow(view);
  std::vector<int> order;
  HWND control = GetNextDlgTabItem(window, nullptr, FALSE);
  for (int i = 0; i < 9 && control; ++i) {
    order.push_back(GetDlgCtrlID(control) - kControlWindowIdBase);
    control = GetNextDlgTabItem(window, control, FALSE);
  }
  EXPECT_THAT(order, ElementsAre(kBrowse, kPath, kUrl, kVerified, kHash, kCheck, kBad, kLaunch, kBrowse));
}

TEST_F(FormHostTest, ControlsUseTheMessageFontAndBoldLabelsItsBoldCut) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  for (const ControlSpec& c : kMainControls) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(ControlWindow(view, c.id), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "control " << c.id;
    LOGFONTW info{};
    ASSERT_TRUE(GetObjectW(font, sizeof info, &info));
    EXPECT_STREQ(info.lfFaceName, metrics.lfMessageFont.lfFaceName) << "control " << c.id;
    EXPECT_EQ(info.lfWeight >= FW_BOLD, c.kind == ControlKind::BoldLabel) << "control " << c.id;
  }
}

TEST_F(FormHostTest, ForeColoursAreHandedOutWhenTheControlsPaint) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  HWND window = FormWindow(view);
  const auto paint_colours = [&](int id, UINT message) {
    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush =
        SendMessageW(window, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(ControlWindow(view, id)));
    const std::pair<COLORREF, COLORREF> colours{GetTextColor(dc), GetBkColor(dc)};
    DeleteDC(dc);
    EXPECT_NE(brush, 0) << "control " << id;
    return colours;
  };

  EXPECT_EQ(paint_colours(kRating, WM_CTLCOLORSTATIC).first, GetSysColor(COLOR_BTNTEXT));
  view.SetForeColor(kRating, 0x000000FF);  // red
  view.SetForeColor(kVerified, 0x00008000);
  view.SetForeColor(kHash, 0x00FF0000);
  EXPECT_EQ(paint_colours(kRating, WM_CTLCOLORSTATIC), std::make_pair(COLORREF{0x0000FF}, GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(paint_colours(kVerified, WM_CTLCOLORSTATIC).first, COLORREF{0x008000});
  // The read-only field keeps the button-face background that makes it look like a label.
  EXPECT_EQ(paint_colours(kHash, WM_CTLCOLORSTATIC), std::make_pair(COLORREF{0xFF0000}, GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(paint_colours(kPathLabel, WM_CTLCOLORSTATIC).first, GetSysColor(COLOR_BTNTEXT));
  // A system colour in Visual Basic's notation names the system's colour.
  view.SetForeColor(kRating, 0x80000008);
  EXPECT_EQ(paint_colours(kRating, WM_CTLCOLORSTATIC).first, GetSysColor(COLOR_WINDOWTEXT));

  view.Show();
  UpdateWindow(window);  // a full paint with the colours in place
  EXPECT_TRUE(view.Visible());
}

TEST_F(FormHostTest, ClicksReachTheLogicWithTheCheckBoxAlreadyToggled) {
  RecordingForm form;
  int state_seen = -1;
  form.on_click = [&](int id) {
    if (id == kVerified) state_seen = form.view->Checked(kVerified);
  };
  IFormView& view = host_->Load(kMain, form);
  view.Show();
  SendMessageW(ControlWindow(view, kVerified), BM_CLICK, 0, 0);
  SendMessageW(ControlWindow(view, kCheck), BM_CLICK, 0, 0);
  SendMessageW(ControlWindow(view, kFrame), BM_CLICK, 0, 0);  // a frame is no button
  EXPECT_THAT(form.log, ElementsAre("attach", "load", "resize", "click 7", "click 13"));
  EXPECT_EQ(state_seen, 0);
  EXPECT_EQ(view.Checked(kVerified), 0);
}

TEST_F(FormHostTest, EnterPressesTheDefaultButtonEscTheCancelButtonAndTabMovesOn) {
  RecordingForm form;
  IFormView& view = host_->Load(kDialog, form);
  view.Show();
  HWND window = FormWindow(view);
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == window; }));
  ASSERT_EQ(GetFocus(), ControlWindow(view, kName)) << "the first tab stop has the focus";

  testing::PostKey(GetFocus(), VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return form.Count("click 3") == 1; }));
  testing::PostKey(GetFocus(), VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return form.Count("click 4") == 1; }));
  testing::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(view, kOk); }));
  testing::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(view, kCancel); }));
  // Enter on a focused button presses that button.
  testing::PostKey(GetFocus(), VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return form.Count("click 4") == 2; }));
  EXPECT_EQ(form.Count("click 3"), 1);
}

// Enter and Esc arrive as IDOK (1) and IDCANCEL (2): without a default or cancel button they press nothing,
// whatever control has those ids in the table.
TEST_F(FormHostTest, EnterAndEscPressNothingWithoutDefaultOrCancelButton) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  view.Show();
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FormWindow(view); }));
  SetFocus(ControlWindow(view, kPath));
  testing::PostKey(GetFocus(), VK_RETURN);
  testing::PostKey(GetFocus(), VK_ESCAPE);
  testing::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(view, kUrl); }));
  EXPECT_EQ(form.Count("click 1"), 0);
  EXPECT_EQ(form.Count("click 2"), 0);
}

TEST_F(FormHostTest, AccessKeyPressesItsButton) {
  RecordingForm form;
  IFormView& view = host_->Load(kAbout, form);
  view.Show();
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FormWindow(view); }));
  PostMessageW(GetFocus(), WM_SYSCHAR, 's', 1 << 29);  // Alt+S
  ASSERT_TRUE(PumpUntil([&] { return form.Count("click 5") == 1; }));
  testing::PostKey(GetFocus(), VK_ESCAPE);  // OK is the cancel button as well
  ASSERT_TRUE(PumpUntil([&] { return form.Count("click 4") == 1; }));
}

TEST_F(FormHostTest, TimersFireWithTheirIdsUntilStopped) {
  RecordingForm form;
  form.on_timer = [&](int id) {
    if (form.Count("timer " + std::to_string(id)) == 2) form.view->StopTimer(id);
  };
  IFormView& view = host_->Load(kMain, form);
  view.StartTimer(7, 1);
  view.StartTimer(9, 1);
  ASSERT_TRUE(PumpUntil([&] { return form.Count("timer 7") >= 2 && form.Count("timer 9") >= 2; }));
  EXPECT_FALSE(KillTimer(FormWindow(view), 7)) << "the timer was stopped";
}

TEST_F(FormHostTest, CloseRunsUnloadOnceThenDetachesAndDestroysTheWindow) {
  RecordingForm form;
  HWND window_in_unload = nullptr;
  IFormView* view = nullptr;
  form.on_unload = [&] {
    window_in_unload = FormWindow(*form.view);
    form.view->Close();  // from inside the Unload handler: nothing
  };
  view = &host_->Load(kMain, form);
  HWND window = FormWindow(*view);
  view->Close();
  view->Close();
  EXPECT_THAT(form.log, ElementsAre("attach", "load", "unload", "detach"));
  EXPECT_EQ(window_in_unload, window) << "the window still exists while Unload runs";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(host_->IsLoaded(form));
  EXPECT_EQ(form.view, nullptr);
  // A view kept past its Close answers harmlessly.
  EXPECT_EQ(view->Text(kPath), "");
  EXPECT_FALSE(view->Visible());
  EXPECT_EQ(view->OuterWidth(), 0);
  EXPECT_EQ(view->NativeHandle(), 0u);
  view->Show();
  view->StartTimer(1, 1);
}

TEST_F(FormHostTest, TitleBarCloseUnloadsTheForm) {
  RecordingForm form;
  IFormView& view = host_->Load(kDialog, form);
  view.Show();
  HWND window = FormWindow(view);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
  EXPECT_EQ(form.Count("unload"), 1);
  EXPECT_EQ(form.Count("click 4"), 0) << "closing is not Cancel";
}

TEST_F(FormHostTest, ClosingTheLastFormPostsQuitAndEndsRun) {
  RecordingForm first;
  RecordingForm second;
  host_->Load(kDialog, first);
  host_->Load(kAbout, second);
  first.view->Close();
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  second.on_timer = [&](int) { second.view->Close(); };
  second.view->StartTimer(1, 1);
  EXPECT_EQ(host_->Run(), 0);
  EXPECT_FALSE(host_->IsLoaded(second));
}

// The start-up pattern: one form loads another while loading and then closes itself from a timer.
TEST_F(FormHostTest, FormsLoadOtherFormsAndCloseFromTheirTimers) {
  std::vector<std::string> events;
  RecordingForm main_form("main", &events);
  RecordingForm agreement("agreement", &events);
  agreement.on_load = [&] {
    host_->Load(kMain, main_form);
    agreement.view->StartTimer(1, 1);
  };
  agreement.on_timer = [&](int) { agreement.view->Close(); };
  main_form.on_load = [&] { main_form.view->StartTimer(2, 50); };
  main_form.on_timer = [&](int) { main_form.view->Close(); };
  host_->Load(kDialog, agreement);
  EXPECT_EQ(host_->Run(), 0);
  EXPECT_THAT(events, ElementsAre("agreement attach", "agreement load", "main attach", "main load",
                                  "agreement timer 1", "agreement unload", "agreement detach", "main timer 2",
                                  "main unload", "main detach"));
}

TEST_F(FormHostTest, AClosedFormLoadsAfreshWithItsDesignState) {
  RecordingForm form;
  IFormView& first = host_->Load(kMain, form);
  HWND first_window = FormWindow(first);
  first.SetChecked(kVerified, 0);
  first.Close();
  testing::DrainMessages();
  IFormView& second = host_->Load(kMain, form);
  EXPECT_NE(FormWindow(second), first_window);
  EXPECT_EQ(second.Checked(kVerified), 1);
  EXPECT_EQ(form.Count("load"), 2);
}

TEST_F(FormHostTest, ResizeIsReportedWhenFirstShownAndOnEverySizeChangeAfterLoad) {
  RecordingForm form;
  int width_seen = 0;
  form.on_resize = [&] { width_seen = form.view->OuterWidth(); };
  IFormView& view = host_->Load(kMain, form);
  EXPECT_EQ(form.Count("resize"), 0) << "sizing during creation is not reported";
  view.Show();
  EXPECT_EQ(form.Count("resize"), 1);
  SetWindowPos(FormWindow(view), nullptr, 0, 0, 900, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(form.Count("resize"), 2);
  EXPECT_EQ(width_seen, MulDiv(900, 1440, static_cast<int>(testing::DpiOf(FormWindow(view)))));
  view.Hide();
  view.Show();
  EXPECT_EQ(form.Count("resize"), 2);
}

TEST_F(FormHostTest, ShowHideFrontAndTheMonitor) {
  RecordingForm form;
  RecordingForm other;
  IFormView& view = host_->Load(kMain, form);
  IFormView& other_view = host_->Load(kAbout, other);
  EXPECT_FALSE(view.Visible());
  view.Show();
  EXPECT_TRUE(view.Visible());
  other_view.Show();
  view.BringToFront();
  EXPECT_EQ(GetForegroundWindow(), FormWindow(view));
  view.Hide();
  EXPECT_FALSE(view.Visible());
  EXPECT_FALSE(IsWindowVisible(FormWindow(view)));

  int width = 0, height = 0;
  view.MonitorSize(width, height);
  EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(FormHostTest, ListItemsAreKeptInTheirOrder) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  for (const char* name : {"zeta", "alpha", "\xC3\xA9t\xC3\xA9"}) view.AddListItem(kList, name);
  HWND list = ControlWindow(view, kList);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  wchar_t text[32] = {};
  SendMessageW(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"\u00E9t\u00E9");
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"zeta");
}

// The system font is wider than the one the design was drawn with: a caption that needs more room takes
// what is free beside it, and never reaches under a visible control beside it.
TEST_F(FormHostTest, CaptionsTakeTheRoomBesideThemButNoMore) {
  RecordingForm form;
  IFormView& view = host_->Load(kMain, form);
  const auto right = [&](int id) { return RectInParent(ControlWindow(view, id)).right; };
  const auto left = [&](int id) { return RectInParent(ControlWindow(view, id)).left; };
  EXPECT_LE(right(kPathLabel), left(kPath));
  EXPECT_LE(right(kHashLabel), left(kHash));
  // The check boxes are wide enough for box and caption, within their frame.
  const int check_box = GetSystemMetrics(SM_CXMENUCHECK);
  for (int id : {kVerified, kBad}) {
    EXPECT_GE(right(id) - left(id), check_box + view.TextWidth(id) * 96 / 1440) << "control " << id;
    EXPECT_LE(right(id), RectInParent(ControlWindow(view, kFrame)).right);
  }
  // Text measured on one line: twice the text, twice the width.
  view.SetText(kRating, "GOOD");
  const int once = view.TextWidth(kRating);
  view.SetText(kRating, "GOODGOOD");
  EXPECT_GT(once, 0);
  EXPECT_NEAR(view.TextWidth(kRating), 2 * once, 30);
}

TEST_F(FormHostTest, BadTablesAreRefusedBeforeAnyWindowExists) {
  const ControlSpec duplicate[] = {{1, ControlKind::Button, "A", 0, 0, 100, 100},
                                   {1, ControlKind::Label, "B", 0, 0, 100, 100}};
  const ControlSpec unknown_frame[] = {{1, ControlKind::Label, "A", 0, 0, 100, 100, -1, true, 0, 5}};
  const ControlSpec not_a_frame[] = {{1, ControlKind::Label, "A", 0, 0, 100, 100},
                                     {2, ControlKind::Label, "B", 0, 0, 100, 100, -1, true, 0, 1}};
  const ControlSpec cycle[] = {{1, ControlKind::Frame, "A", 0, 0, 100, 100, -1, true, 0, 2},
                               {2, ControlKind::Frame, "B", 0, 0, 100, 100, -1, true, 0, 1}};
  const ControlSpec zero_id[] = {{0, ControlKind::Label, "A", 0, 0, 100, 100}};
  const ControlSpec label[] = {{1, ControlKind::Label, "A", 0, 0, 100, 100}};
  const FormSpec bad[] = {
      {"Duplicate", 1000, 1000, false, duplicate},
      {"Unknown frame", 1000, 1000, false, unknown_frame},
      {"Not a frame", 1000, 1000, false, not_a_frame},
      {"Cycle", 1000, 1000, false, cycle},
      {"Zero", 1000, 1000, false, zero_id},
      {"Default label", 1000, 1000, false, label, 1},
      {"Missing cancel", 1000, 1000, false, label, 0, 3},
  };
  for (const FormSpec& spec : bad) {
    RecordingForm form;
    try {
      host_->Load(spec, form);
      ADD_FAILURE() << spec.caption << " was accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_THAT(e.what(), HasSubstr("form \"" + std::string(spec.caption) + "\""));
    }
    EXPECT_TRUE(form.log.empty()) << spec.caption;
    EXPECT_FALSE(host_->IsLoaded(form));
  }
  EXPECT_EQ(testing::FormWindowsOfThisThread(), 0);
}

TEST_F(FormHostTest, AFailingLoadLeavesNoWindowAndNoQuit) {
  RecordingForm form;
  form.on_load = [] { throw std::runtime_error("cannot read the settings"); };
  EXPECT_THROW(host_->Load(kMain, form), std::runtime_error);
  EXPECT_THAT(form.log, ElementsAre("attach", "load", "detach"));
  EXPECT_FALSE(host_->IsLoaded(form));
  EXPECT_EQ(testing::FormWindowsOfThisThread(), 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(FormHostTest, AFailureInsideAMessageComesOutOfTheLoopAndTheFormGoesOn) {
  RecordingForm form;
  form.on_click = [](int) { throw std::runtime_error("service unreachable"); };
  IFormView& view = host_->Load(kMain, form);
  view.Show();
  PostMessageW(ControlWindow(view, kCheck), BM_CLICK, 0, 0);
  try {
    PumpUntil([] { return false; });
    ADD_FAILURE() << "the failure was swallowed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "service unreachable");
  }
  EXPECT_TRUE(host_->IsLoaded(form));
  view.SetText(kPath, "still here");
  EXPECT_EQ(view.Text(kPath), "still here");
}

TEST_F(FormHostTest, ClosingTheHostDestroysItsWindowsSilently) {
  RecordingForm form;
  HWND window = FormWindow(host_->Load(kMain, form));
  host_.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_THAT(form.log, ElementsAre("attach", "load"));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  host_ = std::make_unique<Win32FormHost>();
}

}  // namespace
}  // namespace brisvane
