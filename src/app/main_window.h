#pragma once
// The main window: renders the main model into its controls and forwards what the user does. Its one-shot
// start timer decides between the command-line run and the interactive run.
#include "app/main_model.h"
#include "platform/form.h"

namespace brisvane {

// The other windows the main window opens and closes.
class IWindowManager {
 public:
  virtual ~IWindowManager() = default;
  // Made visible (loaded when needed) and brought to the front; neither is modal.
  virtual void ShowAbout() = 0;
  virtual void ShowFileAssociation() = 0;
  // Closes the popup, the association window and the about box, in this order, where open.
  virtual void CloseSecondaryWindows() = 0;
};

class MainWindow final : public IFormEvents {
 public:
  enum Control : int {
    kBrowseTorrent = 1, kTorrentCaption, kTorrentPath, kBrowseProgram, kProgramCaption, kProgramPath, kApiFrame,
    kUrlCaption, kServiceUrl, kAllowVerified, kAllowGood, kAllowNeutral, kAllowBad, kAllowFake, kHashCaption, kHash,
    kRatingCaption, kRating, kCheckButton = 20, kLaunchButton, kAssociationButton, kAboutButton,
  };
  enum Timer : int { kStartTimer = 1 };
  static const FormLayout& Layout();

  MainWindow(MainModel& model, IWindowManager& windows);

  void Attach(IFormView* view) override { view_ = view; }
  void OnLoad() override;
  void OnClick(int control) override;
  void OnTextChanged(int control) override;
  void OnTimer(int timer) override;
  void OnResize() override;
  void OnUnload() override;

  bool loaded() const { return view_ != nullptr; }

 private:
  void Render();

  MainModel& model_;
  IWindowManager& windows_;
  IFormView* view_ = nullptr;
  bool rendering_ = false;      // the view's own change notices while the model is drawn are no edits
  bool start_decided_ = false;  // the start-up decision runs once, however timers and message pumps interleave
};

}  // namespace brisvane
