#include "notify/popup_window.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "notify/foreground.h"

namespace brisvane {
namespace {

using K = ControlKind;
using P = PopupWindow;

// The design width of the file-name field, and the name width that still fits its two lines.
constexpr int kFileFieldWidth = 2355;

constexpr std::array kPopupControls{
    ControlLayout{P::kFileCaption, K::Label, "File:", 0, 0, 315, 255},
    ControlLayout{P::kFileName, K::HashField, "", 360, 0, kFileFieldWidth, 435, -1, true, false, 0, true},
    // The values start 120 twips further right than the design's 540, which left the captions too little
    // room in today's system fonts; the values still have three times the room their words take, and the
    // popup keeps its size.
    ControlLayout{P::kRatingCaption, K::Label, "Rating:", 0, 480, 615, 255},
    ControlLayout{P::kRating, K::Label, "", 660, 480, 1875, 255},
    ControlLayout{P::kActionCaption, K::Label, "Action:", 0, 780, 615, 255},
    ControlLayout{P::kAction, K::Label, "", 660, 780, 1875, 195},
    // Only measures the name on one line; it lies hidden under the field.
    ControlLayout{P::kNameMeasure, K::Label, "", 720, 240, 480, 195, -1, false},
};

constexpr FormLayout kPopup{"Brisvane", 2610, 1035, false, kPopupControls, 0, 0, true};

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace

const FormLayout& PopupWindow::Layout() { return kPopup; }

void PopupWindow::OnLoad() { view_->StartTimer(kLifetimeTimer, kLifetimeMs); }

void PopupWindow::OnTimer(int timer) {
  if (timer == kLifetimeTimer) Close();
}

void PopupWindow::Close() {
  if (view_) view_->Close();
}

IFormView& PopupWindow::Load() {
  if (!view_) host_.Load(Layout(), *this);
  if (!view_) throw std::logic_error("the popup closed while it loaded");
  return *view_;
}

void PopupWindow::SetFileName(std::string_view name) {
  IFormView& view = Load();
  if (view.Text(kFileName) == name) return;  // no change, no measuring
  view.SetText(kFileName, name);
  if (view.Text(kNameMeasure) == name) return;
  view.SetText(kNameMeasure, name);
  const float half = static_cast<float>(view.TextWidth(kNameMeasure)) / 2.0f;
  if (half > static_cast<float>(kFileFieldWidth)) {
    // Two lines of half the name each, plus the room around the field.
    view.SetOuterWidth(static_cast<int>(std::lround(half + 695.0f)));
    view.SetControlWidth(kFileName, static_cast<int>(std::lround(half + 200.0f)));
  } else {
    view.SetControlWidth(kFileName, 2205);
  }
}

void PopupWindow::Present(const PopupContent& content, const TrayScreen& screen) {
  IFormView& view = Load();
  view.SetText(kRating, content.rating);
  if (content.rating_color) view.SetForeColor(kRating, *content.rating_color);
  view.SetText(kAction, content.action);
  SetFileName(content.file_name);
  Slide(screen, TaskBarTop(screen));
}

int PopupWindow::TaskBarTop(const TrayScreen& screen) {
  const int x = screen.monitor_width - 1;
  int y = screen.monitor_height - 1;
  // The task bar: a window of the Windows shell at the bottom-right corner that spans the bottom edge.
  const WindowHandle corner = desktop_.WindowFromPoint(x, y);
  if (corner == 0) return y;
  const std::uint32_t pid = ProcessIdOf(desktop_, corner);
  const std::string path = processes_.ExecutablePathOf(pid);
  if (LowerAscii(path) != LowerAscii(screen.windows_folder + "\\explorer.exe")) return y;
  if (ProcessIdOf(desktop_, desktop_.WindowFromPoint(2, y)) != pid) return y;
  while (desktop_.WindowFromPoint(x, y) == corner && y > 0) --y;
  return y;
}

void PopupWindow::Slide(const TrayScreen& screen, int bottom_row) {
  // The lookup processed messages: the popup may have closed meanwhile.
  IFormView* const view = view_;
  if (!view) return;
  const auto alive = [&] { return view_ == view; };
  int width = 0, height = 0;
  view->OuterPixels(width, height);
  const int left = screen.monitor_width - width;
  view->MoveToPixels(left, bottom_row);
  view->Show();
  ForceForeground(desktop_, view->NativeHandle());

  // Up until its bottom edge is on the task bar's top row. Nothing else runs during a slide.
  for (int top = bottom_row - 1; alive() && top >= bottom_row - height; --top) view->MoveToPixels(left, top);
  if (!alive()) return;
  // Closed during the hold (with the main window, say), it is held no longer.
  WaitProcessingMessages(clock_, host_, kHold, [&] { return !alive(); });
  if (!alive()) return;
  // Down until its top edge is on that row, behind the task bar.
  view->OuterPixels(width, height);
  for (int top = bottom_row - height + 1; top <= bottom_row && alive(); ++top) view->MoveToPixels(left, top);
}

void WaitProcessingMessages(IClock& clock, IFormHost& host, std::chrono::milliseconds duration,
                            const std::function<bool()>& done) {
  const std::chrono::milliseconds end = clock.Elapsed() + duration;
  while (clock.Elapsed() < end && !(done && done())) {
    clock.Sleep(100);
    host.ProcessPendingMessages();
  }
}

}  // namespace brisvane
