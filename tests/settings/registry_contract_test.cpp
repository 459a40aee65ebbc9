// The registry functions over every IRegistry: the in-memory one the other tests use, and in the
// Windows build the real registry under a throwaway key of the current user. Only what the program
// relies on: the other tests trust the in-memory registry for exactly these behaviours.
#include <gtest/gtest.h>

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

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

struct MemoryWorld {
  testing::MemoryRegistry reg;
  std::string class_name = "BrisvaneTest.Class", base = "Software\\" + class_name;
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
  std::string class_name = UniqueName(), base = "Software\\" + class_name;

  ~SystemWorld() {
    RegDeleteTreeW(HKEY_CURRENT_USER, win32::Widen(base).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, win32::Widen("Software\\Classes\\" + class_name).c_str());
  }
};
#endif

template <typename World>
class RegistryContract : public ::testing::Test {
 protected:
  World world;
  IRegistry& reg = world.reg;
  std::string Key(std::string_view sub = {}) const { return world.base + (sub.empty() ? "" : "\\" + std::string(sub)); }
  bool Exists(std::string_view below) { return RegKeyExists(reg, kUser, Key(below)); }
  RegValue Get(std::string_view name, bool any_type = true) { return GetRegValue(reg, kUser, Key(), name, any_type); }
  std::optional<RegData> Raw(std::string_view name) { return reg.QueryValue(kUser, Key(), name); }
};

#ifdef _WIN32
using Worlds = ::testing::Types<MemoryWorld, SystemWorld>;
#else
using Worlds = ::testing::Types<MemoryWorld>;
#endif
TYPED_TEST_SUITE(RegistryContract, Worlds);

TYPED_TEST(RegistryContract, ReadsCreateNothingAndWritesCreateTheWholePath) {
  EXPECT_EQ(this->Get("URL"), RegValue());
  EXPECT_FALSE(this->Exists("")) << "a read must not create the key";
  CreateRegKey(this->reg, kUser, this->Key("a\\b"));
  EXPECT_TRUE(this->Exists("a\\b"));
  EXPECT_EQ(GetRegValue(this->reg, kUser, this->Key("a"), "", true), RegValue()) << "a new key's default is unset";

  SetRegValue(this->reg, kUser, this->Key("a\\c\\d"), "New", "v");
  CreateRegKey(this->reg, kUser, this->Key("a"));
  EXPECT_EQ(GetRegValue(this->reg, kUser, this->Key("a\\c\\d"), "New", false), RegValue::Text("v"));
  EXPECT_TRUE(this->Exists("a\\b")) << "creating an existing key keeps what is below it";
  // A class name read as empty makes a doubled backslash, which names the same key.
  EXPECT_TRUE(RegKeyExists(this->reg, kUser, this->world.base + "\\\\a\\c"));
}

// The seam hands over exactly what is stored, and reading it follows the value's type.
TYPED_TEST(RegistryContract, StoredDataCrossesTheSeamExactlyAndReadsByItsType) {
  // The name, what is stored, how it reads as any type and as text only.
  const std::tuple<const char*, RegData, RegValue, RegValue> rows[] = {
      {"NoNul", MakeRegText("abc"), RegValue::Text("abc"), RegValue::Text("abc")},
      {"Embedded", MakeRegText(std::string("ab\0cd\0", 6)), RegValue::Text("ab"), RegValue::Text("ab")},
      {"Expand", MakeRegText(std::string("%windir%\\a\0", 11), kRegExpandSz), RegValue::Text("%windir%\\a"), {}},
      {"Multi", MakeRegText(std::string("one\0two\0\0", 9), kRegMultiSz), RegValue::Text("one"), {}},
      {"Binary", RegData{kRegBinary, Bytes{'a', 'b', 0, 'c'}}, RegValue::Text("ab"), {}},
      {"Negative", MakeRegDword(-7), RegValue::Integer(-7), RegValue::Integer(-7)},
      {"Short", RegData{kRegDword, Bytes{0x02, 0x01}}, RegValue::Integer(0x0102), RegValue::Integer(0x0102)},
      {"Long", RegData{kRegDword, Bytes{1, 0, 0, 0, 0, 0, 0, 0}}, {}, {}},  // does not fit 32 bits
  };
  ASSERT_TRUE(this->reg.CreateKey(kUser, this->Key()));
  for (const auto& [name, data, any_type, text_only] : rows) {
    ASSERT_TRUE(this->reg.SetValue(kUser, this->Key(), name, data)) << name;
    EXPECT_EQ(this->Raw(name), data) << name;
    EXPECT_EQ(this->Get(name, true), any_type) << name;
    EXPECT_EQ(this->Get(name, false), text_only) << name;
  }
}

