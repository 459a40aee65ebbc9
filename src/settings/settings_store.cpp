#include "settings/settings_store.h"

#include <optional>

#include "settings/registry_functions.h"

namespace brisvane {
namespace {

constexpr RegistryRoot kRoot = RegistryRoot::CurrentUser;

// The stored names of the flags, in the order they are written.
struct FlagName {
  std::string_view name;
  bool AllowFlags::*flag;
};
constexpr FlagName kFlagNames[] = {
    {"Verified", &AllowFlags::verified}, {"Neutral", &AllowFlags::neutral}, {"Fake", &AllowFlags::fake},
    {"Bad", &AllowFlags::bad},           {"Good", &AllowFlags::good},
};

// A stored flag: a number (an integer, or a text that reads as one) that rounds to 0 or 1.
std::optional<bool> StoredFlag(const RegValue& value) {
  std::int32_t number = 0;
  if (value.IsInteger()) {
    number = value.integer();
  } else {
    const std::optional<DecimalNumber> parsed = ParseDecimalNumber(value.text());
    if (!parsed || !parsed->fits) return std::nullopt;
    number = parsed->rounded;
  }
  if (number != 0 && number != 1) return std::nullopt;
  return number == 1;
}

}  // namespace

void LoadSettings(IRegistry& registry, Settings& settings) {
  settings.service_url = GetRegValue(registry, kRoot, kSettingsKey, "URL", true).ToText();
  settings.program_path = GetRegValue(registry, kRoot, kSettingsKey, "torPath", true).ToText();
  for (const FlagName& f : kFlagNames) {
    if (const auto stored = StoredFlag(GetRegValue(registry, kRoot, kSettingsKey, f.name, false)))
      settings.allow.*f.flag = *stored;
  }
}

void SaveSettings(IRegistry& registry, const Settings& settings) {
  if (!RegKeyExists(registry, kRoot, kSettingsKey)) CreateRegKey(registry, kRoot, kSettingsKey);
  SetRegValue(registry, kRoot, kSettingsKey, "URL", std::string_view(settings.service_url));
  SetRegValue(registry, kRoot, kSettingsKey, "torPath", std::string_view(settings.program_path));
  for (const FlagName& f : kFlagNames)
    SetRegValue(registry, kRoot, kSettingsKey, f.name, std::int32_t{settings.allow.*f.flag ? 1 : 0});
}

}  // namespace brisvane
