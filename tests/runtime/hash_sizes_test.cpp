// Guards the table of hash table sizes and _Recommended_hash_size: the table
// is 1141 ascending primes with its fixed rows and even spacing, and both
// forms of the lookup answer as the dictionaries expect.
#include <gtest/gtest.h>

#include <cstdint>

#include "dv_hash_size.h"
#include "hash_size_table.h"

using namespace dv_qem;

namespace {

bool is_prime(dv4u n) {
  if (n < 2) return false;
  for (dv4u d = 2; d * d <= n; ++d)
    if (n % d == 0) return false;
  return true;
}

// Entry number i counts from 1.
dv4u entry(dv4u i) { return _VRN_hash_sizes[i - 1]; }

}  // namespace

TEST(HashSizeTable, HoldsAscendingPrimes) {
  ASSERT_EQ(_VRN_hash_size_count, 1141u);
  for (dv4u i = 1; i <= _VRN_hash_size_count; ++i) EXPECT_TRUE(is_prime(entry(i))) << "entry " << i;
  for (dv4u i = 2; i <= _VRN_hash_size_count; ++i) EXPECT_LT(entry(i - 1), entry(i)) << "entry " << i;
}

TEST(HashSizeTable, StartsWithEveryPrimeUpTo613) {
  dv4u next = 1;
  for (dv4u n = 2; n <= 613; ++n) {
    if (!is_prime(n)) continue;
    ASSERT_EQ(entry(next), n) << "entry " << next;
    ++next;
  }
  EXPECT_EQ(next - 1, 112u);
}

TEST(HashSizeTable, FixedRows) {
  const struct {
    dv4u entry, value;
  } rows[] = {{1, 2},       {2, 3},       {5, 11},       {112, 613},      {113, 619},
              {114, 631},   {115, 641},   {116, 647},    {117, 653},      {200, 1381},
              {300, 2999},  {400, 7043},  {600, 47237},  {800, 340079},   {1000, 2480927},
              {1139, 9790229}, {1140, 9888127}, {1141, 9987001}};
  for (const auto& row : rows) EXPECT_EQ(entry(row.entry), row.value) << "entry " << row.entry;
}

// Above the consecutive primes each entry is about 1 % above the one before.
// Low in the table the primes are too sparse for that (1327 and 1361 are
// consecutive primes, 2.6 % apart) and the fixed rows 1381 and 2999, 100
// entries apart, are only 0.78 % apart on average; from entry 401 on every
// step is between 0.8 % and 1.3 %.
TEST(HashSizeTable, SpacingAboveTheConsecutivePrimes) {
  const struct {
    dv4u first, last;
    double lowest, highest;
  } bands[] = {{113, 200, 1.0035, 1.026},
               {201, 300, 1.005, 1.015},
               {301, 400, 1.007, 1.013},
               {401, 1141, 1.008, 1.013}};
  for (const auto& band : bands) {
    for (dv4u i = band.first; i <= band.last; ++i) {
      double ratio = static_cast<double>(entry(i)) / entry(i - 1);
      EXPECT_GE(ratio, band.lowest) << "entry " << i << " = " << entry(i);
      EXPECT_LE(ratio, band.highest) << "entry " << i << " = " << entry(i);
    }
  }
}

TEST(RecommendedHashSize, SmallestEntryAtLeastN) {
  const struct {
    dv4u n, expected;
  } rows[] = {{0, 2},          {1, 2},           {2, 2},          {3, 3},
              {4, 5},          {10, 11},         {16, 17},        {613, 613},
              {614, 619},      {620, 631},       {9987000, 9987001}, {9987001, 9987001},
              {9987002, 0xFFFFFFFF}, {0xFFFFFFFF, 0xFFFFFFFF}};
  for (const auto& row : rows) EXPECT_EQ(_Recommended_hash_size(row.n), row.expected) << "n = " << row.n;
}

TEST(RecommendedHashSize, EveryEntryAndTheNumberAfterIt) {
  for (dv4u i = 1; i <= _VRN_hash_size_count; ++i) {
    EXPECT_EQ(_Recommended_hash_size(entry(i)), entry(i));
    dv4u after = i < _VRN_hash_size_count ? entry(i + 1) : _VRN_no_hash_size;
    EXPECT_EQ(_Recommended_hash_size(entry(i) + 1), after) << "entry " << i;
  }
}

TEST(RecommendedHashSize, ByteLimitStepsDown) {
  const struct {
    dv4u n, element_size, byte_limit, expected;
  } rows[] = {
      {619, 12, 100, 619},        // an exact hit ignores the limit
      {614, 1, 1000, 619},        // fits
      {614, 12, 7000, 577},       // 619 x 12 = 7428 is too big; 577 x 12 = 6924 fits
      {4, 100, 1, 2},             // nothing fits: the smallest size
      {9987000, 0xFFFFFFFF, 0xFFFFFFFF, 2},  // products past 32 bits do not wrap into "fits"
      {9987002, 1, 0xFFFFFFFF, 0xFFFFFFFF},  // past the table
  };
  for (const auto& row : rows)
    EXPECT_EQ(_Recommended_hash_size(row.n, row.element_size, row.byte_limit), row.expected)
        << "n = " << row.n << ", element " << row.element_size << ", limit " << row.byte_limit;
}

TEST(RecommendedHashSize, ByteLimitGivesTheLargestSizeThatFits) {
  const dv4u n = 100000, element_size = 12, limit = 1 << 20;
  dv4u size = _Recommended_hash_size(n, element_size, limit);
  ASSERT_LT(size, n);
  EXPECT_LE(std::uint64_t{size} * element_size, limit);
  EXPECT_GT(std::uint64_t{_Recommended_hash_size(size + 1)} * element_size, limit);
}
