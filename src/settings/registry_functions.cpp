#include "settings/registry_functions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace brisvane {
namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Sets the value after making sure its key exists; a key that cannot be created takes no value.
void Store(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name,
           const RegData& data) {
  if (registry.CreateKey(root, key_path)) registry.SetValue(root, key_path, value_name, data);
}

void StoreText(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name,
               std::string_view text) {
  RegData data = MakeRegText(TrimBlanks(text));
  data.data.push_back(0);  // the stored size counts the terminating NUL
  Store(registry, root, key_path, value_name, data);
}

std::string_view UpToFirstNul(const Bytes& data) {
  const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
  return std::string_view(reinterpret_cast<const char*>(data.data()),
                          static_cast<std::size_t>(end - data.begin()));
}

}  // namespace

const std::string& RegValue::text() const {
  static const std::string kEmpty;
  return IsInteger() ? kEmpty : std::get<std::string>(value_);
}

std::string RegValue::ToText() const { return IsInteger() ? std::to_string(integer()) : text(); }

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<DecimalNumber> ParseDecimalNumber(std::string_view text) {
  const std::string_view t = TrimBlanks(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';

  // Mantissa digits without the point, and how many of them stand before it.
  std::string digits;
  while (i < t.size() && IsDigit(t[i])) digits.push_back(t[i++]);
  std::int64_t point = static_cast<std::int64_t>(digits.size());
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) digits.push_back(t[i++]);
  }
  if (digits.empty()) return std::nullopt;

  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool exponent_negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) exponent_negative = t[i++] == '-';
    if (i == t.size() || !IsDigit(t[i])) return std::nullopt;
    std::int64_t exponent = 0;
    for (; i < t.size() && IsDigit(t[i]); ++i) {
      // Beyond a billion the answer no longer changes; stop counting so that nothing overflows.
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (t[i] - '0');
    }
    point += exponent_negative ? -exponent : exponent;
  }
  if (i != t.size()) return std::nullopt;

  // Work on the decimal digits themselves so that rounding is exact however long the text is.
  const std::size_t lead = digits.find_first_not_of('0');
  if (lead == std::string::npos) return DecimalNumber{true, 0};
  digits.erase(0, lead);
  point -= static_cast<std::int64_t>(lead);
  if (point > 10) return DecimalNumber{false, 0};  // at least 10^10

  std::int64_t magnitude = 0;
  for (std::int64_t k = 0; k < point; ++k)
    magnitude = magnitude * 10 + (k < static_cast<std::int64_t>(digits.size()) ? digits[k] - '0' : 0);

  if (point >= 0 && point < static_cast<std::int64_t>(digits.size())) {
    const int first = digits[static_cast<std::size_t>(point)] - '0';
    const bool more = digits.find_first_not_of('0', static_cast<std::size_t>(point) + 1) != std::string::npos;
    if (first > 5 || (first == 5 && (more || magnitude % 2 == 1))) ++magnitude;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < kInt32Min || value > kInt32Max) return DecimalNumber{false, 0};
  return DecimalNumber{true, static_cast<std::int32_t>(value)};
}

bool RegKeyExists(IRegistry& registry, RegistryRoot root, std::string_view key_path) {
  return registry.KeyExists(root, key_path);
}

RegValue GetRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path,
                     std::string_view value_name, bool read_any_type_as_text) {
  const std::optional<RegData> value = registry.QueryValue(root, key_path, value_name);
  if (!value) return {};
  if (value->type == kRegDword) {
    // Read into a 32-bit integer: shorter data fills its low bytes, longer data does not fit.
    if (value->data.size() > 4) return {};
    std::uint32_t u = 0;
    for (std::size_t k = 0; k < value->data.size(); ++k) u |= std::uint32_t{value->data[k]} << (8 * k);
    return RegValue::Integer(static_cast<std::int32_t>(u));
  }
  if (value->type == kRegSz || read_any_type_as_text) return RegValue::Text(std::string(UpToFirstNul(value->data)));
  return {};
}

void SetRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name,
                 std::string_view value) {
  StoreText(registry, root, key_path, value_name, value);
}

void SetRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name,
                 std::int32_t value) {
  Store(registry, root, key_path, value_name, MakeRegDword(value));
}

void CreateRegKey(IRegistry& registry, RegistryRoot root, std::string_view key_path) {
  registry.CreateKey(root, key_path);
}

std::string ReadRegText(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name) {
  return GetRegValue(registry, root, key_path, value_name, true).ToText();
}

void EnsureRegKey(IRegistry& registry, RegistryRoot root, std::string_view key_path) {
  if (!RegKeyExists(registry, root, key_path)) CreateRegKey(registry, root, key_path);
}

void DeleteRegValue(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view value_name) {
  if (registry.KeyExists(root, key_path)) registry.DeleteValue(root, key_path, value_name);
}

bool DeleteRegKey(IRegistry& registry, RegistryRoot root, std::string_view key_path, std::string_view subkey_name) {
  if (!registry.KeyExists(root, key_path)) return false;
  return registry.DeleteSubkey(root, key_path, subkey_name);
}

std::optional<std::string> LastValueName(IRegistry& registry, RegistryRoot root, std::string_view key_path) {
  const std::optional<std::vector<std::string>> names = registry.ValueNames(root, key_path);
  if (!names || names->empty()) return std::nullopt;
  return names->back();
}

}  // namespace brisvane
