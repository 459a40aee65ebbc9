#pragma once
// The program's registry functions. Every registry access of the program goes through these seven (and
// the two conveniences built on them); none of them reports a failure: a read that fails is the empty
// text, a write that fails is lost.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/registry.h"

namespace brisvane {

// A value read from the registry: text or a signed 32-bit integer. The empty text stands for a value
// that is absent or unreadable.
class RegValue {
 public:
  RegValue() = default;  // the empty text
  static RegValue Text(std::string text) { return RegValue(std::move(text)); }
  static RegValue Integer(std::int32_t value) { return RegValue(value); }

  bool IsInteger() const { return std::holds_alternative<std::int32_t>(value_); }
  bool IsEmpty() const { return !IsInteger() && std::get<std::string>(value_).empty(); }
  // The text; the empty text for an integer.
  const std::string& text() const;
  // The integer; 0 for text.
  std::int32_t integer() const { return IsInteger() ? std::get<std::int32_t>(value_) : 0; }
  // What a text field shows: the text itself, or the integer as decimal digits.
  std::string ToText() const;

  friend bool operator==(const RegValue&, const RegValue&) = default;

 private:
  explicit RegValue(std::string text) : value_(std::move(text)) {}
  explicit RegValue(std::int32_t value) : value_(value) {}
  std::variant<std::string, std::int32_t> value_;
};

// A text read as a plain signed decimal number: optional sign, digits with an optional fraction,
// optional exponent, blanks (spaces) allowed around it. Thousands separators, currency signs and
// hexadecimal prefixes are not numbers. `rounded` is the value rounded to the nearest integer (ties to
// the even one) and is meaningful only when `fits` says it lies within the signed 32-bit range.
struct DecimalNumber {
  bool fits = false;
  std::int32_t rounded = 0;
};
std::optional<DecimalNumber> ParseDecimalNumber(std::string_view text);

// Blanks (spaces only) removed from both ends. Tabs and other characters are kept.
std::string_view TrimBlanks(std::string_view text);

bool RegKeyExists(IRegistry& registry, RegistryRoot root, std::string_view key_path);

// REG_SZ reads as text up to its first NUL, REG_DWORD as an integer. Any other type reads the same way
// as REG_SZ when `read_any_type_as_text` is true (no expansion of %...% references; binary data up to its
// first zero byte) and as the empty text otherwise.
RegValue GetRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path,
                     std::string_view value_name, bool read_any_type_as_text);

// Creates the key when needed and stores the text without surrounding blanks, plus one NUL, as REG_SZ,
// whatever it looks like: "007" stays "007".
void SetRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name,
                 std::string_view value);
// Stored as REG_DWORD.
void SetRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name,
                 std::int32_t value);

// Creates the key and any missing keys above it.
void CreateRegKey(IRegistry& registry, RegistryRoot root, std::string_view key_path);

// Whatever the value's type, as the text a field would show (GetRegValue reading any type as text).
std::string ReadRegText(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name);
// Creates the key only when it does not exist yet.
void EnsureRegKey(IRegistry& registry, RegistryRoot root, std::string_view key_path);

// A missing key or value is ignored.
void DeleteRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name);

// Deletes `subkey_name` below `key_path` (only a key without subkeys of its own). True when it was deleted;
// a missing parent is false without any further registry call.
bool DeleteRegKey(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view subkey_name);

// The last of the key's value names in the platform's order; nothing when the key cannot be opened or
// holds no values.
std::optional<std::string> LastValueName(IRegistry& registry, RegistryRoot root, std::string_view key_path);

}  // namespace brisvane
