#include "app/main_model.h"

#include "app/magnet_link.h"
#include "app/rating.h"
#include "dialogs/file_choosers.h"
#include "product.h"
#include "settings/magnet_association.h"
#include "settings/settings_store.h"
#include "settings/torrent_association.h"

namespace brisvane {
namespace {

void RemoveAll(std::string& text, std::string_view what) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string CleanHandlerCommand(std::string command) {
  RemoveAll(command, "\"%1\"");
  RemoveAll(command, " %1");
  RemoveAll(command, "\"");
  return command;
}

std::string ArgumentText(std::string_view whole_command_line) {
  std::string_view rest = whole_command_line;
  std::size_t end = 0;
  if (!rest.empty() && rest.front() == '"') {
    const std::size_t close = rest.find('"', 1);
    end = close == std::string_view::npos ? rest.size() : close + 1;
  } else {
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
  }
  rest.remove_prefix(end);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  return std::string(rest);
}

MainModel::MainModel(const MainServices& services) : s_(services), starter_(services.launcher, services.messages) {}

void MainModel::Changed() {
  if (changed_) changed_();
}

void MainModel::SetTorrentPath(std::string path) {
  if (path == torrent_path_) return;
  torrent_path_ = std::move(path);
  Changed();
}

void MainModel::SetSettings(Settings settings) {
  if (settings == settings_) return;
  settings_ = std::move(settings);
  Changed();
}

void MainModel::Load() {
  const std::string folder = FolderOf(s_.system.ExecutablePath());
  logs_ = LogSwitches{false, false, folder + "\\Brisvane.log", folder + "\\debug.log"};
  screen_ = TrayScreen{s_.system.ExpandEnvironment("%windir%")};

  Settings settings;  // the design defaults, where nothing is stored
  LoadSettings(s_.registry, settings);
  if (settings.program_path.empty()) {
    // A client that took only magnet links is still the user's torrent client.
    std::string command = FindTorrentHandlerCommand(s_.registry, s_.system);
    if (command.empty()) command = FindMagnetHandlerCommand(s_.registry, s_.system);
    if (!command.empty()) settings.program_path = CleanHandlerCommand(command);
  }
  if (settings.program_path.empty()) settings.program_path = "notepad";
  command_line_ = ArgumentText(s_.system.CommandLine());
  if (settings.service_url.empty()) settings.service_url = kDefaultServiceUrl;
  settings_ = std::move(settings);
  Changed();
}

bool MainModel::RunCommandLine() {
  if (command_line_.empty()) return false;
  // A link comes as Windows passes it, in the quotes it adds; inside them it is taken exactly as it is.
  std::string_view link = command_line_;
  if (link.size() >= 2 && link.front() == '"' && link.back() == '"') link = link.substr(1, link.size() - 2);
  if (IsMagnetLink(link)) {
    SetTorrentPath(std::string(link));
    Check(true);
    return true;
  }
  std::string path = command_line_;
  RemoveAll(path, "\"");
  if (s_.fs.FileExists(path)) {
    SetTorrentPath(path);
    Check(true);
  }
  return true;
}

void MainModel::CheckTorrent() {
  if (check_running_) return;
  hash_text_.clear();
  rating_text_.clear();
  Changed();
  Check(false);
}

void MainModel::LaunchTorrent() {
  if (check_running_) return;
  Check(true);
}

void MainModel::Check(bool launch) {
  CheckServices services{s_.fs, s_.http, s_.messages, starter_, s_.clock, s_.popup, s_.pump, logs_, screen_};
  TorrentCheck check(services, CheckRequest{torrent_path_, settings_, launch});
  // The check processes window messages: a second press meanwhile must not start another inside it.
  check_running_ = true;
  const bool found = check.Run(*this);
  check_running_ = false;
  if (!found) {
    hash_text_ = kFileNotFound;
    Changed();
  }
}

void MainModel::HashFound(const std::string& hash) {
  hash_text_ = hash;
  Changed();
}

void MainModel::RatingFound(const std::string& word, std::optional<Color> color) {
  rating_text_ = word;
  if (color) rating_color_ = color;
  Changed();
}

std::string MainModel::ChooseExistingFile() {
  std::string chosen = ChooseFile(s_.dialogs);
  return s_.fs.FileExists(chosen) ? chosen : std::string();
}

void MainModel::BrowseForTorrent() {
  if (std::string chosen = ChooseExistingFile(); !chosen.empty()) SetTorrentPath(std::move(chosen));
}

void MainModel::BrowseForProgram() {
  if (std::string chosen = ChooseExistingFile(); !chosen.empty()) {
    Settings settings = settings_;
    settings.program_path = std::move(chosen);
    SetSettings(std::move(settings));
  }
}

void MainModel::Close() {
  closed_ = true;
  SaveSettings(s_.registry, settings_);
}

}  // namespace brisvane
