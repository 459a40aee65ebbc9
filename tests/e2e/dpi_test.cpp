// Brisvane.exe with the display scaled to 100, 125 and 150 % (Windows' LogPixels, set before the program
// starts; the screen stays 1280 x 800 pixels): the popup rises wholly on screen at the bottom right, grown
// with the scaling. The check works on what was there when it started: closing the main window during the
// popup closes the popup, and the allowed torrent still goes to the client before the program ends.
#include "e2e/scenario.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;

// Windows' LogPixels, read by a program when it starts; removed afterwards, as scripts/wine-dpi does.
class Scaled : public Scenario, public ::testing::WithParamInterface<int> {
 protected:
  Scaled() { RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi_, sizeof dpi_); }
  ~Scaled() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels"); }
  const DWORD dpi_ = GetParam();
};

TEST_P(Scaled, ThePopupRisesOnScreenAndClosingDuringItStillHandsOver) {
  const auto px = [](int twips) { return twips * GetParam() / 1440.0; };
  service_.Reply(200, "GOOD");
  Process app = Start();
  const Window main = MainOf(app);
  const std::string torrent = ExamplePath("single-file.torrent");
  main.Child(Id(M::kTorrentPath)).SetText(torrent);
  if (GetParam() == 144) Pose("main-window-144dpi", main);
  main.Child(Id(M::kLaunchButton)).Click();
  const Window popup = PopupOf(app, main);
  if (GetParam() == 144) Pose("popup-144dpi", popup);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  RECT r{}, client{};
  GetWindowRect(popup.handle(), &r);
  EXPECT_TRUE(r.right == width && r.left >= 0 && r.top >= 0) << r.left << ", " << r.top << ", " << r.right;
  GetClientRect(popup.handle(), &client);
  EXPECT_GE(client.right, px(2610) - 1) << "grown with the scaling";
  if (GetParam() == 96 && width == 1280 && height == 800) {
    EXPECT_EQ((std::pair{r.left, r.top}), (std::pair{1100L, 708L})) << "where it always rose";
  }
  EXPECT_EQ(popup.Child(Id(PopupWindow::kAction)).Text(), "Allowed");

  main.Child(Id(M::kTorrentPath)).SetText(ExamplePath("アルバム-альбом.torrent"));
  main.Child(Id(M::kProgramPath)).SetText("C:\\elsewhere\\other.exe");
  main.Child(Id(M::kAllowGood)).SetChecked(false);
  CloseAndWait(main, app);  // the program ends once the popup's hold is over
  EXPECT_EQ(ClientCommandLine(), Launched(torrent));
  // The edits were the user's all the same: they are the settings now.
  EXPECT_EQ(registry::ReadString(kSettingsKey, "torPath"), "C:\\elsewhere\\other.exe");
  EXPECT_EQ(registry::ReadDword(kSettingsKey, "Good"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Dpi, Scaled, ::testing::Values(96, 120, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace brisvane::e2e
