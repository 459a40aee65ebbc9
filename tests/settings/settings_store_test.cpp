// The settings between the model and the registry, against the in-memory registry, and the number rule
// that decides which stored flags count.
#include "settings/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/registry_functions.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

TEST(ParseDecimalNumber, ReadsPlainDecimalNumbersRoundingHalfToEvenAndNothingElse) {
  constexpr std::int64_t kNotANumber = INT64_MIN, kTooLarge = INT64_MAX;  // the rounded value otherwise
  const auto parse = [](std::string_view text) {
    const std::optional<DecimalNumber> number = ParseDecimalNumber(text);
    return !number ? kNotANumber : number->fits ? number->rounded : kTooLarge;
  };
  const std::pair<const char*, std::int64_t> cases[] = {
      {"+1", 1}, {" 12 ", 12}, {"007", 7}, {".5", 0}, {"1.5", 2}, {"2.5", 2}, {"-2.5", -2}, {"2.4999", 2},
      {"-0.4", 0}, {"1E+3", 1000}, {"25E-1", 2}, {"0.0e99999999999", 0}, {"1e-99999", 0}, {"123.456e1", 1235},
      {"0.00000000000000000000000000000000000001e38", 1}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
      {"2147483647.4999999999999999999999", 2147483647},  // a double would round this up
      {"-2147483648.5", INT32_MIN}, {"2147483648", kTooLarge}, {"2147483647.5", kTooLarge},
      {"-2147483648.51", kTooLarge}, {"1e10", kTooLarge}, {"99999999999999999999999", kTooLarge},
      {"1e99999999999999999999", kTooLarge},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(parse(text), expected) << text;
  for (const char* text : {"", " ", "-", ".", "e3", "1e", "1e-x", "0x10", "1,000", "$5", "12abc", "1 2", "1.2.3",
                           "\t1", "inf", "nan", "\xD9\xA1", "1e3.5", "++1"})
    EXPECT_EQ(parse(text), kNotANumber) << '"' << text << '"';
  EXPECT_EQ(parse(std::string("1\0", 2)), kNotANumber);
}

struct Store {
  testing::MemoryRegistry reg;
  void Seed(std::string_view name, const RegData& data) {
    reg.CreateKey(kUser, kSettingsKey);
    reg.SetValue(kUser, kSettingsKey, name, data);
  }
  std::optional<RegData> Raw(std::string_view name) { return reg.QueryValue(kUser, kSettingsKey, name); }
  Settings Load() { Settings settings; LoadSettings(reg, settings); return settings; }
};

TEST(SettingsStore, SavesAllSevenValuesWithTheFlagsAsDwordsAndLoadsThemBack) {
  Store s;
  EXPECT_EQ(s.Load(), Settings{});  // a first start keeps the design defaults
  EXPECT_FALSE(s.reg.KeyExists(kUser, kSettingsKey));
  s.Seed("TOS", StoredText("ACCEPT"));
  const Settings settings{"  http://example.test/api/fakeskan.php ", "C:\\\xE6\x97\xA5\xE6\x9C\xAC\\client.exe",
                          AllowFlags{false, true, false, true, true}};
  SaveSettings(s.reg, settings);
  EXPECT_THAT(*s.reg.ValueNames(kUser, kSettingsKey),
              ::testing::ElementsAre("TOS", "URL", "torPath", "Verified", "Neutral", "Fake", "Bad", "Good"));
  EXPECT_EQ(s.Raw("URL"), StoredText("http://example.test/api/fakeskan.php"));  // without surrounding blanks
  EXPECT_EQ(s.Raw("Verified"), MakeRegDword(0));
  EXPECT_EQ(s.Raw("Good"), MakeRegDword(1));
  EXPECT_EQ(s.Raw("TOS"), StoredText("ACCEPT"));  // the terms' answer is the terms window's own
  Settings expected = settings;
  expected.service_url = "http://example.test/api/fakeskan.php";
  EXPECT_EQ(s.Load(), expected);
  s.reg.SetReadOnly(true);  // a failed save is silent and changes nothing
  SaveSettings(s.reg, Settings{"new", "x", AllowFlags{false, false, false, true, true}});
  EXPECT_EQ(s.Load(), expected);
}

// A flag counts only as a number that rounds to 0 or 1; a text fills its field whatever its type.
TEST(SettingsStore, StoredValuesOfOtherTypesAndFormsCountAsTheirNumbersOrTexts) {
  Store s;
  s.Seed("Verified", StoredText("0"));             // a text holding a number counts
  s.Seed("Good", StoredText("1.6"));               // rounds to 2: ignored
  s.Seed("Neutral", MakeRegDword(-1));             // below 0: ignored
  s.Seed("Bad", StoredText(" 1 "));
  s.Seed("Fake", MakeRegText("1", kRegExpandSz));  // flags are not read from other types
  s.Seed("URL", MakeRegDword(8080));
  s.Seed("torPath", MakeRegText(std::string("%ProgramFiles%\\client.exe\0", 26), kRegExpandSz));
  Settings settings = s.Load();
  EXPECT_EQ(settings.allow, (AllowFlags{false, true, true, true, false}));
  EXPECT_EQ(settings.service_url, "8080");
  EXPECT_EQ(settings.program_path, "%ProgramFiles%\\client.exe");
  settings.program_path = "1.5";
  SaveSettings(s.reg, settings);
  EXPECT_EQ(s.Raw("URL"), StoredText("8080"));
  EXPECT_EQ(s.Raw("torPath"), StoredText("1.5"));
}

}  // namespace
}  // namespace brisvane
