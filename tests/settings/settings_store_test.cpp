// The settings between the model and the registry, against the in-memory registry.
#include "settings/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

struct Store {
  testing::MemoryRegistry reg;
  void Seed(std::string_view name, const RegData& data) {
    reg.CreateKey(kUser, kSettingsKey);
    reg.SetValue(kUser, kSettingsKey, name, data);
  }
  std::optional<RegData> Raw(std::string_view name) { return reg.QueryValue(kUser, kSettingsKey, name); }
  Settings Load() {
    Settings settings;
    LoadSettings(reg, settings);
    return settings;
  }
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
  EXPECT_EQ(s.Raw("TOS"), StoredText("ACCEPT"));
  Settings expected = settings;
  expected.service_url = "http://example.test/api/fakeskan.php";
  EXPECT_EQ(s.Load(), expected);
}

TEST(SettingsStore, AStoredFlagCountsOnlyAsANumberThatRoundsToZeroOrOne) {
  Store s;
  s.Seed("Verified", StoredText("0"));                   // a text holding a number counts
  s.Seed("Good", StoredText("1.6"));                     // rounds to 2: ignored
  s.Seed("Neutral", MakeRegDword(-1));                   // below 0: ignored
  s.Seed("Bad", StoredText(" 1 "));
  s.Seed("Fake", MakeRegText("1", kRegExpandSz));        // flags are not read from other types
  EXPECT_EQ(s.Load().allow, (AllowFlags{false, true, true, true, false}));
}

TEST(SettingsStore, TextsOfAnyTypeFillTheirFieldsAndATextThatLooksLikeANumberStaysText) {
  Store s;
  s.Seed("URL", MakeRegDword(8080));
  s.Seed("torPath", MakeRegText(std::string("%ProgramFiles%\\client.exe\0", 26), kRegExpandSz));
  Settings settings = s.Load();
  EXPECT_EQ(settings.service_url, "8080");
  EXPECT_EQ(settings.program_path, "%ProgramFiles%\\client.exe");
  for (const char* number : {"007", "1.5", "1e3"}) {
    settings.program_path = number;
    SaveSettings(s.reg, settings);
    EXPECT_EQ(s.Raw("torPath"), StoredText(number));
  }
  EXPECT_EQ(s.Raw("URL"), StoredText("8080"));
}

TEST(SettingsStore, AFailedSaveIsSilentAndChangesNothing) {
  Store s;
  SaveSettings(s.reg, Settings{"old", "", {}});
  s.reg.SetReadOnly(true);
  SaveSettings(s.reg, Settings{"new", "x", AllowFlags{false, false, false, true, true}});
  EXPECT_EQ(s.Load(), (Settings{"old", "", {}}));
}

}  // namespace
}  // namespace brisvane
