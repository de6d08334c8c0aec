// Guards the built-in rank and hash functions against hand-computed values:
// signedness and width of each comparison, NaN and signed zeros, null and
// empty strings, the byte and word folds, the missing-function stand-ins and
// the hash constants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "coll_key_functions.h"
#include "dv_coll_err.h"

using namespace dv_qem;

namespace {

// Keeps key values at stable addresses for the length of a test.
class Keys {
 public:
  template <class T>
  const void* operator()(T value) {
    std::vector<char>& bytes = store_.emplace_back(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes.data();
  }
  // A soft pointer: one 32-bit word holding the address.
  const void* soft(const char* text) { return (*this)(static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(text))); }

 private:
  std::deque<std::vector<char>> store_;
};

struct Row {
  const char* what;
  long long got;
  long long want;
};

void check(const std::vector<Row>& rows) {
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

const void* address(std::uintptr_t a) { return reinterpret_cast<const void*>(a); }

constexpr float kFloatNan = std::numeric_limits<float>::quiet_NaN();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
const char* const kNull = nullptr;

}  // namespace

TEST(KeyFunctions, IntegerRanksHonourWidthAndSignedness) {
  Keys k;
  using uchar = unsigned char;
  using ushort = unsigned short;
  using schar = signed char;
  check({
      {"int -1 vs 1", _Int_rank(k(-1), k(1)), -1},
      {"int 1 vs -1", _Int_rank(k(1), k(-1)), 1},
      {"int equal", _Int_rank(k(5), k(5)), 0},
      {"int min vs max", _Int_rank(k(INT32_MIN), k(INT32_MAX)), -1},
      {"long -2 vs 3", _Long_rank(k(-2L), k(3L)), -1},
      {"unsigned int max vs 1", _Uint_rank(k(0xFFFFFFFFu), k(1u)), 1},
      {"unsigned long max vs 1", _Ulong_rank(k(0xFFFFFFFFul), k(1ul)), 1},
      {"unsigned long equal", _Ulong_rank(k(9ul), k(9ul)), 0},
      {"char -1 vs 1", _Char_rank(k(static_cast<char>(-1)), k(static_cast<char>(1))), -1},
      {"signed char -1 vs 1", _Signed_char_rank(k(schar(-1)), k(schar(1))), -1},
      {"unsigned char 0xff vs 1", _Unsigned_char_rank(k(uchar(0xFF)), k(uchar(1))), 1},
      {"unsigned char equal", _Unsigned_char_rank(k(uchar(7)), k(uchar(7))), 0},
      {"short -1 vs 1", _Short_rank(k(static_cast<short>(-1)), k(static_cast<short>(1))), -1},
      {"short reads two bytes", _Short_rank(k(0x00010000), k(0x00020000)), 0},
      {"unsigned short 0xffff vs 1", _Ushort_rank(k(ushort(0xFFFF)), k(ushort(1))), 1},
  });
}

TEST(KeyFunctions, FloatingRanksTreatNanAsSmaller) {
  Keys k;
  check({
      {"float less", _Float_rank(k(1.5f), k(2.5f)), -1},
      {"float greater", _Float_rank(k(2.5f), k(1.5f)), 1},
      {"float equal", _Float_rank(k(1.0f), k(1.0f)), 0},
      {"float signed zeros", _Float_rank(k(-0.0f), k(0.0f)), 0},
      {"float NaN first", _Float_rank(k(kFloatNan), k(1.0f)), -1},
      {"float NaN second", _Float_rank(k(1.0f), k(kFloatNan)), -1},
      {"double less", _Double_rank(k(-1.0), k(1.0)), -1},
      {"double greater", _Double_rank(k(1e300), k(1.0)), 1},
      {"double equal", _Double_rank(k(0.25), k(0.25)), 0},
      {"double NaN", _Double_rank(k(kNan), k(kNan)), -1},
      {"long double keys are doubles", _Long_double_rank(k(1.0), k(2.0)), -1},
      {"long double equal", _Long_double_rank(k(2.0), k(2.0)), 0},
      {"long double NaN", _Long_double_rank(k(2.0), k(kNan)), -1},
  });
}

TEST(KeyFunctions, StringAndPointerRanks) {
  Keys k;
  const char abc[] = "abc";
  const char abc_copy[] = "abc";
  check({
      {"str less", _Str_rank(k("abc"), k("abd")), -1},
      {"str greater", _Str_rank(k("b"), k("a")), 1},
      {"str equal contents", _Str_rank(k(+abc), k(+abc_copy)), 0},
      {"str both null", _Str_rank(k(kNull), k(kNull)), 0},
      {"str null first", _Str_rank(k(kNull), k("a")), -1},
      {"str null second", _Str_rank(k("a"), k(kNull)), 1},
      {"str empty first", _Str_rank(k(""), k("a")), -1},
      {"str bytes are unsigned", _Str_rank(k("\xff"), k("a")), 1},
      {"nocopy less", _Str_nocopy_rank(k.soft("abc"), k.soft("abd")), -1},
      {"nocopy equal", _Str_nocopy_rank(k.soft(abc), k.soft(abc_copy)), 0},
      {"nocopy null", _Str_nocopy_rank(k.soft(nullptr), k.soft("a")), -1},
      {"char array less", _Char_arr_rank("abc", "abd"), -1},
      {"char array unsigned", _Char_arr_rank("\x80", "a"), 1},
      {"char array equal", _Char_arr_rank(abc, abc_copy), 0},
      {"char array null first", _Char_arr_rank(nullptr, "a"), -1},
      {"char array null second", _Char_arr_rank("a", nullptr), 1},
      {"char array both null", _Char_arr_rank(nullptr, nullptr), -1},
      {"ptr less", _Ptr_rank(address(0x10), address(0x20)), -1},
      {"ptr unsigned", _Ptr_rank(address(0x80000000u), address(0x10)), 1},
      {"ptr equal", _Ptr_rank(address(0x10), address(0x10)), 0},
      {"pvoid less", _Pvoid_rank(k(address(0x10)), k(address(0x20))), -1},
      {"pvoid unsigned", _Pvoid_rank(k(address(0x80000000u)), k(address(0x10))), 1},
      {"pvoid equal", _Pvoid_rank(k(address(0x30)), k(address(0x30))), 0},
  });
}

TEST(KeyFunctions, CollatingRanks) {
  Keys k;
  check({
      {"strcoll pointers both null", dv_strcoll_for_char_pointer(k(kNull), k(kNull)), 0},
      {"strcoll pointers null first", dv_strcoll_for_char_pointer(k(kNull), k("a")), -1},
      {"strcoll pointers null second", dv_strcoll_for_char_pointer(k("a"), k(kNull)), 1},
      {"strcoll pointers order", dv_strcoll_for_char_pointer(k("a"), k("b")) < 0, 1},
      {"strcoll pointers equal", dv_strcoll_for_char_pointer(k("ab"), k("ab")), 0},
      {"strcoll arrays both null", dv_strcoll_for_char_array(nullptr, nullptr), -1},
      {"strcoll arrays null second", dv_strcoll_for_char_array("a", nullptr), 1},
      {"strcoll arrays order", dv_strcoll_for_char_array("b", "a") > 0, 1},
  });
}

TEST(KeyFunctions, IntegerAndPointerHashes) {
  Keys k;
  int pointee = 0;
  check({
      {"int 1", _Int_hash(k(1)), 0x009863B9},
      {"int 0", _Int_hash(k(0)), 0},
      {"int 2", _Int_hash(k(2)), 0x0130C772},
      {"int -1", _Int_hash(k(-1)), 0xFF679C47},
      {"long 1", _Long_hash(k(1L)), 0x009863B9},
      {"char a", _Char_hash(k('a')), 0x39BDC919},
      {"char -1 is sign-extended", _Char_hash(k(static_cast<char>(-1))), 0xFF679C47},
      {"short -2 is sign-extended", _Short_hash(k(static_cast<short>(-2))), 0xFECF388E},
      {"float 1.0", _Float_hash(k(1.0f)), 0x63800000},
      {"float 0.0", _Float_hash(k(0.0f)), 0},
      {"float -0.0 as 0.0", _Float_hash(k(-0.0f)), 0},
      {"ptr", _Ptr_hash(address(0x1000)), 0x863B9000},
      {"ptr trans", _Ptr_hash_trans(address(0x1000)), 0x863B9000},
      {"pvoid", _Pvoid_hash(k(address(0x1000))), 0x863B9000},
      {"pvoid of a real address", _Pvoid_hash(k(&pointee)), _Ptr_hash(&pointee)},
      {"long double", _Long_double_hash(k(123.5)), 0},
      {"long double of another key", _Long_double_hash(k(-1.0)), 0},
      {"seeded", _Seeded_int_hash(5, 3), 0x03925656},
      {"seeded ignores the top bit", _Seeded_int_hash(0x80000005u, 3), 0x03925656},
      {"seeded 0x7fffffff", _Seeded_int_hash(0x7FFFFFFFu, 3), 0x01C92B2B},
  });
}

TEST(KeyFunctions, StringAndDoubleHashes) {
  Keys k;
  check({
      {"khs a", _Str_hash_khs(k("a")), 0xD2866770},
      {"khs abc", _Str_hash_khs(k("abc")), 0xB849C599},
      {"khs signed byte", _Str_hash_khs(k("\xff")), 0xE4B8155E},
      {"khs empty", _Str_hash_khs(k("")), _Coll_empty_string_hash},
      {"khs null", _Str_hash_khs(k(kNull)), 0xF1F35EC9},
      {"nocopy a", _Str_nocopy_hash_khs(k.soft("a")), 0xD2866770},
      {"nocopy null", _Str_nocopy_hash_khs(k.soft(nullptr)), 0xF1F35EC9},
      {"char[] a", _Char_arr_hash("a"), 0xD2866770},
      {"char[] empty", _Char_arr_hash(""), 0xF1F35EC9},
      {"char[] null", _Char_arr_hash(nullptr), 0xF1F35EC9},
      {"dv_char_array abcd", _Dv_char_array_hash("abcd"), 0x6FE97F44},
      {"dv_char_array abcde", _Dv_char_array_hash("abcde"), 0x3AE97F44},
      {"dv_char_array sign-extended first", _Dv_char_array_hash("\x80"), 0x80000000},
      {"dv_char_array sign-extended second", _Dv_char_array_hash("a\x80"), 0x0A800000},
      {"dv_char_array empty", _Dv_char_array_hash(""), 0},
      {"dv_char_array null", _Dv_char_array_hash(nullptr), 0},
      {"word fold abcd", _Str_word_fold_hash(k("abcd")), 0x61626364},
      {"word fold abcde", _Str_word_fold_hash(k("abcde")), 0x04626364},
      {"word fold empty", _Str_word_fold_hash(k("")), 0},
      {"word fold null text", _Str_word_fold_hash(k(kNull)), 0},
      {"word fold null key", _Str_word_fold_hash(nullptr), 0},
      {"double 1.0", _Double_hash(k(1.0)), 0x40C9B61E},
      {"double -2.5", _Double_hash(k(-2.5)), 0xB131D7ED},
      {"double 0.0", _Double_hash(k(0.0)), 0x7C363F49},
      {"double -0.0 as 0.0", _Double_hash(k(-0.0)), 0x7C363F49},
      {"double null", _Double_hash(nullptr), 0xF1F35EC9},
  });
}

TEST(KeyFunctions, MissingFunctionsThrow) {
  int key = 0;
  try {
    _Missing_rank(&key, &key);
    FAIL() << "returned";
  } catch (const dv_err_coll& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_coll - <err-0024-0965>A rank function is missing");
  }
  try {
    _Missing_hash(&key);
    FAIL() << "returned";
  } catch (const dv_err_coll& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_coll - <err-0024-0970>A hash function is missing");
  }
}

TEST(KeyFunctions, HashConstants) {
  struct Row {
    const char* name;
    unsigned value;
    unsigned expected;
  } rows[] = {
      {"multiplier", _Coll_hash_multiplier, 0x9863B9u},
      {"fold seed", _Coll_fold_seed, 0x17B91u},
      {"empty string", _Coll_empty_string_hash, 0xF1F35EC9u},
      {"seed x multiplier", _Coll_fold_seed * _Coll_hash_multiplier, _Coll_empty_string_hash},
  };
  for (const Row& r : rows) EXPECT_EQ(r.value, r.expected) << r.name;
}
