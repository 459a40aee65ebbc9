// The registry functions' own rules: which texts are numbers, how numbers of every kind are stored,
// and which registry calls each function makes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "settings/registry_functions.h"
#include "settings/registry_test_support.h"
#include "support/memory_registry.h"

namespace brisvane {
namespace {

using ::testing::ElementsAre;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr char kKey[] = "Software\\Kestrelwick\\BrisvaneTest";

struct NumberCase {
  const char* text;
  std::int32_t rounded;
};

TEST(ParseDecimalNumber, ReadsPlainDecimalNumbersAndRoundsHalfToEven) {
  const NumberCase cases[] = {
      {"0", 0},          {"1", 1},          {"+1", 1},           {"-1", -1},           {" 12 ", 12},
      {"007", 7},        {"1.", 1},         {".5", 0},           {"0.5", 0},           {"1.5", 2},
      {"2.5", 2},        {"-2.5", -2},      {"2.51", 3},         {"2.4999", 2},        {"-0.4", 0},
      {"1e3", 1000},     {"1E+3", 1000},    {"15e-1", 2},        {"25E-1", 2},         {"0.0e99999999999", 0},
      {"1e-99999", 0},   {"-0", 0},         {"123.456e1", 1235}, {"0.00000000000000000000000000000000000001e38", 1},
      {"2147483647", 2147483647},           {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483647.4999999999999999999999", 2147483647},  // a double would round this up
      {"-2147483648.5", std::numeric_limits<std::int32_t>::min()},
      {"0000000000000000000000000000001", 1},
      {"1000000000", 1000000000},
  };
  for (const NumberCase& c : cases) {
    const std::optional<DecimalNumber> number = ParseDecimalNumber(c.text);
    ASSERT_TRUE(number.has_value()) << c.text;
    EXPECT_TRUE(number->fits) << c.text;
    EXPECT_EQ(number->rounded, c.rounded) << c.text;
  }
}

TEST(ParseDecimalNumber, NumbersOutsideTheThirtyTwoBitRangeAreNumbersThatDoNotFit) {
  for (const char* text : {"2147483648", "2147483647.5", "-2147483649", "-2147483648.51", "1e10", "9999999999.6",
                           "99999999999999999999999", "1e99999999999999999999", "-4.2e9"}) {
    const std::optional<DecimalNumber> number = ParseDecimalNumber(text);
    ASSERT_TRUE(number.has_value()) << text;
    EXPECT_FALSE(number->fits) << text;
  }
}

TEST(ParseDecimalNumber, RefusesEverythingElse) {
  for (const char* text : {"", " ", "+", "-", ".", "-.", "e3", "1e", "1e+", "1e-x", "0x10", "1,000", "$5", "5$",
                           "12abc", "1 2", "- 1", "1.2.3", "\t1", "1\t", "inf", "nan", "\xD9\xA1", "1e3.5", "++1"}) {
    EXPECT_EQ(ParseDecimalNumber(text), std::nullopt) << '"' << text << '"';
  }
  EXPECT_EQ(ParseDecimalNumber(std::string("1\0", 2)), std::nullopt);
}

class SetRegValueKinds : public ::testing::Test {
 protected:
  testing::MemoryRegistry reg;
  std::optional<RegData> Raw(std::string_view name) { return reg.QueryValue(kUser, kKey, name); }
};

TEST_F(SetRegValueKinds, EveryIntegerTypeWithinRangeIsADword) {
  SetRegValue(reg, kUser, kKey, "short", static_cast<short>(-3));
  SetRegValue(reg, kUser, kKey, "unsigned", 7u);
  SetRegValue(reg, kUser, kKey, "long long", -2147483648LL);
  SetRegValue(reg, kUser, kKey, "size", std::size_t{42});
  EXPECT_EQ(Raw("short"), MakeRegDword(-3));
  EXPECT_EQ(Raw("unsigned"), MakeRegDword(7));
  EXPECT_EQ(Raw("long long"), MakeRegDword(std::numeric_limits<std::int32_t>::min()));
  EXPECT_EQ(Raw("size"), MakeRegDword(42));
}

TEST_F(SetRegValueKinds, IntegersOutsideTheRangeKeepEveryDigitAsText) {
  SetRegValue(reg, kUser, kKey, "above", 2147483648LL);
  SetRegValue(reg, kUser, kKey, "below", -2147483649LL);
  SetRegValue(reg, kUser, kKey, "unsigned max", std::numeric_limits<std::uint64_t>::max());
  SetRegValue(reg, kUser, kKey, "unsigned 32", 4294967295u);
  EXPECT_EQ(Raw("above"), StoredText("2147483648"));
  EXPECT_EQ(Raw("below"), StoredText("-2147483649"));
  EXPECT_EQ(Raw("unsigned max"), StoredText("18446744073709551615"));
  EXPECT_EQ(Raw("unsigned 32"), StoredText("4294967295"));
}

TEST_F(SetRegValueKinds, FractionsGoToTheNearestIntegerAndHugeOnesStayText) {
  SetRegValue(reg, kUser, kKey, "a", 2.5);
  SetRegValue(reg, kUser, kKey, "b", -3.5);
  SetRegValue(reg, kUser, kKey, "c", 0.49999999999999994);
  SetRegValue(reg, kUser, kKey, "d", 2147483647.4);
  SetRegValue(reg, kUser, kKey, "e", 2147483647.5);
  SetRegValue(reg, kUser, kKey, "f", 1e10);
  SetRegValue(reg, kUser, kKey, "g", std::nan(""));
  SetRegValue(reg, kUser, kKey, "h", -std::numeric_limits<double>::infinity());
  EXPECT_EQ(Raw("a"), MakeRegDword(2));
  EXPECT_EQ(Raw("b"), MakeRegDword(-4));
  EXPECT_EQ(Raw("c"), MakeRegDword(0));
  EXPECT_EQ(Raw("d"), MakeRegDword(2147483647));
  EXPECT_EQ(Raw("e"), StoredText("2147483647.5")) << "the number as given, not cut down";
  EXPECT_EQ(Raw("f"), StoredText("1e+10"));
  EXPECT_EQ(Raw("g"), StoredText("nan"));
  EXPECT_EQ(Raw("h"), StoredText("-inf"));
}

TEST_F(SetRegValueKinds, AValueReadCanBeWrittenBackUnchanged) {
  SetRegValue(reg, kUser, kKey, "int", RegValue::Integer(-3));
  SetRegValue(reg, kUser, kKey, "text", RegValue::Text(" Brisvane "));
  SetRegValue(reg, kUser, kKey, "digits", RegValue::Text("12"));
  SetRegValue(reg, kUser, kKey, "empty", RegValue());
  EXPECT_EQ(Raw("int"), MakeRegDword(-3));
  EXPECT_EQ(Raw("text"), StoredText("Brisvane"));
  EXPECT_EQ(Raw("digits"), MakeRegDword(12));
  EXPECT_EQ(Raw("empty"), StoredText(""));
}

class RegistryCalls : public ::testing::Test {
 protected:
  testing::MemoryRegistry memory;
  testing::RecordingRegistry reg{memory};
};

TEST_F(RegistryCalls, DeleteRegKeyUnderAMissingParentOnlyLooksForTheParent) {
  EXPECT_FALSE(DeleteRegKey(reg, kUser, "Software\\Missing", "UserChoice"));
  EXPECT_THAT(reg.calls, ElementsAre("KeyExists Software\\Missing"));
}

TEST_F(RegistryCalls, DeleteRegValueInAMissingKeyOnlyLooksForTheKey) {
  DeleteRegValue(reg, kUser, "Software\\Missing", "URL");
  EXPECT_THAT(reg.calls, ElementsAre("KeyExists Software\\Missing"));
}

TEST_F(RegistryCalls, ReadsNeverWrite) {
  GetRegValue(reg, kUser, kKey, "URL", true);
  RegKeyExists(reg, kUser, kKey);
  std::vector<std::string> list;
  EnumRegValues(reg, kUser, kKey, list);
  EXPECT_THAT(reg.calls, ElementsAre(std::string("QueryValue ") + kKey + "|URL", std::string("KeyExists ") + kKey,
                                     std::string("ValueNames ") + kKey));
}

TEST_F(RegistryCalls, SetRegValueCreatesTheKeyFirstAndSkipsTheValueWhenThatFails) {
  SetRegValue(reg, kUser, kKey, "URL", "x");
  EXPECT_THAT(reg.calls,
              ElementsAre(std::string("CreateKey ") + kKey, std::string("SetValue ") + kKey + "|URL"));

  reg.calls.clear();
  memory.SetReadOnly(true);
  SetRegValue(reg, kUser, "Software\\Other", "URL", "x");
  EXPECT_THAT(reg.calls, ElementsAre("CreateKey Software\\Other"));
  EXPECT_FALSE(memory.KeyExists(kUser, "Software\\Other"));
}

TEST(RegistryFailures, AreSilentAndChangeNothing) {
  testing::MemoryRegistry reg;
  SetRegValue(reg, kUser, kKey, "URL", "kept");
  CreateRegKey(reg, kUser, std::string(kKey) + "\\Sub");
  reg.SetReadOnly(true);

  SetRegValue(reg, kUser, kKey, "URL", "lost");
  SetRegValue(reg, kUser, kKey, "New", 1);
  DeleteRegValue(reg, kUser, kKey, "URL");
  EXPECT_FALSE(DeleteRegKey(reg, kUser, kKey, "Sub"));
  CreateRegKey(reg, kUser, std::string(kKey) + "\\Other");

  EXPECT_EQ(GetRegValue(reg, kUser, kKey, "URL", true), RegValue::Text("kept"));
  EXPECT_EQ(GetRegValue(reg, kUser, kKey, "New", true), RegValue());
  EXPECT_TRUE(RegKeyExists(reg, kUser, std::string(kKey) + "\\Sub"));
  EXPECT_FALSE(RegKeyExists(reg, kUser, std::string(kKey) + "\\Other"));
}

}  // namespace
}  // namespace brisvane
