// The runtime quicksort: one templated core shared by the comparison-function,
// comparison-object and pointer-array forms.
#include "dv_sort.h"

#include <cstddef>
#include <cstring>

#include "dv_platform.h"

namespace dv_qem {

QS_compare::~QS_compare() = default;

namespace {

constexpr dv4u kPivotMultiplier = 9987001;
// Ranges whose hi - lo is at most this (11 records or fewer) are finished by
// insertion sort.
constexpr unsigned kInsertionSortSpan = 10;
// Records up to this size are exchanged through a buffer on the stack.
constexpr unsigned kStackScratchSize = 64;

// One record's worth of scratch space: on the stack when small, else on the
// heap for the duration of the sort.
class Scratch {
 public:
  explicit Scratch(unsigned record_size)
      : heap_(record_size > kStackScratchSize ? _VRN_allocate(record_size) : nullptr) {}
  ~Scratch() { _VRN_free(heap_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  void* get() { return heap_ != nullptr ? heap_ : local_; }

 private:
  alignas(std::max_align_t) unsigned char local_[kStackScratchSize];
  void* heap_;
};

// The array being sorted and how two of its records are exchanged.
class Records {
 public:
  Records(void* base, unsigned record_size, _QS_swap_fn swap, void* scratch)
      : base_(static_cast<char*>(base)), size_(record_size), swap_(swap), scratch_(scratch) {}

  const void* at(unsigned i) const { return base_ + static_cast<size_t>(i) * size_; }

  void exchange(unsigned i, unsigned j) {
    if (i == j) return;
    if (swap_ != nullptr) {
      swap_(i, j, base_, size_, scratch_);
      return;
    }
    char* a = base_ + static_cast<size_t>(i) * size_;
    char* b = base_ + static_cast<size_t>(j) * size_;
    if (size_ == sizeof(dv4u)) {
      dv4u wa, wb;
      std::memcpy(&wa, a, sizeof wa);
      std::memcpy(&wb, b, sizeof wb);
      std::memcpy(a, &wb, sizeof wb);
      std::memcpy(b, &wa, sizeof wa);
      return;
    }
    std::memcpy(scratch_, a, size_);
    std::memcpy(a, b, size_);
    std::memcpy(b, scratch_, size_);
  }

 private:
  char* base_;
  unsigned size_;
  _QS_swap_fn swap_;
  void* scratch_;
};

struct Function_order {
  _QS_compare_fn fn;
  int operator()(const void* a, const void* b) const { return fn(a, b); }
};

struct Object_order {
  QS_compare* object;
  int operator()(const void* a, const void* b) const { return object->compare(a, b); }
};

// Compares two slots of a pointer array by the pointers they hold.
template <class Order>
struct Deref_order {
  Order inner;
  int operator()(const void* a, const void* b) const {
    return inner(*static_cast<void* const*>(a), *static_cast<void* const*>(b));
  }
};

// Sorts records lo..hi (lo <= hi). The larger part of every partition is
// handled by the loop, so the recursion depth stays within log2 of the count.
template <class Order>
void sort_range(Records& r, const Order& order, unsigned lo, unsigned hi) {
  while (hi - lo > kInsertionSortSpan) {
    dv4u pivot = lo + (static_cast<dv4u>(lo + hi) * kPivotMultiplier) % (hi - lo + 1);
    r.exchange(lo, pivot);

    // Records lo+1..d-1 end up not above the pivot, records i+1..hi not below.
    unsigned d = lo + 1;
    unsigned i = hi;
    for (;;) {
      while (d < i && order(r.at(lo), r.at(d)) > 0) ++d;
      while (d < i && order(r.at(lo), r.at(i)) < 0) --i;
      if (d >= i) break;
      r.exchange(d, i);
      ++d;
      --i;
    }
    if (order(r.at(lo), r.at(d)) < 0) --d;
    r.exchange(lo, d);

    if (hi - d < d - lo) {
      if (d < hi) sort_range(r, order, d + 1, hi);
      hi = d - 1;
    } else {
      if (d > lo) sort_range(r, order, lo, d - 1);
      lo = d + 1;
    }
  }
  for (unsigned p = lo + 1; p <= hi; ++p) {
    for (unsigned j = p; j > lo && order(r.at(j - 1), r.at(j)) > 0; --j) r.exchange(j - 1, j);
  }
}

template <class Order>
void quick_sort(void* base, unsigned count, unsigned record_size, const Order& order,
                _QS_swap_fn swap) {
  if (count < 2) return;
  Scratch scratch(record_size);
  Records records(base, record_size, swap, scratch.get());
  sort_range(records, order, 0, count - 1);
}

}  // namespace

void _Quick_sort(void* base, unsigned count, unsigned record_size, _QS_compare_fn compare,
                 _QS_swap_fn swap) {
  quick_sort(base, count, record_size, Function_order{compare}, swap);
}

void _Quick_sort(void* base, unsigned count, unsigned record_size, QS_compare& compare,
                 _QS_swap_fn swap) {
  quick_sort(base, count, record_size, Object_order{&compare}, swap);
}

void _Quick_sort(void* base, unsigned count, unsigned record_size, QS_compare* compare,
                 _QS_swap_fn swap) {
  quick_sort(base, count, record_size, Object_order{compare}, swap);
}

void _Quick_sort_deref(void* base, unsigned count, _QS_compare_fn compare) {
  quick_sort(base, count, sizeof(void*), Deref_order<Function_order>{{compare}}, nullptr);
}

void _Quick_sort_deref(void* base, unsigned count, QS_compare& compare) {
  quick_sort(base, count, sizeof(void*), Deref_order<Object_order>{{&compare}}, nullptr);
}

}  // namespace dv_qem
