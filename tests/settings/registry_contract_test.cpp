// The registry functions over every IRegistry: the in-memory one the other tests use, and in the
// Windows build the real registry under a throwaway key of the current user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry.h"
#include "settings/registry_functions.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

#ifdef _WIN32
#include <windows.h>

#include "win32/text.h"
#endif

namespace brisvane {
namespace {

using ::testing::ElementsAre;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

// Japanese and Cyrillic together: no single-byte code page holds both.
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC";              // 日本
const std::string kCyrillicUpper = "\xD0\x9A\xD0\x98\xD0\xA0";         // КИР
const std::string kCyrillicLower = "\xD0\xBA\xD0\xB8\xD1\x80";         // кир
const std::string kCyrillicMixed = "\xD0\x9A\xD0\xB8\xD1\x80";         // Кир

struct MemoryWorld {
  testing::MemoryRegistry memory;
  IRegistry& reg = memory;
  std::string base = "Software\\Kestrelwick\\BrisvaneTest";
  std::string class_name = "BrisvaneTest.Class";
};

#ifdef _WIN32
// Names no other run uses, so that an earlier run that died cannot leave anything behind for this one.
std::string UniqueName() {
  static int counter = 0;
  return "BrisvaneTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) +
         "-" + std::to_string(++counter);
}

struct SystemWorld {
  std::unique_ptr<IRegistry> owned = MakeSystemRegistry();
  IRegistry& reg = *owned;
  std::string class_name = UniqueName();
  std::string base = "Software\\Kestrelwick\\" + class_name;

  ~SystemWorld() {
    RegDeleteTreeW(HKEY_CURRENT_USER, win32::Widen(base).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, win32::Widen("Software\\Classes\\" + class_name).c_str());
    // Remove the company key too, but only when nothing else lives there.
    HKEY company = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kestrelwick", 0, KEY_READ, &company) == ERROR_SUCCESS) {
      DWORD subkeys = 1, values = 1;
      RegQueryInfoKeyW(company, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
      RegCloseKey(company);
      if (subkeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Kestrelwick");
    }
  }
};
#endif

template <typename World>
class RegistryContract : public ::testing::Test {
 protected:
  World world;
  IRegistry& reg = world.reg;
  std::string Key(std::string_view below = {}) const {
    return below.empty() ? world.base : world.base + "\\" + std::string(below);
  }
  void Seed(std::string_view name, const RegData& data) {
    ASSERT_TRUE(reg.CreateKey(kUser, Key()));
    ASSERT_TRUE(reg.SetValue(kUser, Key(), name, data));
  }
  RegValue Get(std::string_view name, bool any_type_as_text) {
    return GetRegValue(reg, kUser, Key(), name, any_type_as_text);
  }
  std::optional<RegData> Raw(std::string_view name) { return reg.QueryValue(kUser, Key(), name); }
};

#ifdef _WIN32
using Worlds = ::testing::Types<MemoryWorld, SystemWorld>;
#else
using Worlds = ::testing::Types<MemoryWorld>;
#endif
TYPED_TEST_SUITE(RegistryContract, Worlds);

TYPED_TEST(RegistryContract, MissingKeyOrValueReadsAsEmptyTextAndCreatesNothing) {
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, this->Key()));
  EXPECT_EQ(this->Get("URL", true), RegValue());
  EXPECT_EQ(this->Get("URL", false), RegValue());
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, this->Key())) << "a read must not create the key";

  CreateRegKey(this->reg, kUser, this->Key());
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key()));
  EXPECT_EQ(this->Get("URL", true), RegValue());
  EXPECT_EQ(this->Get("URL", false), RegValue());
  EXPECT_EQ(this->Get("", true), RegValue()) << "the default value is unset in a new key";
}

TYPED_TEST(RegistryContract, TextWithoutNulReadsWholeAndEmbeddedNulEndsIt) {
  this->Seed("NoNul", MakeRegText("abc"));
  this->Seed("Embedded", MakeRegText(std::string("ab\0cd\0", 6)));
  EXPECT_EQ(this->Get("NoNul", false), RegValue::Text("abc"));
  EXPECT_EQ(this->Get("Embedded", false), RegValue::Text("ab"));
  EXPECT_EQ(this->Get("Embedded", true), RegValue::Text("ab"));
  // The seam hands over exactly what is stored: no NUL is added and none is lost.
  EXPECT_EQ(this->Raw("NoNul"), MakeRegText("abc"));
  EXPECT_EQ(this->Raw("Embedded"), MakeRegText(std::string("ab\0cd\0", 6)));
}

