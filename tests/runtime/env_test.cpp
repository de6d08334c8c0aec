// Guards how environment variables are read as integers and switches: base
// prefixes, rounding down to a power of two, the exact error for values that
// are not a number that fits 32 bits, and the set flag.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dv_env.h"
#include "dv_err.h"

using namespace dv_qem;

namespace {

constexpr const char* kVar = "DV_TEST_ENV_VALUE";

// Sets (or, for null, removes) the test variable for one case.
void put(const char* value) {
  if (value == nullptr)
    unsetenv(kVar);
  else
    setenv(kVar, value, 1);
}

struct Integer_row {
  const char* value;  // null: unset
  dv4u truncate;
  dv4u expected;
  int expected_flag;
  bool invalid;
};

const Integer_row kIntegerRows[] = {
    {"0x1000", 4096, 4096, 1, false},
    {"4097", 4096, 4096, 1, false},
    {"8191", 4096, 4096, 1, false},
    {"4095", 4096, 0, 1, false},
    {"010", 1, 8, 1, false},  // leading 0: octal
    {"0X1f", 1, 31, 1, false},
    {"12345", 1, 12345, 1, false},
    {"12345", 16, 12336, 1, false},
    {"4294967295", 1, 4294967295u, 1, false},
    {"0", 1, 0, 1, false},
    {nullptr, 4096, 0, 0, false},
    {"", 4096, 0, 0, false},
    {"12abc", 4096, 0, 1, true},
    {"abc", 1, 0, 1, true},
    {"0x", 1, 0, 1, true},
    {"08", 1, 0, 1, true},  // not an octal digit
    {"12 ", 1, 0, 1, true},
    {"99999999999", 1, 0, 1, true},
    {"4294967296", 1, 0, 1, true},
    {"-1", 1, 0, 1, true},
    {" -5", 1, 0, 1, true},
};

TEST(EnvInteger, Table) {
  for (const Integer_row& row : kIntegerRows) {
    SCOPED_TRACE(row.value != nullptr ? std::string("value \"") + row.value + "\"" : "unset");
    put(row.value);
    int flag = -1;
    if (row.invalid) {
      try {
        _VRN_getenv_integer(kVar, &flag, row.truncate);
        ADD_FAILURE() << "accepted";
      } catch (const dv_err_misc& e) {
        EXPECT_EQ(std::string(e.get_report()),
                  std::string("dv_err_misc - The value of DV_TEST_ENV_VALUE, \"") + row.value +
                      "\", is not a valid integer.");
      }
      continue;
    }
    EXPECT_EQ(_VRN_getenv_integer(kVar, &flag, row.truncate), row.expected);
    EXPECT_EQ(flag, row.expected_flag);
    EXPECT_EQ(_VRN_getenv_integer(kVar, nullptr, row.truncate), row.expected);
  }
  unsetenv(kVar);
}

TEST(EnvInteger, TruncateMustBeAPowerOfTwo) {
  put("64");
  for (dv4u truncate : {0u, 3u, 4097u, 0xFFFFFFFFu}) {
    try {
      _VRN_getenv_integer(kVar, nullptr, truncate);
      ADD_FAILURE() << "truncate " << truncate << " accepted";
    } catch (const dv_err_internal& e) {
      EXPECT_NE(std::string(e.get_report()).find("Assertion \"_VRN_power_of_two_p(truncate)\""),
                std::string::npos)
          << e.get_report();
    }
  }
  EXPECT_EQ(_VRN_getenv_integer(kVar, nullptr, 0x80000000u), 0u);
  unsetenv(kVar);
}

struct Bool_row {
  const char* value;  // null: unset
  int expected;
  int expected_flag;
};

const Bool_row kBoolRows[] = {
    {"0", 0, 1},     {"1", 1, 1},     {"false", 1, 1}, {"yes", 1, 1},   {"no", 1, 1},
    {"0x0", 0, 1},   {"00", 0, 1},    {"0x10", 1, 1},  {"2", 1, 1},     {"0abc", 1, 1},
    {nullptr, 0, 0}, {"", 0, 0},
};

TEST(EnvBool, Table) {
  for (const Bool_row& row : kBoolRows) {
    SCOPED_TRACE(row.value != nullptr ? std::string("value \"") + row.value + "\"" : "unset");
    put(row.value);
    int flag = -1;
    EXPECT_EQ(_VRN_getenv_bool(kVar, &flag) != 0, row.expected != 0);
    EXPECT_EQ(flag, row.expected_flag);
    EXPECT_EQ(_VRN_getenv_bool(kVar, nullptr) != 0, row.expected != 0);
  }
  unsetenv(kVar);
}

}  // namespace
