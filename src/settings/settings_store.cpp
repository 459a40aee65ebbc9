#include "settings/settings_store.h"

#include <optional>

#include "settings/registry_functions.h"

namespace brisvane {
namespace {

constexpr RegistryRoot kRoot = RegistryRoot::CurrentUser;

// A stored check box state: a number (an integer, or a text that reads as one) that rounds to 0 or 1.
std::optional<int> CheckBoxState(const RegValue& value) {
  std::int32_t number = 0;
  if (value.IsInteger()) {
    number = value.integer();
  } else {
    const std::optional<DecimalNumber> parsed = ParseDecimalNumber(value.text());
    if (!parsed || !parsed->fits) return std::nullopt;
    number = parsed->rounded;
  }
  // Below 0 is no check box state, any more than 2 or above is.
  if (number != 0 && number != 1) return std::nullopt;
  return number;
}

void ReadCheckBox(IRegistry& registry, std::string_view name, int& state) {
  if (const std::optional<int> stored = CheckBoxState(GetRegValue(registry, kRoot, SettingsKey, name, false)))
    state = *stored;
}

}  // namespace

void ReadDataReg(IRegistry& registry, SettingsFields& fields) {
  fields.url = GetRegValue(registry, kRoot, SettingsKey, "URL", true).ToText();
  fields.program_path = GetRegValue(registry, kRoot, SettingsKey, "torPath", true).ToText();
  ReadCheckBox(registry, "Verified", fields.allow_verified);
  ReadCheckBox(registry, "Neutral", fields.allow_neutral);
  ReadCheckBox(registry, "Fake", fields.allow_fake);
  ReadCheckBox(registry, "Bad", fields.allow_bad);
  ReadCheckBox(registry, "Good", fields.allow_good);
}

void WriteDataReg(IRegistry& registry, const SettingsFields& fields) {
  if (!RegKeyExists(registry, kRoot, SettingsKey)) CreateRegKey(registry, kRoot, SettingsKey);
  SetRegValue(registry, kRoot, SettingsKey, "URL", fields.url);
  SetRegValue(registry, kRoot, SettingsKey, "torPath", fields.program_path);
  SetRegValue(registry, kRoot, SettingsKey, "Verified", fields.allow_verified);
  SetRegValue(registry, kRoot, SettingsKey, "Neutral", fields.allow_neutral);
  SetRegValue(registry, kRoot, SettingsKey, "Fake", fields.allow_fake);
  SetRegValue(registry, kRoot, SettingsKey, "Bad", fields.allow_bad);
  SetRegValue(registry, kRoot, SettingsKey, "Good", fields.allow_good);
}

}  // namespace brisvane
