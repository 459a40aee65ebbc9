// The program's windows at the DPI this process started with (ctest runs it at 96, 120 and 144 dpi): every
// caption, label, check box, button and display field shows its whole text in the font the window really
// uses, and each window keeps its design's proportions.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "dialogs/about_box.h"
#include "dialogs/agreement_window.h"
#include "notify/popup_window.h"
#include "product.h"
#include "settings/association_window.h"
#include "win32/form_test_support.h"
#include "win32/system_function.h"

namespace brisvane {
namespace {

// Windows gives a process that says nothing the system's DPI and scales its windows as bitmaps; the
// program says so in its manifest, this test here, before any window exists.
[[maybe_unused]] const bool kPerMonitorAware = [] {
  using Fn = BOOL(WINAPI*)(HANDLE);
  const Fn set = win32::SystemFunction<Fn>(L"user32.dll", "SetProcessDpiAwarenessContext");
  return set && set(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
}();

TEST(TextFit, EveryControlOfTheProgramsWindowsShowsItsWholeTextInProportion) {
  using M = MainWindow;
  using P = PopupWindow;
  using A = AssociationWindow;
  // Each window's layout with what its logic writes into it at its widest.
  const std::vector<std::pair<const FormLayout*, std::vector<std::pair<int, std::string>>>> windows{
      {&M::Layout(), {{M::kHash, "8c450b7de44b7a6df98919a4a009b323567b110f"}, {M::kRating, "NOTFOUND"}}},
      {&P::Layout(), {{P::kFileName, "アルバム-album.torrent"}, {P::kRating, "NOTFOUND"}, {P::kAction, "Blocked"}}},
      {&A::Layout(true),
       {{A::kHandlerName, "AcmeClient.Torrent"},
        {A::kToggleButton, std::string(kRevertAssociation)},
        {A::kGuidance, GuidanceText(AssociationKind::kTorrent, ChoiceGuidance::kPickYourClientInSettings)},
        {A::kMagnetHandlerName, "AcmeClient.Magnet"},
        {A::kMagnetToggleButton, std::string(kRevertAssociation)},
        {A::kMagnetGuidance, GuidanceText(AssociationKind::kMagnet, ChoiceGuidance::kPickYourClientInSettings)}}},
      {&AgreementWindow::Layout(), {}},
      {&AboutBox::Layout(), {{AboutBox::kTitle, std::string(kProgramTitle)}, {AboutBox::kVersion, "Version 1.0.1"}}},
  };
  Win32FormHost host;
  for (const auto& [layout, texts] : windows) {
    testing::RecordingForm form;
    IFormView& view = host.Load(*layout, form);
    for (const auto& [control, text] : texts) view.SetText(control, text);
    const HWND window = testing::FormWindow(view);
    const double dpi = win32::WindowDpi(window);
    if (const char* started_at = std::getenv("BRISVANE_TEST_DPI")) {
      EXPECT_EQ(dpi, std::atoi(started_at)) << "the scaling did not reach the test";
    }
    SCOPED_TRACE(std::string(layout->caption) + " at " + std::to_string(dpi) + " dpi");
    EXPECT_EQ(testing::CutTexts(window), std::vector<std::string>{});

    // Stretched as a whole, if at all: the client area and the last control by the same factors.
    RECT client{}, last{};
    GetClientRect(window, &client);
    const ControlLayout& control = layout->controls.back();
    GetWindowRect(testing::ControlWindow(view, control.id), &last);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&last), 2);
    const double wider = client.right / (layout->client_width * dpi / 1440);
    const double taller = client.bottom / (layout->client_height * dpi / 1440);
    EXPECT_TRUE(wider > 0.99 && wider < kMaxStretch + 0.01 && taller > 0.99 && taller < kMaxStretch + 0.01)
        << wider << " x " << taller;
    EXPECT_NEAR(last.top, control.top * dpi / 1440 * taller, 2);
    EXPECT_NEAR(last.left, control.left * dpi / 1440 * wider, 2);
    view.Close();
  }
  testing::DrainMessages();  // the last form's close posts a quit
}

}  // namespace
}  // namespace brisvane
