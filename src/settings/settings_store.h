#pragma once
// The settings kept between runs: seven values in one key of the current user.
#include <string_view>

#include "platform/registry.h"
#include "settings/settings.h"

namespace brisvane {

// Below HKEY_CURRENT_USER. Also home to the remembered previous .torrent handler and the terms acceptance.
inline constexpr std::string_view kSettingsKey = "Software\\Kestrelwick\\Brisvane";

// Texts take what is stored (an integer, as an earlier version could leave, as its decimal text;
// nothing as the empty text). A flag takes a
// stored number only when it rounds to 0 or 1; anything else leaves it as it was.
void LoadSettings(IRegistry& registry, Settings& settings);

// Creates the key when missing and writes all seven values: texts as REG_SZ without surrounding blanks,
// flags as REG_DWORD 0 or 1. Failures are silent.
void SaveSettings(IRegistry& registry, const Settings& settings);

}  // namespace brisvane
