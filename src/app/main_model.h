#pragma once
// The main window's state and what its user can ask of it: the settings, the torrent path, the hash and
// rating of the last check, and the intents (check, launch, browse, start-up). The window renders this
// and forwards what the user does; nothing here reads a control.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/torrent_check.h"
#include "platform/file_dialogs.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "settings/settings.h"

namespace brisvane {

// Removes a quoted "%1", then " %1", then every double quote; nothing else.
std::string CleanHandlerCommand(std::string command);

// The argument part of a Windows command line: everything after the program's own name and the blanks
// (spaces and tabs) that follow it, unchanged. The name ends as Windows ends it: at the closing double
// quote when it starts with one (or at the end when the quote is never closed), otherwise at the first
// blank.
std::string ArgumentText(std::string_view whole_command_line);

struct MainServices {
  IFileSystem& fs;
  IRegistry& registry;
  IMessageBox& messages;
  ISystem& system;
  IFileDialogs& dialogs;
  IHttpClient& http;
  IProcessLauncher& launcher;
  IClock& clock;
  IPopup& popup;
  std::function<void()> pump;  // processes pending window messages
};

class MainModel final : private ICheckObserver {
 public:
  explicit MainModel(const MainServices& services);

  // Called after every change of what the window shows.
  void SetChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }

  const Settings& settings() const { return settings_; }
  const std::string& torrent_path() const { return torrent_path_; }
  const std::string& hash_text() const { return hash_text_; }  // the hash, "", or kFileNotFound
  const std::string& rating_text() const { return rating_text_; }
  std::optional<Color> rating_color() const { return rating_color_; }  // none: the label's own colour
  bool checking() const { return check_running_; }

  // What the user typed or ticked.
  void SetTorrentPath(std::string path);
  void SetSettings(Settings settings);

  // The window's load: the stored settings (or their defaults), the torrent program from the current
  // .torrent handler (else the magnet handler, else "notepad"), the default service URL, the command
  // line.
  void Load();

  // The start-up decision: false for an interactive run, whose window should now show. Otherwise checks
  // the torrent named on the command line with the launch, then returns true: the program should end.
  // A magnet link is taken exactly as received inside the quotes Windows adds; a file path loses all
  // double quotes, and a missing file ends the run silently.
  bool RunCommandLine();

  // "Check torrent": clears the hash and rating, then looks the torrent up, or says it is not found.
  void CheckTorrent();
  // "Launch torrent": looks the torrent up, decides, shows the popup and starts an allowed torrent.
  void LaunchTorrent();
  // The Browse buttons: an existing file the user chose replaces the field's path.
  void BrowseForTorrent();
  void BrowseForProgram();

  // The window is closing: stores the settings. A check still before its verdict stops there; one that
  // is past it still starts the torrent it announced.
  void Close();

 private:
  void Check(bool launch);
  void Changed();
  std::string ChooseExistingFile();

  // ICheckObserver
  void HashFound(const std::string& hash) override;
  void RatingFound(const std::string& word, std::optional<Color> color) override;
  bool Abandoned() override { return closed_; }

  MainServices s_;
  TorrentProgramStarter starter_;
  std::function<void()> changed_;
  Settings settings_;
  std::string torrent_path_;
  std::string hash_text_;
  std::string rating_text_;
  std::optional<Color> rating_color_;
  std::string command_line_;
  LogSwitches logs_;
  TrayScreen screen_;
  bool check_running_ = false;
  bool closed_ = false;
};

}  // namespace brisvane
