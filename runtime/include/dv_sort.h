// In-place quicksort over arrays of fixed-size records, with a fixed pivot
// formula, recursion only into the smaller part and insertion sort for short
// ranges. The order of equal records is not kept.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// A comparison held in an object (for orders that need state).
class QS_compare {
 public:
  virtual ~QS_compare();
  // Negative, 0 or positive as a sorts before, with or after b.
  virtual int compare(const void* a, const void* b) = 0;
};

// Negative, 0 or positive as a sorts before, with or after b.
using _QS_compare_fn = int (*)(const void* a, const void* b);
// Exchanges records i and j of the array at base; scratch holds one record.
using _QS_swap_fn = void (*)(unsigned i, unsigned j, void* base, unsigned record_size,
                             void* scratch);

// Sorts count records of record_size bytes at base into ascending order of
// compare(address of one record, address of another). Records are exchanged
// by swap when given, otherwise by copying through a one-record scratch
// buffer (as one word when record_size is 4).
void _Quick_sort(void* base, unsigned count, unsigned record_size, _QS_compare_fn compare,
                 _QS_swap_fn swap = nullptr);
void _Quick_sort(void* base, unsigned count, unsigned record_size, QS_compare& compare,
                 _QS_swap_fn swap = nullptr);
void _Quick_sort(void* base, unsigned count, unsigned record_size, QS_compare* compare,
                 _QS_swap_fn swap = nullptr);

// Sorts an array of count pointers at base; compare receives the pointers
// themselves (the array's elements), not their addresses.
void _Quick_sort_deref(void* base, unsigned count, _QS_compare_fn compare);
void _Quick_sort_deref(void* base, unsigned count, QS_compare& compare);

}  // namespace dv_qem
