#pragma once
// `frmPopUp`: the small window that rises out of the task bar after a verdict with the file name, the
// rating and the action, and closes itself ten seconds after it was made. `DisplayTrayPopUP` places and
// slides it; `Delay` is the message-processing wait it holds with.
#include <optional>
#include <string>
#include <string_view>

#include "notify/process_lookup.h"
#include "platform/app_host.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/form.h"

namespace brisvane {

// Screen pixels and window twips meet at this fixed ratio, whatever the display's real one.
inline constexpr int kTwipsPerPixel = 15;

class FrmPopUp : public IFormEvents {
 public:
  enum Control : int { Label1 = 1, lblfile, Label2, lblRating, Label3, lblAction, lblResize };
  enum Timer : int { Timer1 = 1 };
  static constexpr unsigned kLifetimeMs = 10000;

  static const FormSpec& Spec();

  explicit FrmPopUp(IFormHost& host) : host_(host) {}

  void Attach(IFormView* view) override { view_ = view; }
  void Form_Load() override;
  void OnTimer(int timer) override;

  // The fields. Each loads the popup first when there is none, fresh with its design values; a popup that
  // exists keeps its size and its timer.
  void SetFile(std::string_view name);
  void SetRating(std::string_view word, std::optional<Color> color = std::nullopt);
  void SetAction(std::string_view action);

  bool IsLoaded() const { return view_ != nullptr; }
  IFormView* view() { return view_; }
  void Close();

 private:
  IFormView& Load();
  void lblfile_Change();
  void lblResize_Change();

  IFormHost& host_;
  IFormView* view_ = nullptr;
};

struct TrayServices {
  IFormHost& host;
  IDesktopWindows& desktop;
  ProcessLookup& processes;
  IClock& clock;
};

// What the main window learnt at its load: the monitor's size in pixels and the Windows folder.
struct TrayScreen {
  int MonitorWidth = 0;
  int MonitorHeight = 0;
  std::string WinDirPath;
};

// Shows the filled popup at the bottom-right corner above the task bar (or at the bottom row without
// one), slides it up, holds it for `Delay(8)` and slides it down again. Returns at once, or stops
// touching it, once the popup has closed.
void DisplayTrayPopUP(FrmPopUp& frmPopUp, const TrayServices& services, const TrayScreen& screen);

// Returns once the clock (whole seconds) is past now + `seconds`, sleeping 100 ms and processing window
// messages between looks. Throws std::invalid_argument for a NaN or infinite `seconds`.
void Delay(IClock& clock, IFormHost& host, double seconds);

}  // namespace brisvane
