#include "notify/popup.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "notify/foreground.h"

namespace brisvane {
namespace {

using K = ControlKind;
using P = FrmPopUp;

// The design width of the file-name field, and the name width that still fits its two lines.
constexpr int kFileFieldWidth = 2355;

constexpr std::array kPopUpControls{
    ControlSpec{P::Label1, K::Label, "File:", 0, 0, 315, 255},
    ControlSpec{P::lblfile, K::HashField, "", 360, 0, kFileFieldWidth, 435, -1, true, 0, 0, true},
    ControlSpec{P::Label2, K::Label, "Rating:", 0, 480, 495, 255},
    ControlSpec{P::lblRating, K::Label, "", 540, 480, 1995, 255},
    ControlSpec{P::Label3, K::Label, "Action:", 0, 780, 495, 255},
    ControlSpec{P::lblAction, K::Label, "", 540, 780, 1995, 195},
    // Only measures the name on one line; it lies hidden under the field.
    ControlSpec{P::lblResize, K::Label, "", 720, 240, 480, 195, -1, false},
};

constexpr FormSpec kPopUp{"Brisvane", 2610, 1035, false, kPopUpControls, 0, 0, true};

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The screen row a top edge in twips falls on: the nearest pixel, as the window system rounds.
int PixelOf(int twips) {
  const int shifted = twips + kTwipsPerPixel / 2;
  return shifted >= 0 ? shifted / kTwipsPerPixel : -((-shifted + kTwipsPerPixel - 1) / kTwipsPerPixel);
}

// Moves the popup one twip at a time, but tells the window only when it lands on another pixel row.
class Slide {
 public:
  Slide(FrmPopUp& popup, IFormView& view, int left, int top)
      : popup_(popup), view_(view), left_(left), row_(PixelOf(top)) {}

  // False once the popup has gone.
  bool Alive() const { return popup_.view() == &view_; }
  void SetTop(int twips) {
    const int row = PixelOf(twips);
    if (row == row_) return;
    row_ = row;
    view_.MoveTo(left_, twips);
  }

 private:
  FrmPopUp& popup_;
  IFormView& view_;
  int left_;
  int row_;
};

}  // namespace

const FormSpec& FrmPopUp::Spec() { return kPopUp; }

void FrmPopUp::Form_Load() { view_->StartTimer(Timer1, kLifetimeMs); }

void FrmPopUp::OnTimer(int timer) {
  if (timer == Timer1) Close();
}

void FrmPopUp::Close() {
  if (view_) view_->Close();
}

IFormView& FrmPopUp::Load() {
  if (!view_) host_.Load(kPopUp, *this);
  if (!view_) throw std::logic_error("the popup closed while it loaded");
  return *view_;
}

void FrmPopUp::SetFile(std::string_view name) {
  IFormView& view = Load();
  if (view.Text(lblfile) == name) return;  // no change, no measuring
  view.SetText(lblfile, name);
  lblfile_Change();
}

void FrmPopUp::SetRating(std::string_view word, std::optional<Color> color) {
  IFormView& view = Load();
  view.SetText(lblRating, word);
  if (color) view.SetForeColor(lblRating, *color);
}

void FrmPopUp::SetAction(std::string_view action) { Load().SetText(lblAction, action); }

void FrmPopUp::lblfile_Change() {
  const std::string name = view_->Text(lblfile);
  if (view_->Text(lblResize) == name) return;
  view_->SetText(lblResize, name);
  lblResize_Change();
}

void FrmPopUp::lblResize_Change() {
  const float half = static_cast<float>(view_->TextWidth(lblResize)) / 2.0f;
  if (half > static_cast<float>(kFileFieldWidth)) {
    // Two lines of half the name each, plus the room around the field.
    view_->SetOuterWidth(static_cast<int>(std::lround(half + 695.0f)));
    view_->SetControlWidth(lblfile, static_cast<int>(std::lround(half + 200.0f)));
  } else {
    view_->SetControlWidth(lblfile, 2205);
  }
}

void DisplayTrayPopUP(FrmPopUp& frmPopUp, const TrayServices& services, const TrayScreen& screen) {
  IDesktopWindows& desktop = services.desktop;
  const int x = screen.MonitorWidth - 1;
  int y = screen.MonitorHeight - 1;

  // The task bar: a window of the Windows shell at the bottom-right corner that spans the bottom edge.
  const WindowHandle h = desktop.WindowFromPoint(x, y);
  if (h != 0) {
    const std::uint32_t pid = getPIDfromHandle(desktop, h);
    const std::string path = services.processes.getPathfromPID(pid);
    if (LowerAscii(path) == LowerAscii(screen.WinDirPath + "\\explorer.exe")) {
      const WindowHandle corner = h;
      if (getPIDfromHandle(desktop, desktop.WindowFromPoint(2, y)) == pid) {
        WindowHandle at = desktop.WindowFromPoint(x, y);
        while (at == corner && y > 0) {
          --y;
          at = desktop.WindowFromPoint(x, y);
        }
      }
    }
  }

  // The lookup processed messages: the popup may have closed meanwhile.
  IFormView* view = frmPopUp.view();
  if (!view) return;
  const int bottom = y * kTwipsPerPixel;
  const int left = screen.MonitorWidth * kTwipsPerPixel - view->OuterWidth();
  view->MoveTo(left, bottom - 1);
  view->Show();
  ForceForeground(desktop, view->NativeHandle());

  // Up until its bottom edge is on row y. Nothing else runs during a slide.
  Slide slide(frmPopUp, *view, left, bottom - 1);
  for (int t = bottom; slide.Alive() && t > bottom - view->OuterHeight();) {
    --t;
    slide.SetTop(t);
  }
  if (!slide.Alive()) return;

  Delay(services.clock, services.host, 8);
  if (!slide.Alive()) return;

  // Down until its top edge is on row y, behind the task bar.
  const int height = view->OuterHeight();
  for (int t = bottom - height; t <= bottom && slide.Alive(); ++t) slide.SetTop(t);
}

void Delay(IClock& clock, IFormHost& host, double seconds) {
  if (!std::isfinite(seconds)) throw std::invalid_argument("Delay needs a finite number of seconds");
  using Seconds = std::chrono::duration<double>;
  const std::chrono::local_time<Seconds> end = clock.Now() + Seconds(seconds);
  while (!(clock.Now() > end)) {
    clock.Sleep(100);
    host.ProcessPendingMessages();
  }
}

}  // namespace brisvane
