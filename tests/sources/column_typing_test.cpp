// Guards the number forms that decide a text column's type, the values a
// number column gives back unchanged, and the rule that combines a column's
// values into INTEGER, REAL or TEXT.
#include "column_typing.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnTyping, RecognisesIntegersAndDecimals) {
  struct Case {
    const char* text;
    bool integer;
    bool decimal;
  };
  const Case cases[] = {
      {"0", true, true},
      {"42", true, true},
      {"-42", true, true},
      {"+42", true, true},
      {"9223372036854775807", true, true},
      {"-9223372036854775808", true, true},
      {"9223372036854775808", false, true},   // past 64 bits: a decimal, no integer
      {"007", false, false},                  // leading zeros: a code, kept as text
      {"0.5", false, true},
      {".5", false, true},
      {"5.", false, true},
      {"-1.25e-3", false, true},
      {"1E10", false, true},
      {"00.5", false, false},
      {"1,5", false, false},
      {"1.2.3", false, false},
      {"1e", false, false},
      {"e5", false, false},
      {".", false, false},
      {"-", false, false},
      {"", false, false},
      {" 1", false, false},
      {"1 ", false, false},
      {"0x10", false, false},
      {"inf", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsIntegerText(c.text), c.integer);
    EXPECT_EQ(IsDecimalText(c.text), c.decimal);
  }
}

TEST(ColumnTyping, NumbersThatComeBackUnchanged) {
  struct Case {
    const char* text;
    bool integer;
    bool real;
  };
  const Case cases[] = {
      {"0", true, false},         {"42", true, false},          {"-42", true, false},
      {"2147483647", true, false}, {"-2147483648", true, false}, {"2147483648", false, false},
      {"12345678901234", false, false},                          {"+42", false, false},
      {"-0", false, false},       {"007", false, false},        {"2.5", false, true},
      {"-0.25", false, true},     {"0.1", false, true},         {"1234.5", false, true},
      {"2.0", false, false},      {"1.10", false, false},       {".5", false, false},
      {"5.", false, false},       {"00.5", false, false},       {"1E5", false, false},
      {"1.5e3", false, false},    {"0.1234567890123456", false, false},
      {"", false, false},         {"-", false, false},          {"1.2.3", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IntegerComesBackUnchanged(c.text), c.integer);
    EXPECT_EQ(RealComesBackUnchanged(c.text), c.real);
  }
}

TEST(ColumnTyping, CombinesAColumnsValuesIntoOneType) {
  struct Case {
    std::vector<const char*> values;
    SourceColumnType type;
  };
  const Case cases[] = {
      {{}, SourceColumnType::Text},
      {{"", ""}, SourceColumnType::Text},
      {{"1", "", "-3"}, SourceColumnType::Integer},
      {{"1", "2.5"}, SourceColumnType::Text},   // "1" would come back as "1.0"
      {{"2.5", "1"}, SourceColumnType::Text},
      {{"2.5", "-0.25"}, SourceColumnType::Real},
      {{"1.1", "1.10"}, SourceColumnType::Text},
      {{"12345678901234"}, SourceColumnType::Text},
      {{"1", "x"}, SourceColumnType::Text},
      {{"2.5", "x", "3"}, SourceColumnType::Text},
      {{"007", "8"}, SourceColumnType::Text},
  };
  for (const Case& c : cases) {
    ColumnTypeScan scan;
    for (const char* value : c.values) scan.see(value);
    EXPECT_EQ(scan.type(), c.type) << c.values.size() << " values";
  }
}

}  // namespace
