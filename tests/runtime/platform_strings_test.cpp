// Guards the string, formatting, environment, memory and C-stream helpers of
// the platform layer.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"
#include "dv_scratch_dir.h"

using namespace dv_qem;

namespace {

TEST(PlatformStrings, CaseInsensitiveCompare) {
  struct row {
    const char* a;
    const char* b;
    int expected;
  } rows[] = {
      {"shop.db", "SHOP.DB", 0},
      {"popup", "POPUP", 0},
      {"", "", 0},
      {"abc", "abd", -1},
      {"ABD", "abc", 1},
      {"ab", "abc", -1},
      {"abc", "AB", 1},
      {"[", "a", 1},        // compared upper-cased: '[' sorts after 'A'
      {"\xe4", "\xc4", 1},  // beyond ASCII the bytes compare as they are
  };
  for (const row& r : rows)
    EXPECT_EQ(_VRN_strcasecmp(r.a, r.b), r.expected) << r.a << " vs " << r.b;
}

TEST(PlatformStrings, UpperAndLowerCaseOnlyAsciiLetters) {
  char s[] = "Shop-1.db_\xe4Z";
  _VRN_uppercase(s);
  EXPECT_STREQ(s, "SHOP-1.DB_\xe4Z");
  _VRN_lowercase(s);
  EXPECT_STREQ(s, "shop-1.db_\xe4z");
}

TEST(PlatformStrings, GetenvTreatsEmptyAsUnset) {
  ::setenv("DV_TEST_VALUE", "", 1);
  EXPECT_EQ(_VRN_getenv("DV_TEST_VALUE"), nullptr);
  ::setenv("DV_TEST_VALUE", "0", 1);
  EXPECT_STREQ(_VRN_getenv("DV_TEST_VALUE"), "0");
  ::unsetenv("DV_TEST_VALUE");
  EXPECT_EQ(_VRN_getenv("DV_TEST_VALUE"), nullptr);
}

TEST(PlatformStrings, StrdupCopies) {
  const char original[] = "Shop.DB";
  char* copy = _VRN_strdup(original);
  EXPECT_NE(copy, original);
  EXPECT_STREQ(copy, original);
  _VRN_free(copy);
}

TEST(PlatformStrings, FormattingIsBoundedAndCountsCharacters) {
  char buffer[32];
  EXPECT_EQ(_VRN_sprintf(buffer, "%s-%d", "page", 4096), 9);
  EXPECT_STREQ(buffer, "page-4096");
  char small[8];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(_VRN_snprintf(small, 5, "%s", "overflowing"), 4);
  EXPECT_STREQ(small, "over");
  EXPECT_EQ(small[5], '#');
}

TEST(PlatformStrings, Strto4uIgnoresTheCallersLocale) {
  char* end = nullptr;
  EXPECT_EQ(_VRN_strto4u("0x1000rest", &end, 0), 0x1000u);
  EXPECT_STREQ(end, "rest");
  EXPECT_EQ(_VRN_strto4u("4294967295", nullptr, 10), 4294967295u);
  EXPECT_EQ(_VRN_strto4u("017", nullptr, 0), 15u);
}

TEST(PlatformMemory, ZeroSizeAllocationIsUsable) {
  char* p = static_cast<char*>(_VRN_allocate(0));
  ASSERT_NE(p, nullptr);
  p[0] = 'x';  // one byte that belongs to the caller
  EXPECT_EQ(p[0], 'x');
  _VRN_free(p);

  char* z = static_cast<char*>(_VRN_allocate_zeroed(0, 0));
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z[0], 0);
  _VRN_free(z);
}

TEST(PlatformMemory, ZeroedAllocationIsZero) {
  unsigned char* z = static_cast<unsigned char*>(_VRN_allocate_zeroed(100, 41));
  for (int i = 0; i < 4100; ++i) ASSERT_EQ(z[i], 0) << i;
  _VRN_free(z);
}

TEST(PlatformMemory, ExhaustionThrows) {
  EXPECT_THROW(_VRN_allocate(static_cast<size_t>(-1)), dv_err_out_of_virtual_memory);
  try {
    _VRN_allocate_zeroed(0x10000, 0x10000);
    FAIL() << "no exception";
  } catch (const dv_err_out_of_virtual_memory& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_out_of_virtual_memory - Out of virtual memory (calloc returned 0)");
  }
}

TEST(PlatformStreams, FopenDropsTheTextModeLetter) {
  dv_test::scratch_dir dir;
  std::string path = dir / "trace.txt";
  FILE* out = _VRN_fopen(path.c_str(), "wt");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(_VRN_fprintf(out, "%s %d\n", "pages", 3), 8);
  EXPECT_EQ(_VRN_fflush(out), 0);
  EXPECT_EQ(_VRN_fclose(out), 0);
  FILE* in = _VRN_fopen(path.c_str(), "rt");
  char line[16] = {};
  ASSERT_NE(std::fgets(line, sizeof line, in), nullptr);
  EXPECT_STREQ(line, "pages 3\n");
  _VRN_fclose(in);
}

TEST(PlatformStreams, FopenFailureNamesTheSystemErrorAndPath) {
  dv_test::scratch_dir dir;
  std::string path = dir / "missing/trace.txt";
  char text[320];
  _VRN_system_error_text(ENOENT, text, sizeof text);
  try {
    _VRN_fopen(path.c_str(), "r");
    FAIL() << "no exception";
  } catch (const dv_err_cant_open_file& e) {
    EXPECT_EQ(std::string(e.get_report()),
              std::string("dv_err_cant_open_file - ") + text + ": failed to open " + path);
  }
}

}  // namespace
