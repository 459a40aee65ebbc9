#pragma once
// The settings kept between runs: seven values in one key of the current user. The main window holds
// them in its controls; this record stands for those controls, and the two operations move them between
// the record and the registry.
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace brisvane {

// Below HKEY_CURRENT_USER. Also home to the remembered previous .torrent handler and the terms acceptance.
inline constexpr std::string_view SettingsKey = "Software\\Kestrelwick\\Brisvane";

struct SettingsFields {
  std::string url;           // txtURL
  std::string program_path;  // txtProgramPath
  // Check box states, 0 (not ticked) or 1 (ticked); the initial values are the window's design states.
  int allow_verified = 1;  // chkAllowVerified
  int allow_good = 1;      // chkAllowGood
  int allow_neutral = 1;   // ChkAllowNetural
  int allow_bad = 0;       // chkAllowBad
  int allow_fake = 0;      // chkAllowFake

  friend bool operator==(const SettingsFields&, const SettingsFields&) = default;
};

// Text fields take what is stored (an integer as its decimal text, nothing as the empty text). A check
// box takes a stored number only when it rounds to 0 or 1; anything else leaves it as it was.
void ReadDataReg(IRegistry& registry, SettingsFields& fields);

// Creates the key when missing and writes all seven values; text loses surrounding blanks, a text that
// is a number is stored as one. Failures are silent.
void WriteDataReg(IRegistry& registry, const SettingsFields& fields);

}  // namespace brisvane