TYPED_TEST(RegistryContract, OtherTypesReadAsRawTextOnlyOnRequest) {
  this->Seed("Expand", MakeRegText(std::string("%windir%\\notepad.exe\0", 21), kRegExpandSz));
  this->Seed("Binary", RegData{kRegBinary, Bytes{'a', 'b', 0, 'c', 'd'}});
  this->Seed("Multi", MakeRegText(std::string("one\0two\0\0", 9), kRegMultiSz));
  this->Seed("None", RegData{kRegNone, Bytes{'x', 'y'}});

  EXPECT_EQ(this->Get("Expand", true), RegValue::Text("%windir%\\notepad.exe")) << "never expanded";
  EXPECT_EQ(this->Get("Binary", true), RegValue::Text("ab"));
  EXPECT_EQ(this->Get("Multi", true), RegValue::Text("one"));
  EXPECT_EQ(this->Get("None", true), RegValue::Text("xy"));
  for (const char* name : {"Expand", "Binary", "Multi", "None"}) EXPECT_EQ(this->Get(name, false), RegValue()) << name;
}

TYPED_TEST(RegistryContract, DwordReadsAsIntegerWhateverIsRequested) {
  this->Seed("Negative", MakeRegDword(-7));
  this->Seed("Short", RegData{kRegDword, Bytes{0x02, 0x01}});
  this->Seed("Long", RegData{kRegDword, Bytes{1, 0, 0, 0, 0, 0, 0, 0}});
  EXPECT_EQ(this->Get("Negative", false), RegValue::Integer(-7));
  EXPECT_EQ(this->Get("Negative", true), RegValue::Integer(-7));
  EXPECT_EQ(this->Get("Short", false), RegValue::Integer(0x0102));
  EXPECT_EQ(this->Get("Long", true), RegValue()) << "eight bytes do not fit a 32-bit integer";
}

TYPED_TEST(RegistryContract, TextIsStoredTrimmedWithOneNul) {
  SetRegValue(this->reg, kUser, this->Key(), "Three", " abc ");
  SetRegValue(this->reg, kUser, this->Key(), "Empty", "");
  SetRegValue(this->reg, kUser, this->Key(), "Blanks", "   ");
  SetRegValue(this->reg, kUser, this->Key(), "Tab", "\tabc ");
  SetRegValue(this->reg, kUser, this->Key(), "Url", std::string("  http://example.test/api/fakeskan.php  "));

  EXPECT_EQ(this->Raw("Three"), StoredText("abc"));
  EXPECT_EQ(this->Raw("Three")->data.size(), 4u);
  EXPECT_EQ(this->Raw("Empty"), StoredText(""));
  EXPECT_EQ(this->Raw("Empty")->data.size(), 1u);
  EXPECT_EQ(this->Raw("Blanks"), StoredText(""));
  EXPECT_EQ(this->Raw("Tab"), StoredText("\tabc")) << "only blanks are trimmed";
  EXPECT_EQ(this->Get("Url", true), RegValue::Text("http://example.test/api/fakeskan.php"));
  EXPECT_EQ(this->Get("Empty", true), RegValue());
}

TYPED_TEST(RegistryContract, TextStaysTextAndNumbersAreDwords) {
  SetRegValue(this->reg, kUser, this->Key(), "Int", std::int32_t{-42});
  SetRegValue(this->reg, kUser, this->Key(), "Digits", " 007 ");
  SetRegValue(this->reg, kUser, this->Key(), "Exponent", "1e3");
  EXPECT_EQ(this->Raw("Int"), MakeRegDword(-42));
  EXPECT_EQ(this->Get("Int", true).ToText(), "-42");
  EXPECT_EQ(this->Raw("Digits"), StoredText("007"));
  EXPECT_EQ(this->Raw("Exponent"), StoredText("1e3"));
}

TYPED_TEST(RegistryContract, CreateRegKeyMakesTheWholePathAndKeepsWhatExists) {
  CreateRegKey(this->reg, kUser, this->Key("a\\b\\c"));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("a")));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("a\\b")));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("a\\b\\c")));

  SetRegValue(this->reg, kUser, this->Key("a\\b"), "Kept", "yes");
  CreateRegKey(this->reg, kUser, this->Key("a\\b"));
  EXPECT_EQ(GetRegValue(this->reg, kUser, this->Key("a\\b"), "Kept", true), RegValue::Text("yes"));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("a\\b\\c")));

  // SetRegValue creates its key itself.
  SetRegValue(this->reg, kUser, this->Key("d\\e"), "New", "v");
  EXPECT_EQ(GetRegValue(this->reg, kUser, this->Key("d\\e"), "New", false), RegValue::Text("v"));
}

TYPED_TEST(RegistryContract, PathSpellings) {
  CreateRegKey(this->reg, kUser, this->Key("x"));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("x\\")));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->world.base + "\\\\x"));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, ""));

  // A leading backslash names no key: nothing opens and nothing is written.
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, "\\" + this->Key("x")));
  SetRegValue(this->reg, kUser, "\\" + this->Key("y"), "Lost", "v");
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, this->Key("y")));
}

