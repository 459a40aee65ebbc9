#pragma once
// What the verdict shows and starts: the colours of the rating labels, the file name for the popup, and
// the command line that hands a torrent to the torrent program.
#include <optional>
#include <string>
#include <string_view>

#include "platform/form.h"
#include "settings/settings_store.h"

namespace brisvane {

inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x00C000;
inline constexpr Color kBlue = 0xFF0000;

// The main window's rating label, while the window is visible: green for an allowed good rating, blue
// for an allowed neutral or negative one, red when the rating's flag is off; nothing for other words
// (NOTFOUND included).
std::optional<Color> MainRatingColor(std::string_view rating, const SettingsFields& flags);
// The popup's rating label: as above, but NOTFOUND shares NONE's colours and an allowed BAD or FAKE
// sets none.
std::optional<Color> PopupRatingColor(std::string_view rating, const SettingsFields& flags);

// The text after the last backslash; empty when there is none.
std::string GetFileName(std::string_view FilePath);

// The program path as typed, a blank, then the torrent path in double quotes.
std::string LaunchCommandLine(std::string_view program_path, std::string_view torrent_path);

}  // namespace brisvane
