#pragma once
// How the program's windows reach one another: each window's logic knows the others only through this.
namespace brisvane {

class IWindowManager {
 public:
  virtual ~IWindowManager() = default;
  // Loads the main window (its load handler runs) and shows it when `show`; loading twice loads once.
  virtual void LoadMainWindow(bool show) = 0;
  // The about box and the association window: made visible (loaded when needed) and brought to the front.
  virtual void ShowAbout() = 0;
  virtual void ShowFileAssociation() = 0;
  // Unloads the popup, the association window and the about box, in this order, where loaded.
  virtual void CloseSecondaryWindows() = 0;
};

}  // namespace brisvane