// The program writes "ProgID" and reads "Progid", among others.
TYPED_TEST(RegistryContract, NamesIgnoreCaseAndOnlyAKeyWithoutSubkeysIsDeleted) {
  SetRegValue(this->reg, kUser, this->Key(), "Progid", "first");
  SetRegValue(this->reg, kUser, this->Key(), "PROGID", "second");
  SetRegValue(this->reg, kUser, this->Key(), "Gone", "x");
  EXPECT_EQ(this->Get("progId"), RegValue::Text("second"));
  DeleteRegValue(this->reg, kUser, this->Key(), "GONE");
  DeleteRegValue(this->reg, kUser, this->Key("missing"), "Gone");
  DeleteRegKey(this->reg, kUser, this->Key("missing"), "UserChoice");
  EXPECT_EQ(*this->reg.ValueNames(kUser, this->Key()), std::vector<std::string>{"Progid"}) << "as first spelled";
  EXPECT_FALSE(this->Exists("missing")) << "deleting creates nothing";

  // Only a key without subkeys goes, and an empty name does not stand for the parent.
  CreateRegKey(this->reg, kUser, this->Key("ext\\UserChoice\\sub"));
  SetRegValue(this->reg, kUser, this->Key("ext\\UserChoice"), "Progid", "Old");
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("ext"), "UserChoice"));
  EXPECT_FALSE(DeleteRegKey(this->reg, kUser, this->Key("ext\\UserChoice"), ""));
  EXPECT_TRUE(this->Exists("ext\\UserChoice\\sub"));
  EXPECT_TRUE(DeleteRegKey(this->reg, kUser, this->Key("ext\\UserChoice"), "SUB"));
  EXPECT_TRUE(DeleteRegKey(this->reg, kUser, this->Key("ext"), "userchoice")) << "its values go with it";
  EXPECT_FALSE(this->Exists("ext\\UserChoice"));
}

TYPED_TEST(RegistryContract, LastValueNameIsTheLastInTheSystemsOrderAndTextBeyondTheAnsiCodePageRoundTrips) {
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), std::nullopt);
  CreateRegKey(this->reg, kUser, this->Key());
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), std::nullopt) << "a key without values";
  // Names whose alphabetical order is also the order they are set in: Wine lists alphabetically.
  SetRegValue(this->reg, kUser, this->Key(), "Alpha.Class", std::int32_t{0});
  SetRegValue(this->reg, kUser, this->Key(), "Bravo.Class", std::int32_t{0});
  EXPECT_EQ(LastValueName(this->reg, kUser, this->Key()), "Bravo.Class");
  // Japanese and Cyrillic together: no single-byte code page holds both.
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC", cyrillic = "\xD0\x9A\xD0\xB8\xD1\x80";  // 日本, Кир
  const std::string key = this->Key(japanese + "\\" + cyrillic);
  const std::string name = cyrillic + "-" + japanese;
  const std::string path = "C:\\" + japanese + "\\" + cyrillic + "\\client.exe";
  SetRegValue(this->reg, kUser, key, name, "  " + path + " ");
  EXPECT_EQ(this->reg.QueryValue(kUser, key, name), StoredText(path));
  EXPECT_EQ(LastValueName(this->reg, kUser, key), name);
}

TYPED_TEST(RegistryContract, ClassesRootShowsTheMachineClasses) {
  const std::string command_key = this->world.class_name + "\\shell\\open\\command";
  SetRegValue(this->reg, RegistryRoot::LocalMachine, "Software\\Classes\\" + command_key, "", "\"C:\\b.exe\" \"%1\"");
  EXPECT_EQ(ReadRegText(this->reg, RegistryRoot::ClassesRoot, command_key, ""), "\"C:\\b.exe\" \"%1\"");
}

}  // namespace
}  // namespace brisvane
