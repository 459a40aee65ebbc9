// The settings between the main window's fields and the registry, against the in-memory registry.
#include "settings/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "settings/registry_functions.h"
#include "settings/registry_test_support.h"
#include "support/memory_registry.h"

namespace brisvane {
namespace {

using ::testing::ElementsAre;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

class SettingsStore : public ::testing::Test {
 protected:
  testing::MemoryRegistry reg;

  void Seed(std::string_view name, const RegData& data) {
    ASSERT_TRUE(reg.CreateKey(kUser, SettingsKey));
    ASSERT_TRUE(reg.SetValue(kUser, SettingsKey, name, data));
  }
  std::optional<RegData> Raw(std::string_view name) { return reg.QueryValue(kUser, SettingsKey, name); }
  SettingsFields Read() {
    SettingsFields fields;
    ReadDataReg(reg, fields);
    return fields;
  }
};

TEST_F(SettingsStore, TheKeyIsTheProgramsOwn) { EXPECT_EQ(SettingsKey, "Software\\Kestrelwick\\Brisvane"); }

TEST_F(SettingsStore, FirstStartKeepsTheDesignStatesAndCreatesNothing) {
  SettingsFields fields;
  fields.url = "typed before";
  fields.program_path = "typed before";
  ReadDataReg(reg, fields);
  SettingsFields expected;  // the design states, with empty text fields
  EXPECT_EQ(fields, expected);
  EXPECT_EQ(expected.allow_verified, 1);
  EXPECT_EQ(expected.allow_neutral, 1);
  EXPECT_EQ(expected.allow_good, 1);
  EXPECT_EQ(expected.allow_bad, 0);
  EXPECT_EQ(expected.allow_fake, 0);
  EXPECT_FALSE(reg.KeyExists(kUser, SettingsKey));
}

TEST_F(SettingsStore, WriteStoresAllSevenValuesInOrderWithTheFlagsAsDwords) {
  SettingsFields fields;
  fields.url = "http://example.test/api/fakeskan.php";
  fields.program_path = "C:\\Program Files\\client\\client.exe";
  fields.allow_neutral = 0;
  fields.allow_fake = 1;
  WriteDataReg(reg, fields);

  EXPECT_THAT(*reg.ValueNames(kUser, SettingsKey),
              ElementsAre("URL", "torPath", "Verified", "Neutral", "Fake", "Bad", "Good"));
  EXPECT_EQ(Raw("URL"), StoredText("http://example.test/api/fakeskan.php"));
  EXPECT_EQ(Raw("torPath"), StoredText("C:\\Program Files\\client\\client.exe"));
  EXPECT_EQ(Raw("Verified"), MakeRegDword(1));
  EXPECT_EQ(Raw("Neutral"), MakeRegDword(0));
  EXPECT_EQ(Raw("Fake"), MakeRegDword(1));
  EXPECT_EQ(Raw("Bad"), MakeRegDword(0));
  EXPECT_EQ(Raw("Good"), MakeRegDword(1));
  EXPECT_EQ(Read(), fields);
}

TEST_F(SettingsStore, WriteMakesOnlyTheCallsItNeeds) {
  testing::RecordingRegistry recording(reg);
  WriteDataReg(recording, SettingsFields{});
  const std::string key(SettingsKey);
  std::vector<std::string> expected{"KeyExists " + key, "CreateKey " + key};
  for (const char* name : {"URL", "torPath", "Verified", "Neutral", "Fake", "Bad", "Good"}) {
    expected.push_back("CreateKey " + key);
    expected.push_back("SetValue " + key + "|" + name);
  }
  EXPECT_EQ(recording.calls, expected);

  recording.calls.clear();
  SettingsFields fields;
  ReadDataReg(recording, fields);
  std::vector<std::string> reads;
  for (const char* name : {"URL", "torPath", "Verified", "Neutral", "Fake", "Bad", "Good"})
    reads.push_back("QueryValue " + key + "|" + name);
  EXPECT_EQ(recording.calls, reads);
}

TEST_F(SettingsStore, EachFlagHasItsOwnValue) {
  struct Flag {
    const char* name;
    int SettingsFields::*field;
  };
  for (const Flag& flag : {Flag{"Verified", &SettingsFields::allow_verified}, Flag{"Good", &SettingsFields::allow_good},
                           Flag{"Neutral", &SettingsFields::allow_neutral}, Flag{"Bad", &SettingsFields::allow_bad},
                           Flag{"Fake", &SettingsFields::allow_fake}}) {
    testing::MemoryRegistry fresh;
    SettingsFields design;
    const int flipped = 1 - design.*flag.field;
    fresh.CreateKey(kUser, SettingsKey);
    fresh.SetValue(kUser, SettingsKey, flag.name, MakeRegDword(flipped));
    SettingsFields fields;
    ReadDataReg(fresh, fields);
    SettingsFields expected;
    expected.*flag.field = flipped;
    EXPECT_EQ(fields, expected) << flag.name;

    testing::MemoryRegistry written;
    WriteDataReg(written, expected);
    EXPECT_EQ(written.QueryValue(kUser, SettingsKey, flag.name), MakeRegDword(flipped)) << flag.name;
  }
}

TEST_F(SettingsStore, AStoredFlagCountsOnlyWhenItIsZeroOrOne) {
  Seed("Verified", StoredText("0"));      // a text holding a number counts
  Seed("Good", StoredText("yes"));        // not a number: ignored
  Seed("Neutral", MakeRegDword(2));       // no check box state: ignored
  Seed("Bad", MakeRegDword(-1));          // below 0: ignored as well
  Seed("Fake", StoredText(" 1 "));
  const SettingsFields fields = Read();
  EXPECT_EQ(fields.allow_verified, 0);
  EXPECT_EQ(fields.allow_good, 1);
  EXPECT_EQ(fields.allow_neutral, 1);
  EXPECT_EQ(fields.allow_bad, 0);
  EXPECT_EQ(fields.allow_fake, 1);
}

TEST_F(SettingsStore, OddlyStoredFlagsLeaveTheCheckBoxAlone) {
  Seed("Verified", MakeRegText("0", kRegExpandSz));  // flags are not read as text of other types
  Seed("Good", StoredText("1.6"));                   // rounds to 2
  Seed("Neutral", StoredText("3000000000"));
  Seed("Bad", StoredText("0.4"));                    // rounds to 0: a valid state
  Seed("Fake", StoredText(""));
  const SettingsFields fields = Read();
  EXPECT_EQ(fields.allow_verified, 1);
  EXPECT_EQ(fields.allow_good, 1);
  EXPECT_EQ(fields.allow_neutral, 1);
  EXPECT_EQ(fields.allow_bad, 0);
  EXPECT_EQ(fields.allow_fake, 0);
}

TEST_F(SettingsStore, TextIsWrittenWithoutSurroundingBlanksAndTheFieldKeepsThem) {
  SettingsFields fields;
  fields.url = "   http://example.test/api/fakeskan.php  ";
  WriteDataReg(reg, fields);
  EXPECT_EQ(Raw("URL"), StoredText("http://example.test/api/fakeskan.php"));
  EXPECT_EQ(fields.url, "   http://example.test/api/fakeskan.php  ");
  EXPECT_EQ(Read().url, "http://example.test/api/fakeskan.php");
}

TEST_F(SettingsStore, ADigitsOnlyProgramPathBecomesADwordAndLosesItsLeadingZeros) {
  SettingsFields fields;
  fields.program_path = "00123";
  WriteDataReg(reg, fields);
  EXPECT_EQ(Raw("torPath"), MakeRegDword(123));
  EXPECT_EQ(Read().program_path, "123");
}

TEST_F(SettingsStore, StoredTextOfAnyTypeFillsTheTextFields) {
  Seed("URL", MakeRegDword(8080));
  Seed("torPath", MakeRegText(std::string("%ProgramFiles%\\client.exe\0", 26), kRegExpandSz));
  const SettingsFields fields = Read();
  EXPECT_EQ(fields.url, "8080");
  EXPECT_EQ(fields.program_path, "%ProgramFiles%\\client.exe");
}

TEST_F(SettingsStore, AnEmptyOrMissingTextValueEmptiesItsField) {
  Seed("URL", StoredText(""));
  SettingsFields fields;
  fields.url = "before";
  fields.program_path = "before";
  ReadDataReg(reg, fields);
  EXPECT_EQ(fields.url, "");
  EXPECT_EQ(fields.program_path, "");
}

TEST_F(SettingsStore, WritingLeavesTheOtherValuesOfTheKeyAlone) {
  Seed("TOS", StoredText("ACCEPT"));
  Seed(".torrent", StoredText("qBittorrent.File.Torrent"));
  Seed("URL", StoredText("old"));
  SettingsFields fields;
  fields.url = "new";
  WriteDataReg(reg, fields);
  EXPECT_EQ(Raw("TOS"), StoredText("ACCEPT"));
  EXPECT_EQ(Raw(".torrent"), StoredText("qBittorrent.File.Torrent"));
  EXPECT_EQ(Raw("URL"), StoredText("new"));
  EXPECT_EQ(reg.ValueNames(kUser, SettingsKey)->size(), 9u);
}

TEST_F(SettingsStore, PathsBeyondTheAnsiCodePageRoundTrip) {
  SettingsFields fields;
  fields.program_path = "C:\\\xE6\x97\xA5\xE6\x9C\xAC\\\xD0\x9A\xD0\xB8\xD1\x80\\client.exe";
  WriteDataReg(reg, fields);
  EXPECT_EQ(Read().program_path, fields.program_path);
}

TEST_F(SettingsStore, AWriteThatFailsIsSilentAndChangesNothing) {
  SettingsFields old;
  old.url = "old";
  WriteDataReg(reg, old);
  reg.SetReadOnly(true);
  SettingsFields fields;
  fields.url = "new";
  fields.allow_bad = 1;
  WriteDataReg(reg, fields);
  EXPECT_EQ(Read(), old);

  testing::MemoryRegistry locked;
  locked.SetReadOnly(true);
  WriteDataReg(locked, fields);
  EXPECT_FALSE(locked.KeyExists(kUser, SettingsKey));
}

}  // namespace
}  // namespace brisvane
