#pragma once
// The small window that rises out of the task bar after a verdict with the file name, the rating and the
// action, and closes itself ten seconds after it was made.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "notify/process_lookup.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/form.h"

namespace brisvane {

struct PopupContent {
  std::string file_name;
  std::string rating;
  std::optional<Color> rating_color;  // none: the label keeps the colour it has
  std::string action;                 // "Allowed" or "Blocked"
};

// What the main window learnt at its load: the Windows folder, where the shell's task bar comes from.
// The monitor's size is read when the popup rises.
struct TrayScreen {
  std::string windows_folder;  // the shell that owns the task bar is explorer.exe from here
};

// Shows a verdict; returns once the popup has been held and has slid away again, or has closed.
class IPopup {
 public:
  virtual ~IPopup() = default;
  virtual void Present(const PopupContent& content, const TrayScreen& screen) = 0;
  virtual void Close() = 0;
};

class PopupWindow final : public IFormEvents, public IPopup {
 public:
  enum Control : int { kFileCaption = 1, kFileName, kRatingCaption, kRating, kActionCaption, kAction, kNameMeasure };
  enum Timer : int { kLifetimeTimer = 1 };
  static constexpr unsigned kLifetimeMs = 10000;
  static constexpr std::chrono::milliseconds kHold{8000};

  PopupWindow(IFormHost& host, IDesktopWindows& desktop, ProcessLookup& processes, IClock& clock)
      : host_(host), desktop_(desktop), processes_(processes), clock_(clock) {}

  static const FormLayout& Layout();

  void Attach(IFormView* view) override { view_ = view; }
  void OnLoad() override;
  void OnTimer(int timer) override;

  // Fills the popup (made fresh with its design values when there is none; one that is still up keeps
  // its size and its timer), shows it at the bottom-right corner above the task bar (or at the bottom
  // row without one), slides it up a pixel row at a time, holds it for kHold and slides it down again.
  // Placed in screen pixels, as the monitor's size comes, whatever the popup's DPI.
  void Present(const PopupContent& content, const TrayScreen& screen) override;
  void Close() override;

 private:
  IFormView& Load();
  void SetFileName(std::string_view name);
  // The bottom pixel row the popup rises from: above the shell's task bar when one spans the bottom edge.
  int TaskBarTop(int monitor_width, int monitor_height, const TrayScreen& screen);
  void Slide(int monitor_width, int bottom_row);

  IFormHost& host_;
  IDesktopWindows& desktop_;
  ProcessLookup& processes_;
  IClock& clock_;
  IFormView* view_ = nullptr;
};

// Returns once `duration` has passed on the monotonic clock, or earlier once `done` says so, sleeping
// 100 ms and processing window messages between looks.
void WaitProcessingMessages(IClock& clock, IFormHost& host, std::chrono::milliseconds duration,
                            const std::function<bool()>& done = {});

}  // namespace brisvane
