// Brisvane.exe with the display scaled to 100, 125 and 150 % (Windows' LogPixels, set before the program
// starts; the screen stays 1280 x 800 pixels): the main window keeps its design's proportions, larger by
// the scaling and a little wider where the system font needs it, and the popup rises wholly on screen at
// the bottom right.
#include "e2e/scenario.h"
#include "notify/popup_window.h"
#include "support/test_http_server.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;
using P = PopupWindow;

// No form is drawn more than half as wide or tall again as its design.
constexpr double kMaxStretch = 1.5;

// A control's rectangle in its window's client area, in pixels.
RECT ClientRect(const Window& window, const Window& control) {
  RECT r{};
  GetWindowRect(control.handle(), &r);
  MapWindowPoints(HWND_DESKTOP, window.handle(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class Scaled : public Scenario, public ::testing::WithParamInterface<int> {
 protected:
  // Pixels of a design length in twips at this DPI.
  double Px(int twips) const { return twips * GetParam() / 1440.0; }

  registry::ScopedDword scaling_{"Control Panel\\Desktop", "LogPixels", static_cast<std::uint32_t>(GetParam())};
  brisvane::testing::TestHttpServer service_;
};

TEST_P(Scaled, TheMainWindowKeepsItsProportionsAndThePopupRisesWhollyOnScreenAtTheBottomRight) {
  service_.Reply(200, "FAKE");
  settings_.Seed("URL", service_.Url("/api/fakeskan.php"));
  Process app = StartAccepted();
  const Window main = MainOf(app);

  // Larger by the scaling, and by one factor each way where the font needs it, which every control
  // follows: the frame's corners and the About button's.
  RECT client{};
  GetClientRect(main.handle(), &client);
  const double wider = client.right / Px(10350), taller = client.bottom / Px(3510);
  EXPECT_GE(wider, 0.99);
  EXPECT_LE(wider, kMaxStretch + 0.01);
  EXPECT_GE(taller, 0.99);
  EXPECT_LE(taller, kMaxStretch + 0.01);
  struct Design {
    int control, left, top, width, height;
  };
  for (const Design& d : {Design{M::kApiFrame, 120, 1320, 4395, 1995}, {M::kAboutButton, 8640, 2520, 1275, 555}}) {
    const RECT r = ClientRect(main, main.Child(Id(d.control)));
    EXPECT_NEAR(r.left, Px(d.left) * wider, 2) << d.control;
    EXPECT_NEAR(r.top, Px(d.top) * taller, 2) << d.control;
    EXPECT_NEAR(r.right, Px(d.left + d.width) * wider, 2) << d.control;
    EXPECT_NEAR(r.bottom, Px(d.top + d.height) * taller, 2) << d.control;
  }

  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("single-file.torrent"));
  main.Child(Id(M::kLaunchButton)).Click();
  const Window popup = WaitForTopWindow({kMainCaption, app.id(), {Id(P::kAction)}, main.handle()});
  EXPECT_EQ(popup.Child(Id(P::kAction)).Text(), "Blocked");
  // Risen: its bottom edge on the screen's bottom row, as there is no task bar on this desktop.
  const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
  RECT r{};
  WaitUntil("the popup to rise", [&] {
    GetWindowRect(popup.handle(), &r);
    return r.bottom == screen_height - 1;
  });
  EXPECT_EQ(r.right, screen_width);
  EXPECT_GE(r.left, 0);
  EXPECT_GE(r.top, 0);
  GetClientRect(popup.handle(), &client);
  EXPECT_GE(client.right, Px(2610) - 1);
  EXPECT_LE(client.right, Px(2610) * kMaxStretch + 1);
  EXPECT_GE(client.bottom, Px(1035) - 1);
  if (GetParam() == 96 && screen_width == 1280 && screen_height == 800) {
    EXPECT_EQ((std::pair{r.left, r.top}), (std::pair{1100L, 708L})) << "where it always rose";
  }
  main.Close();  // the popup goes with it, and the program ends
  EXPECT_EQ(app.ExpectExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Dpi, Scaled, ::testing::Values(96, 120, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace brisvane::e2e