TYPED_TEST(RegistryContract, KeyAndValueNamesIgnoreCase) {
  CreateRegKey(this->reg, kUser, this->Key("MixedCase\\" + kCyrillicMixed));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("MIXEDCASE\\" + kCyrillicUpper)));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("mixedcase\\" + kCyrillicLower)));

  SetRegValue(this->reg, kUser, this->Key(), "Progid", "first");
  EXPECT_EQ(this->Get("ProgID", true), RegValue::Text("first"));
  SetRegValue(this->reg, kUser, this->Key(), "PROGID", "second");
  EXPECT_EQ(this->Get("progid", true), RegValue::Text("second"));
  EXPECT_THAT(*this->reg.ValueNames(kUser, this->Key()), ElementsAre("Progid"))
      << "one value, under the name it was first given";
}

TYPED_TEST(RegistryContract, DeleteRegValue) {
  SetRegValue(this->reg, kUser, this->Key(), "Gone", "x");
  SetRegValue(this->reg, kUser, this->Key(), "Stays", "y");
  DeleteRegValue(this->reg, kUser, this->Key(), "GONE");
  EXPECT_EQ(this->Get("Gone", true), RegValue());
  EXPECT_EQ(this->Get("Stays", true), RegValue::Text("y"));

  DeleteRegValue(this->reg, kUser, this->Key(), "Gone");  // already missing
  DeleteRegValue(this->reg, kUser, this->Key("missing"), "Gone");
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, this->Key("missing")));
}

TYPED_TEST(RegistryContract, DeleteRegKey) {
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("no-parent"), "UserChoice"));
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, this->Key("no-parent")));

  CreateRegKey(this->reg, kUser, this->Key("ext\\UserChoice"));
  SetRegValue(this->reg, kUser, this->Key("ext\\UserChoice"), "Progid", "Old");
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("ext"), "Missing"));
  EXPECT_TRUE(DeleteRegKey(this->reg, kUser, this->Key("ext"), "userchoice"));
  EXPECT_FALSE(RegKeyExists(this->reg, kUser, this->Key("ext\\UserChoice")));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("ext")));
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("ext"), "UserChoice")) << "already gone";

  // Only a key without subkeys goes; one with subkeys stays whole.
  CreateRegKey(this->reg, kUser, this->Key("tree\\branch\\leaf"));
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("tree"), "branch"));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("tree\\branch\\leaf")));
  EXPECT_TRUE(DeleteRegKey(this->reg, kUser, this->Key("tree"), "branch\\leaf"));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("tree\\branch")));

  // An empty subkey name does not stand for the parent.
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("tree"), ""));
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->Key("tree\\branch")));
}

TYPED_TEST(RegistryContract, LastValueNameIsTheLastInTheSystemsOrder) {
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), std::nullopt);
  CreateRegKey(this->reg, kUser, this->Key());
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), std::nullopt) << "a key without values";
  SetRegValue(this->reg, kUser, this->Key(), "", "Brisvane");  // the default value has an empty name
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), std::optional<std::string>(""));
  // Names whose alphabetical order is also the order they are set in: Wine lists alphabetically.
  SetRegValue(this->reg, kUser, this->Key(), "Alpha.Class", std::int32_t{0});
  SetRegValue(this->reg, kUser, this->Key(), "Bravo.Class", std::int32_t{0});
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), "Bravo.Class");
}

TYPED_TEST(RegistryContract, TextBeyondTheAnsiCodePageRoundTrips) {
  const std::string key = this->Key(kJapanese + "\\" + kCyrillicMixed);
  const std::string name = kCyrillicMixed + "-" + kJapanese;
  const std::string path = "C:\\" + kJapanese + "\\" + kCyrillicLower + "\\client.exe";
  SetRegValue(this->reg, kUser, key, name, "  " + path + " ");
  EXPECT_EQ(GetRegValue(this->reg, kUser, key, name, true), RegValue::Text(path));
  EXPECT_EQ(this->reg.QueryValue(kUser, key, name), StoredText(path));
  EXPECT_EQ(LastValueName(this->reg, kUser, key), name);
}

TYPED_TEST(RegistryContract, ClassesRootShowsTheMachineClasses) {
  const std::string machine = "Software\\Classes\\" + this->world.class_name;
  SetRegValue(this->reg, RegistryRoot::LocalMachine, machine + "\\shell\\open\\command", "", "\"C:\\b.exe\" \"%1\"");
  EXPECT_TRUE(RegKeyExists(this->reg, RegistryRoot::ClassesRoot, this->world.class_name));
  EXPECT_EQ(GetRegValue(this->reg, RegistryRoot::ClassesRoot, this->world.class_name + "\\shell\\open\\command",
                        "", true),
            RegValue::Text("\"C:\\b.exe\" \"%1\""));
}

}  // namespace
}  // namespace brisvane
