#pragma once
// The decision: a rating word passes when it is one of the six words the service gives and the user's
// allow flag for it is ticked.
#include <string_view>

#include "settings/settings_store.h"

namespace brisvane {

// The five check boxes; only 1 means ticked.
struct AllowFlags {
  int verified = 1;  // chkAllowVerified: VERIFIED
  int good = 1;      // chkAllowGood: GOOD
  int neutral = 1;   // ChkAllowNetural: NONE and NOTFOUND
  int bad = 0;       // chkAllowBad: BAD
  int fake = 0;      // chkAllowFake: FAKE
};

AllowFlags AllowFlagsFrom(const SettingsFields& fields);

// Whole-word, case-sensitive. An empty rating (a failed lookup) and any other word are blocked.
bool IsAllowed(std::string_view rating, const AllowFlags& flags);

}  // namespace brisvane
