#pragma once
// One check of one torrent, from its start to the launch: the info-hash, the service's rating, and with
// the launch on, the verdict, the popup and the start of the torrent program. What the check works on is
// fixed when it starts, so nothing the user does to a window meanwhile changes it.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "notify/logs.h"
#include "notify/popup_window.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/http.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "settings/settings.h"

namespace brisvane {

inline constexpr std::string_view kFileNotFound = "Error. File not found!";

// How often window messages are processed while the service is awaited.
inline constexpr std::chrono::milliseconds kPumpInterval{10};

// Said once per run when the torrent program setting would start Brisvane again.
inline constexpr std::string_view kProgramIsBrisvane =
    "The torrent program setting points at Brisvane itself, so the torrent was not opened: Brisvane would "
    "only start again. Choose your torrent client in \"Torrent Program Path\" and try again.";

struct CheckRequest {
  std::string torrent_path;  // a torrent file, or a magnet link exactly as received
  Settings settings;   // the service, the torrent program and the allow flags
  bool launch = false;  // decide, show the popup and hand an allowed torrent to the torrent program
};

// Hands torrents to the torrent program, without waiting for it.
class TorrentProgramStarter {
 public:
  TorrentProgramStarter(IProcessLauncher& launcher, IMessageBox& messages) : launcher_(launcher), messages_(messages) {}
  // Never starts Brisvane itself (it would only start again, and again): says so once per run of the
  // program instead. A program that cannot be started is reported.
  void Start(const std::string& program_path, const std::string& torrent_path);

 private:
  IProcessLauncher& launcher_;
  IMessageBox& messages_;
  bool told_program_is_self_ = false;
};

struct CheckServices {
  IFileSystem& fs;
  // Asked from a thread of its own; it must outlive any request it is still answering.
  IHttpClient& http;
  IMessageBox& messages;
  TorrentProgramStarter& starter;
  IClock& clock;
  IPopup& popup;
  // Lets the window system handle its messages during the long scan of a large torrent.
  std::function<void()> pump;
  LogSwitches logs;
  TrayScreen screen;  // where the popup rises
};

// What the check shows in the window that started it, and how it learns that the window went away.
class ICheckObserver {
 public:
  virtual ~ICheckObserver() = default;
  virtual void HashFound(const std::string& hash) = 0;  // "" when the file gave none
  // The reply word (or "" after a failed lookup) and its colour in the main window, if it has one.
  virtual void RatingFound(const std::string& word, std::optional<Color> color) = 0;
  // True once the window was closed: a check not yet at its verdict stops there.
  virtual bool Abandoned() = 0;
};

// The text after the last backslash; empty when there is none.
std::string FileNameOf(std::string_view path);

// The program path as typed, a blank, then the torrent path in double quotes.
std::string LaunchCommandLine(std::string_view program_path, std::string_view torrent_path);

class TorrentCheck {
 public:
  TorrentCheck(const CheckServices& services, CheckRequest request) : s_(services), request_(std::move(request)) {}

  // Runs the whole check. Returns false, having done nothing, when the torrent file does not exist. A
  // magnet link is checked by the hash it names; one that names none, or could not be handed on safely,
  // is refused with a message and neither announced nor started.
  bool Run(ICheckObserver& observer);

 private:
  std::string Hash(ICheckObserver& observer);
  // The service's reply, or nothing when the window closed while it was awaited.
  std::optional<HttpReply> Fetch(const std::string& url, ICheckObserver& observer);

  CheckServices s_;
  CheckRequest request_;
  bool is_link_ = false;
  std::string shown_name_;  // the popup's name for the torrent
};

}  // namespace brisvane
