// The slot array of a packed list: its allocation, the free-run marks, walking
// the element slots, taking and releasing slots, growth and compaction.
#include <new>

#include "coll_messages.h"
#include "dv_array.h"
#include "dv_coll_err.h"
#include "dv_new.h"

namespace dv_qem {

namespace {

// The slot a free-run mark points at.
dv_coll_ptr* mark_of(const dv_coll_ptr* p) { return static_cast<dv_coll_ptr*>(p->resolve()); }

void* block_of(dv_coll_ptr* slots) { return reinterpret_cast<char*>(slots) - sizeof(dv4u); }

}  // namespace

dv_coll_ptr* dv_packed_list::allocate_slots(unsigned count) {
  // One count word, then the slots: the allocator keeps the count word as the
  // array's vector header and relocates every slot behind it.
  void* block = ::operator new(sizeof(dv4u) + count * sizeof(dv_coll_ptr), dv_cluster::with(this),
                               dv_coll_ptr::get_dv_typespec(), count);
  if (block == nullptr) _Coll_internal_error("no slot array could be allocated");
  *static_cast<dv4u*>(block) = count;
  auto* slots = reinterpret_cast<dv_coll_ptr*>(static_cast<char*>(block) + sizeof(dv4u));
  for (unsigned i = 0; i < count; ++i) ::new (static_cast<void*>(slots + i)) dv_coll_ptr();
  return slots;
}

void dv_packed_list::free_slots(dv_coll_ptr* slots) {
  if (slots != nullptr) ::operator delete(block_of(slots));
}

unsigned dv_packed_list::_set_size(unsigned n) {
  capacity_ = n >= 5 ? n : 5;
  half_capacity_ = capacity_ / 2;
  return capacity_;
}

// ---- free-run marks --------------------------------------------------------------

void dv_packed_list::_make_free_block(dv_coll_ptr* a, dv_coll_ptr* b) {
  dv_coll_ptr* end = slots_ + capacity_;
  if (a > b || a < slots_ || b >= end) _Coll_internal_error("free run outside the slot array");
  *a = b;
  *b = a;
}

int dv_packed_list::_free_slot_header(const dv_coll_ptr* p) const {
  const dv_coll_ptr* end = slots_ + capacity_;
  if (p < slots_ || p >= end) return 0;
  const dv_coll_ptr* q = mark_of(p);
  return q >= p && q < end;
}

int dv_packed_list::_free_slot_trailer(const dv_coll_ptr* p) const {
  if (p < slots_ || p >= slots_ + capacity_) return 0;
  const dv_coll_ptr* q = mark_of(p);
  return q <= p && q >= slots_;
}

// ---- walking ------------------------------------------------------------------

dv_coll_ptr* dv_packed_list::_first_slot() const {
  dv_coll_ptr* p = slots_;
  if (!_free_slot_header(p)) return p;
  p = mark_of(p) + 1;
  return p < slots_ + capacity_ ? p : nullptr;
}

dv_coll_ptr* dv_packed_list::_next_slot(dv_coll_ptr* p) const {
  dv_coll_ptr* end = slots_ + capacity_;
  dv_coll_ptr* q = p != nullptr ? p + 1 : slots_;
  if (q >= end) return nullptr;
  if (_free_slot_header(q)) q = mark_of(q) + 1;
  return q < end ? q : nullptr;
}

dv_coll_ptr* dv_packed_list::_previous_slot(dv_coll_ptr* p) const {
  dv_coll_ptr* q = p != nullptr ? p - 1 : slots_ + capacity_ - 1;
  if (q < slots_) return nullptr;
  if (_free_slot_trailer(q)) q = mark_of(q) - 1;
  return q >= slots_ ? q : nullptr;
}

dv_coll_ptr* dv_packed_list::_last_slot() const {
  if (cardinality_ == 0) return nullptr;
  dv_coll_ptr* p = slots_ + cardinality_ - 1;
  if (_free_slot_trailer(p)) p = mark_of(p) - 1;
  return p >= slots_ ? p : nullptr;
}

dv_coll_ptr* dv_packed_list::_find_slot(unsigned position) const {
  return position < capacity_ ? slots_ + position : nullptr;
}

// Elements fill the leading slots, so positions and slots map directly.
unsigned dv_packed_list::_slot_pos(const dv_coll_ptr* slot) const {
  if (slot < slots_ || slot >= slots_ + cardinality_) _Coll_internal_error("slot holds no element");
  return static_cast<unsigned>(slot - slots_);
}

dv_coll_ptr* dv_packed_list::_pos_slot(unsigned position) const {
  if (position >= cardinality_) _Coll_internal_error("position holds no element");
  return slots_ + position;
}

dv_coll_ptr* dv_packed_list::_containing_slot(const void* e) const {
  for (dv_coll_ptr *p = slots_, *end = slots_ + cardinality_; p < end; ++p)
    if (*p == e) return p;
  return nullptr;
}

// ---- taking and releasing slots --------------------------------------------------

dv_coll_ptr* dv_packed_list::_alloc_next_free_slot(dv_coll_ptr* after) {
  dv_coll_ptr* end = slots_ + capacity_;
  dv_coll_ptr* p = after != nullptr ? after + 1 : slots_;
  while (p < end && !_free_slot_header(p)) ++p;
  if (p >= end) return nullptr;
  dv_coll_ptr* trailer = mark_of(p);
  ++cardinality_;
  if (trailer > p) _make_free_block(p + 1, trailer);
  if (high_water_ == nullptr || p > high_water_) high_water_ = p;
  *p = nullptr;
  return p;
}

void dv_packed_list::_shuffle_down(dv_coll_ptr* from, dv_coll_ptr* to, dv_cursor* c) {
  for (dv_coll_ptr* p = to; p > from; --p) *p = *(p - 1);
  if (c == nullptr) return;
  dv_coll_ptr* at = cursor_slot(*c);
  if (at == nullptr || at < from || at > to) return;
  dv_coll_ptr* moved = _next_slot(at);
  set_cursor_slot(*c, moved);
  c->set_more(moved != nullptr);
}

void dv_packed_list::_dealloc_slot(dv_coll_ptr* slot, dv_cursor* c) {
  dv_coll_ptr* end = slots_ + capacity_;
  dv_coll_ptr* hw = high_water_;
  if (hw == nullptr || slot < slots_ || slot > hw) _Coll_internal_error("released slot holds no element");
  dv_coll_ptr* cursor_at = c != nullptr ? cursor_slot(*c) : nullptr;
  --cardinality_;
  if (slot != hw)
    for (dv_coll_ptr* p = slot; p < hw; ++p) *p = *(p + 1);
  // The old high-water slot is free now: join it with the run after it.
  dv_coll_ptr* follower = hw + 1;
  if (follower < end) {
    if (!_free_slot_header(follower)) _Coll_internal_error("no free run after the last element");
    dv_coll_ptr* trailer = mark_of(follower);
    _make_free_block(hw, trailer);
    if (trailer != follower) *follower = nullptr;
  } else {
    _make_free_block(hw, hw);
  }
  high_water_ = hw > slots_ ? hw - 1 : nullptr;
  if (slot != hw && cursor_at != nullptr && cursor_at > slot) {
    dv_coll_ptr* back = _previous_slot(cursor_at);
    set_cursor_slot(*c, back);
    c->set_more(back != nullptr);
  }
}

// ---- growth, compaction, clearing --------------------------------------------------

void dv_packed_list::_grow(unsigned size, dv_cursor* c) {
  unsigned new_capacity = size != 0 ? size : capacity_ + capacity_ / 2;
  if (new_capacity < 5) new_capacity = 5;
  if (new_capacity < cardinality_) dv_coll_raise<coll_msg::growth_below_cardinality>(new_capacity, cardinality_);
  _adjust(new_capacity, c);
}

void dv_packed_list::_adjust(unsigned new_capacity, dv_cursor* c) {
  if (new_capacity < cardinality_) _Coll_internal_error("new capacity below the cardinality");
  if (new_capacity <= cardinality_) _Coll_internal_error("no free slot would remain");
  normalize_cursor(c);
  dv_coll_ptr* fresh = allocate_slots(new_capacity);
  for (unsigned i = 0; i < cardinality_; ++i) fresh[i] = slots_[i];
  dv_coll_ptr* old = slots_;
  slots_ = fresh;
  _set_size(new_capacity);
  high_water_ = cardinality_ > 0 ? slots_ + cardinality_ - 1 : nullptr;
  _make_free_block(slots_ + cardinality_, slots_ + capacity_ - 1);
  denormalize_cursor(c);
  free_slots(old);
}

void dv_packed_list::_compact(dv_cursor* c) {
  if (cardinality_ == capacity_) return;
  normalize_cursor(c);
  dv_coll_ptr* write = slots_;
  for (dv_coll_ptr* p = _first_slot(); p != nullptr && write < slots_ + cardinality_; p = _next_slot(p)) *write++ = *p;
  high_water_ = write > slots_ ? write - 1 : nullptr;
  _make_free_block(write, slots_ + capacity_ - 1);
  denormalize_cursor(c);
}

void dv_packed_list::__clear() {
  for (unsigned i = 0; i < capacity_; ++i) slots_[i] = nullptr;
  _make_free_block(slots_, slots_ + capacity_ - 1);
  cardinality_ = 0;
  high_water_ = nullptr;
}

void dv_packed_list::_clear_contents_and_indexes() {
  if (indexes_ != nullptr)
    for (unsigned i = 0; i < cardinality_; ++i) maintain_index_remove_for_sure(indexes_, slots_[i]);
  __clear();
}

void dv_packed_list::_re_initialize(unsigned size) {
  if (cardinality_ != 0) return;
  unsigned old_capacity = capacity_;
  _set_size(size);
  dv_coll_ptr* fresh;
  try {
    fresh = allocate_slots(capacity_);
  } catch (...) {
    _set_size(old_capacity);
    throw;
  }
  free_slots(slots_);
  slots_ = fresh;
  __clear();
}

}  // namespace dv_qem
