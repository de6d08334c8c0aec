// Guards the entry helpers of a cursor's snapshot sort under their names:
// _swap_ptr_entries and _swap_soft_ptr_entries exchange two entries of an
// array of plain or soft pointers and nothing else, _compare_soft_ptr_addresses
// orders soft-pointer entries by the addresses they hold, and the three sort
// an array with _Quick_sort.
#include <gtest/gtest.h>

#include <vector>

#include "dv_cursor_sort.h"
#include "dv_soft_pointer.h"
#include "dv_sort.h"

using namespace dv_qem;

namespace {

int cells[8];

TEST(CursorSortHelpers, SwapsExchangeTwoEntriesOnly) {
  const struct {
    const char* name;
    _QS_swap_fn swap;
  } rows[] = {{"plain pointers", _swap_ptr_entries}, {"soft pointers", _swap_soft_ptr_entries}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    void* entries[4] = {&cells[0], &cells[1], &cells[2], &cells[3]};
    row.swap(1, 3, entries, sizeof(void*), nullptr);
    EXPECT_EQ(entries[0], &cells[0]);
    EXPECT_EQ(entries[1], &cells[3]);
    EXPECT_EQ(entries[2], &cells[2]);
    EXPECT_EQ(entries[3], &cells[1]);
    row.swap(2, 2, entries, sizeof(void*), nullptr);
    EXPECT_EQ(entries[2], &cells[2]);
  }
}

TEST(CursorSortHelpers, SoftPointerEntriesCompareByTheirAddresses) {
  dv_soft_pointer_base<32> low, high, null_entry;
  low = &cells[1];
  high = &cells[5];
  null_entry = nullptr;
  EXPECT_LT(_compare_soft_ptr_addresses(&low, &high), 0);
  EXPECT_GT(_compare_soft_ptr_addresses(&high, &low), 0);
  EXPECT_EQ(_compare_soft_ptr_addresses(&low, &low), 0);
  EXPECT_LT(_compare_soft_ptr_addresses(&null_entry, &low), 0);
}

TEST(CursorSortHelpers, TheHelpersSortAnArray) {
  std::vector<dv_soft_pointer_base<32>> entries(8);
  const int order[8] = {5, 2, 7, 0, 3, 6, 1, 4};
  for (int i = 0; i < 8; ++i) entries[i] = &cells[order[i]];
  _Quick_sort(entries.data(), 8, 4, _compare_soft_ptr_addresses, _swap_soft_ptr_entries);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(entries[i].resolve(), &cells[i]) << i;
}

}  // namespace
