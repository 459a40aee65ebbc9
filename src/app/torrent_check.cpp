#include "app/torrent_check.h"

#include <future>
#include <thread>

#include "app/rating.h"
#include "app/magnet_link.h"
#include "app/reputation_lookup.h"
#include "app/torrent_decoder.h"
#include "product.h"

namespace brisvane {

std::string FileNameOf(std::string_view path) {
  const auto slash = path.rfind('\\');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(slash + 1));
}

std::string LaunchCommandLine(std::string_view program_path, std::string_view torrent_path) {
  return std::string(program_path) + " \"" + std::string(torrent_path) + "\"";
}

void TorrentProgramStarter::Start(const std::string& program_path, const std::string& torrent_path) {
  if (launcher_.IsThisProgram(program_path)) {
    if (!told_program_is_self_) {
      told_program_is_self_ = true;
      messages_.Show(kProgramIsBrisvane, kProgramTitle);
    }
    return;
  }
  std::string error;
  if (!launcher_.Start(LaunchCommandLine(program_path, torrent_path), WindowShow::Minimized, &error)) {
    // The popup has just said "Allowed": the user must learn that nothing was opened after all.
    messages_.Show("The torrent program could not be started:\r\n" + program_path + "\r\n" + error, kProgramTitle);
  }
}

std::string TorrentCheck::Hash(ICheckObserver& observer) {
  if (is_link_) {
    const MagnetLink link = ParseMagnetLink(request_.torrent_path);
    if (!link.refusal.empty()) s_.messages.Show(link.refusal, kProgramTitle);
    shown_name_ = MagnetDisplayName(link);
    observer.HashFound(link.hash);
    return link.hash;
  }
  ScanHooks hooks;
  hooks.progress = s_.pump;
  if (s_.logs.debug) {
    hooks.on_string = [this](std::string_view text) {
      AppendDebugLine(s_.fs, s_.logs.debug_path, "String = " + std::string(text));
    };
  }
  const TorrentHash torrent = GetTorrentHash(s_.fs, request_.torrent_path, hooks);
  if (!torrent.message.empty()) s_.messages.Show(torrent.message, kProgramTitle);
  observer.HashFound(torrent.hash);
  return torrent.hash;
}

std::optional<HttpReply> TorrentCheck::Fetch(const std::string& url, ICheckObserver& observer) {
  // On a thread of its own, so that the window keeps painting and taking clicks while a slow service
  // answers. A check whose window closes meanwhile stops waiting; the request ends on its own, by its
  // time-outs at the latest, and its reply goes nowhere.
  auto done = std::make_shared<std::promise<HttpReply>>();
  std::future<HttpReply> reply = done->get_future();
  std::thread([done, &http = s_.http, url] {
    try {
      done->set_value(http.Get(url));
    } catch (...) {
      done->set_exception(std::current_exception());
    }
  }).detach();
  while (reply.wait_for(kPumpInterval) != std::future_status::ready) {
    if (s_.pump) s_.pump();
    if (observer.Abandoned()) return std::nullopt;
  }
  return reply.get();
}

bool TorrentCheck::Run(ICheckObserver& observer) {
  const Settings& settings = request_.settings;
  is_link_ = IsMagnetLink(request_.torrent_path);
  if (!is_link_ && !s_.fs.FileExists(request_.torrent_path)) return false;
  shown_name_ = FileNameOf(request_.torrent_path);

  std::string rating;
  const std::string hash = Hash(observer);
  if (observer.Abandoned()) return true;  // closed while the scan processed messages
  // A link that cannot be handed on safely is not even announced: nothing about it is worth trying.
  if (is_link_ && hash.empty()) return true;
  if (!hash.empty()) {
    const LookupLog log = [this, &hash](std::string_view outcome) {
      if (s_.logs.activity) {
        AppendActivityLine(s_.fs, s_.clock, s_.logs.activity_path,
                           request_.torrent_path + ", " + hash + ", " + std::string(outcome));
      }
    };
    const std::string url = LookupUrl(settings.service_url, hash);
    const std::optional<HttpReply> reply = Fetch(url, observer);
    if (!reply) return true;
    rating = RatingFromReply(*reply, url, s_.messages, log);
  }
  if (observer.Abandoned()) return true;
  observer.RatingFound(rating, MainWindowColor(rating, settings.allow));
  if (!request_.launch) return true;

  const bool allowed = IsAllowed(rating, settings.allow);
  s_.popup.Present(PopupContent{shown_name_, rating, PopupColor(rating, settings.allow),
                                allowed ? "Allowed" : "Blocked"},
                   s_.screen);
  s_.clock.Sleep(10);
  if (allowed) s_.starter.Start(settings.program_path, request_.torrent_path);
  return true;
}

}  // namespace brisvane
