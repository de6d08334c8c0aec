// The entry helpers with which a cursor sorts its snapshot (dv_cursor's
// sorted and update-insensitive kinds): exchanging two entries of an array of
// plain pointers or of soft pointers, and ordering soft-pointer entries by
// the addresses they hold. Shaped for _Quick_sort (dv_sort.h).
#pragma once

namespace dv_qem {

// Exchange entries i and j of an array of plain pointers, or of 32-bit soft
// pointers. entry_size is the size of one entry (4); scratch is not used.
void _swap_ptr_entries(unsigned i, unsigned j, void* array, unsigned entry_size, void* scratch);
void _swap_soft_ptr_entries(unsigned i, unsigned j, void* array, unsigned entry_size, void* scratch);

// Negative, 0 or positive as the address held by the soft-pointer entry at a
// is below, equal to or above the one held at b.
int _compare_soft_ptr_addresses(const void* a, const void* b);

}  // namespace dv_qem
