// The registry functions' own rules: which texts are numbers, and that failures are silent.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "settings/registry_functions.h"
#include "support/memory_registry.h"
#include "support/registry_helpers.h"

namespace brisvane {
namespace {

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

TEST(RegistryFunctions, FailuresAreSilentAndChangeNothing) {
  testing::MemoryRegistry reg;
  SetRegValue(reg, kUser, kKey, "URL", "kept");
  CreateRegKey(reg, kUser, std::string(kKey) + "\\Sub");
  reg.SetReadOnly(true);

  SetRegValue(reg, kUser, kKey, "URL", "lost");
  SetRegValue(reg, kUser, kKey, "New", std::int32_t{1});
  DeleteRegValue(reg, kUser, kKey, "URL");
  EXPECT_FALSE(DeleteRegKey(reg, kUser, kKey, "Sub"));
  EXPECT_FALSE(DeleteRegKey(reg, kUser, "Software\\Missing", "Sub"));
  CreateRegKey(reg, kUser, std::string(kKey) + "\\Other");

  EXPECT_EQ(GetRegValue(reg, kUser, kKey, "URL", true), RegValue::Text("kept"));
  EXPECT_EQ(GetRegValue(reg, kUser, kKey, "New", true), RegValue());
  EXPECT_TRUE(RegKeyExists(reg, kUser, std::string(kKey) + "\\Sub"));
  EXPECT_FALSE(RegKeyExists(reg, kUser, std::string(kKey) + "\\Other"));
}

}  // namespace
}  // namespace brisvane
