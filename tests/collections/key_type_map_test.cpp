// Guards the key-type map both ways (names to numbers and back, unknown names
// and numbers) and the normal form of key-type names.
#include <gtest/gtest.h>

#include <string>

#include "dv_platform.h"
#include "key_type_map.h"

using namespace dv_qem;

TEST(KeyTypeMap, NamesAndNumbersMapBothWays) {
  struct Row {
    const char* name;
    int code;
  } rows[] = {
      {"signed char", 1}, {"unsigned char", 2}, {"short", 3},        {"unsigned short", 4}, {"int", 5},
      {"unsigned int", 6}, {"long", 7},         {"unsigned long", 8}, {"float", 9},          {"double", 10},
      {"long double", 11}, {"void*", 12},       {"void", 13},         {"char", 14},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(_key_type_code(r.name), r.code) << r.name;
    EXPECT_STREQ(_key_type_name(r.code), r.name) << r.code;
  }
}

TEST(KeyTypeMap, OtherNamesAndNumbersAreUnknown) {
  const char* names[] = {"unsigned", "const int", "Int", "int ", " int", "", "char*", "dv_pvoid",
                         "dv_char_array", "dv_char_star_nocopy", "char[]", "void *", nullptr};
  for (const char* name : names) EXPECT_EQ(_key_type_code(name), 0) << (name ? name : "(null)");
  for (int code : {0, -1, 15, 1000}) EXPECT_EQ(_key_type_name(code), nullptr) << code;
}

TEST(KeyTypeMap, NormalFormBlanksEveryConst) {
  struct Row {
    const char* name;
    const char* normal;
  } rows[] = {
      {"const int", "      int"},
      {"const unsigned short", "      unsigned short"},
      {"int", "int"},
      {"char const*", "char      *"},
      {"constconst", "          "},
      {"my_constant", "my_     ant"},
      {"Const int", "Const int"},
      {"", ""},
  };
  for (const Row& r : rows) {
    char* normal = _normalize_key_type(r.name);
    EXPECT_EQ(std::string(normal), r.normal) << r.name;
    _VRN_free(normal);
  }
  EXPECT_EQ(_normalize_key_type(nullptr), nullptr);
}
