// Forms as real windows: what a layout becomes, and how the user's actions reach the logic.
#include "win32/form_host.h"

#include <gmock/gmock.h>

#include <memory>
#include <stdexcept>

#include "win32/form_test_support.h"

namespace brisvane {
namespace {

using ::testing::ElementsAre;
using testing::ControlWindow;
using testing::FormWindow;
using testing::RecordingForm;

enum Control { kFrame = 1, kNameCaption, kName, kAgree, kTitle, kHash, kOk, kCancel, kIcon, kLine, kHidden };
constexpr ControlLayout kControls[] = {
    {kFrame, ControlKind::Frame, "Options", 120, 600, 3000, 1200},
    {kNameCaption, ControlKind::Label, "Name:", 120, 300, 600, 255, -1, true, false, kFrame},
    {kName, ControlKind::Edit, "", 840, 840, 2000, 375, 0},
    {kAgree, ControlKind::CheckBox, "I agree to all of it", 120, 720, 1000, 255, 2, true, true, kFrame},
    {kTitle, ControlKind::BoldLabel, "A title longer than its room", 120, 120, 1500, 480},
    {kHash, ControlKind::HashField, "", 1800, 120, 1500, 375, -1, true, false, 0, true},
    {kOk, ControlKind::Button, "OK", 3300, 600, 1000, 375, 1},
    {kCancel, ControlKind::Button, "Cancel", 3300, 1080, 1000, 375, 3},
    {kIcon, ControlKind::Icon, "", 3300, 1560, 480, 480},
    {kLine, ControlKind::EtchedLine, "", 120, 1900, 3000, 15},
    {kHidden, ControlKind::Label, "hidden", 0, 0, 100, 100, -1, false},
};
constexpr FormLayout kForm{"Form Test", 4500, 2100, false, kControls, kOk, kCancel};

LONG Style(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

class FormHostTest : public ::testing::Test {
 protected:
  void TearDown() override {
    host_.reset();
    testing::DrainMessages();
  }
  bool PumpUntil(const std::function<bool()>& done) {
    return testing::PumpUntil([&] { host_->ProcessPendingMessages(); }, done);
  }
  // Loads kForm, shown and active when `show`.
  IFormView& Load(RecordingForm& form, bool show = false) {
    IFormView& view = host_->Load(kForm, form);
    if (show) view.Show();
    EXPECT_TRUE(!show || PumpUntil([&] { return GetActiveWindow() == FormWindow(view); }));
    return view;
  }

  std::unique_ptr<Win32FormHost> host_ = std::make_unique<Win32FormHost>();
};

TEST_F(FormHostTest, BuildsTheLayoutsControlsWithTheirStylesFontsStackingAndColours) {
  RecordingForm form;
  IFormView& view = Load(form);
  const HWND window = FormWindow(view);
  const auto control = [&](int id) { return ControlWindow(view, id); };
  EXPECT_FALSE(IsWindowVisible(window)) << "shown by the logic, not by the load";

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  for (const ControlLayout& c : kControls) {
    EXPECT_EQ((Style(control(c.id)) & WS_TABSTOP) != 0, IsTabStop(c)) << c.id;
    EXPECT_EQ((Style(control(c.id)) & WS_VISIBLE) != 0, c.visible) << c.id;
    if (c.kind == ControlKind::Icon || c.kind == ControlKind::EtchedLine) continue;  // they keep no font
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control(c.id), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, metrics.lfMessageFont.lfFaceName) << c.id;
    EXPECT_EQ(font.lfWeight >= FW_BOLD, c.kind == ControlKind::BoldLabel) << c.id;
  }
  EXPECT_TRUE(GetWindowLongW(control(kName), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(Style(control(kOk)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_NE(SendMessageW(control(kIcon), STM_GETICON, 0, 0), 0);
  EXPECT_EQ(Style(control(kLine)) & SS_TYPEMASK, SS_ETCHEDHORZ);

  // Only a label that is tall enough for two lines wraps.
  EXPECT_EQ(Style(control(kTitle)) & SS_TYPEMASK, SS_LEFT);
  view.SetText(kTitle, "A");
  EXPECT_EQ(Style(control(kTitle)) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);

  // The stacking the plan asks for, which is the order Tab follows.
  std::vector<int> stacked, planned;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) stacked.push_back(GetDlgCtrlID(c));
  for (const std::size_t i : PlanZOrder(kControls)) planned.push_back(kControlWindowIdBase + kControls[i].id);
  EXPECT_EQ(stacked, planned);

  // Colours are handed out when the controls paint.
  const auto paint = [&](int id, UINT message = WM_CTLCOLORSTATIC) {
    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush = SendMessageW(FormWindow(view), message, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(ControlWindow(view, id)));
    const std::vector<COLORREF> colours{GetTextColor(dc), GetBkColor(dc), COLORREF{brush != 0}};
    DeleteDC(dc);
    return colours;
  };
  // Button text and window text differ here, as they need not by default.
  const int element = COLOR_BTNTEXT;
  const COLORREF face = GetSysColor(COLOR_BTNFACE), brush = 1, grey = 0x404040, text = GetSysColor(element);
  SetSysColors(1, &element, &grey);
  const std::vector<COLORREF> title = paint(kTitle), hash = paint(kHash);
  SetSysColors(1, &element, &text);
  EXPECT_THAT(title, ElementsAre(grey, face, brush));
  EXPECT_THAT(hash, ElementsAre(GetSysColor(COLOR_WINDOWTEXT), face, brush));
  view.SetForeColor(kTitle, 0x0000FF);
  view.SetForeColor(kAgree, 0x008000);
  view.SetForeColor(kHash, 0xFF0000);
  view.SetForeColor(kName, 0x80000000 | COLOR_HIGHLIGHT);  // Visual Basic's way to name a system colour
  EXPECT_THAT(paint(kTitle), ElementsAre(COLORREF{0x0000FF}, face, brush));
  EXPECT_THAT(paint(kAgree), ElementsAre(COLORREF{0x008000}, face, brush));
  EXPECT_THAT(paint(kHash), ElementsAre(COLORREF{0xFF0000}, face, brush));
  EXPECT_EQ(paint(kName, WM_CTLCOLOREDIT)[0], GetSysColor(COLOR_HIGHLIGHT));
}

// Typed text and ticked check boxes reaching the logic: the end-to-end settings test.
TEST_F(FormHostTest, KeysClicksResizesAndTimersReachTheLogic) {
  RecordingForm form;
  form.on_timer = [&](int id) { form.view->StopTimer(id); };
  IFormView& view = Load(form, /*show=*/true);
  EXPECT_EQ(GetFocus(), ControlWindow(view, kName)) << "the first tab stop has the focus";

  for (const WPARAM key : {VK_RETURN, VK_ESCAPE, VK_TAB}) PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(view, kOk); }));
  SendMessageW(ControlWindow(view, kFrame), BM_CLICK, 0, 0);  // a frame is no button
  SetWindowPos(FormWindow(view), nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
  view.StartTimer(7, 1);
  ASSERT_TRUE(PumpUntil([&] { return form.log.back() == "timer 7"; }));
  EXPECT_FALSE(KillTimer(FormWindow(view), 7)) << "the timer was stopped";
  view.Hide();
  view.Show();  // shown again at the same size: no resize
  EXPECT_THAT(form.log, ElementsAre("attach", "load", "resize", "click 7", "click 8", "resize", "timer 7"));
  RecordingForm other;
  host_->Load(kForm, other).Show();
  view.BringToFront();
  EXPECT_EQ(GetForegroundWindow(), FormWindow(view));
}

// A failure in the logic comes out of the loop, and leaves nothing half made.
TEST_F(FormHostTest, FailuresComeOutOfTheLoopAndLeaveNothingHalfMade) {
  RecordingForm failing;
  failing.on_click = [](int) { throw std::runtime_error("service unreachable"); };
  IFormView& shown = Load(failing, /*show=*/true);
  PostMessageW(ControlWindow(shown, kOk), BM_CLICK, 0, 0);
  // A quit with 99 after 10 s only keeps a broken build from hanging.
  const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
  EXPECT_THROW(host_->Run(), std::runtime_error);
  KillTimer(nullptr, watchdog);
  EXPECT_THROW(shown.Text(99), std::invalid_argument);
  RecordingForm broken;
  broken.on_load = [](int) { throw std::runtime_error("cannot read the settings"); };
  EXPECT_THROW(host_->Load(kForm, broken), std::runtime_error);
  EXPECT_EQ(broken.log.back(), "detach");
  const HWND window = FormWindow(shown);
  host_.reset();  // takes its windows without telling the logic
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(failing.log.back(), "click 7") << "no unload";
}

// Moved to a monitor of another DPI, Windows suggests a new rectangle: the controls and fonts follow. A
// caption longer than the design's room stretches the whole form, which never shrinks again; the logic
// still sets widths in the design's twips.
TEST_F(FormHostTest, TheFormFollowsADpiChangeAndStretchesForALongText) {
  RecordingForm form;
  IFormView& view = Load(form, /*show=*/true);
  const auto font_height = [&] {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(ControlWindow(view, kOk), WM_GETFONT, 0, 0)), sizeof font, &font);
    return std::abs(font.lfHeight);
  };
  const int before = font_height();
  RECT suggested{100, 100, 100 + 1100, 100 + 420};
  const int dpi = 2 * static_cast<int>(win32::WindowDpi(FormWindow(view)));
  SendMessageW(FormWindow(view), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  RECT ok{};
  GetWindowRect(ControlWindow(view, kOk), &ok);
  MapWindowPoints(HWND_DESKTOP, FormWindow(view), reinterpret_cast<POINT*>(&ok), 2);
  const auto px = [&](int twips) { return TwipsToPixels(twips, dpi); };
  EXPECT_THAT((std::vector<LONG>{ok.left, ok.top, ok.right, ok.bottom}),
              ElementsAre(px(3300), px(600), px(4300), px(975)));
  EXPECT_EQ(view.OuterWidth(), PixelsToTwips(1100, dpi));
  EXPECT_NEAR(font_height(), 2 * before, 1);

  const ControlLayout controls[] = {{1, ControlKind::Label, "Short", 0, 0, 900, 255},
                                    {2, ControlKind::Button, "OK", 900, 0, 900, 375, 0}};
  RecordingForm stretching;
  IFormView& other = host_->Load(FormLayout{"Stretch", 2400, 600, false, controls}, stretching);
  int design = 0, stretched = 0, set = 0, height = 0;
  other.OuterPixels(design, height);
  other.SetText(1, "A long caption");
  other.SetText(1, "Short");
  other.OuterPixels(stretched, height);
  other.SetOuterWidth(other.OuterWidth());
  other.OuterPixels(set, height);
  EXPECT_GT(stretched, design + 20);
  EXPECT_NEAR(set, stretched, 2);
}

}  // namespace
}  // namespace brisvane
