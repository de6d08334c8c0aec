// Guards the key-type map both ways (names to numbers and back, unknown names
// and numbers), the normal forms of key-type names, and the matching of key
// kinds with "const" and blanks dropped.
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

TEST(KeyTypeMap, CacheFormAndKindMatching) {
  struct Row {
    const char* name;
    const char* cache_form;  // the function cache's key
    int code;                // _key_type_code_normalized
    bool pointer_valued;
    unsigned floating;
  } rows[] = {
      {"char*", "char*", 0, true, 0},
      {"const char*", "      char*", 0, true, 0},
      {"char const*", "char*", 0, true, 0},
      {"char *", "char*", 0, true, 0},
      {"const char[]", "      char[]", 0, false, 0},
      {"int const", "int", 5, false, 0},
      {"const unsigned short", "      unsigned short", 4, false, 0},
      {"dv_pvoid", "dv_pvoid", 0, true, 0},
      {"const dv_pvoid", "      dv_pvoid", 0, true, 0},
      {"float", "float", 9, false, 4},
      {"const double", "      double", 10, false, 8},
      {"long double", "long double", 11, false, 8},
      {"void*", "void*", 12, false, 0},
      {"dv_char_star_nocopy", "dv_char_star_nocopy", 0, false, 0},
  };
  for (const Row& r : rows) {
    char* form = _cache_key_type(r.name);
    EXPECT_STREQ(form, r.cache_form) << r.name;
    _VRN_free(form);
    EXPECT_EQ(_key_type_code_normalized(r.name), r.code) << r.name;
    EXPECT_EQ(_key_type_is_pointer_valued(r.name), r.pointer_valued) << r.name;
    EXPECT_EQ(_key_type_floating_size(r.name), r.floating) << r.name;
  }
  EXPECT_TRUE(_key_type_is("const char[]", "char[]"));
  EXPECT_FALSE(_key_type_is("char[]", "char*"));
  EXPECT_FALSE(_key_type_is(nullptr, "char*"));
  EXPECT_EQ(_cache_key_type(nullptr), nullptr);
}
