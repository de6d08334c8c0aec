// The packed list's construction and its element operations: insertion and
// removal by position and by value, retrieval, replacement, the self-check.
#include "coll_messages.h"
#include "dv_array.h"
#include "dv_coll_err.h"

namespace dv_qem {

dv_packed_list::dv_packed_list(unsigned size) {
  _set_size(size);
  slots_ = allocate_slots(capacity_);
  __clear();
  indexes_ = nullptr;
}

dv_packed_list::~dv_packed_list() {
  if (slots_ == nullptr) return;
  if (indexes_ != nullptr)
    for (unsigned i = 0; i < cardinality_; ++i) maintain_index_remove(indexes_, slots_[i]);
  free_slots(slots_);
  slots_ = nullptr;
}

void dv_packed_list::index_insert(const void* e) {
  if (indexes_ != nullptr) maintain_index_insert(indexes_, e, 0);
}

void dv_packed_list::index_remove(const void* e) {
  if (indexes_ != nullptr) maintain_index_remove(indexes_, e);
}

void dv_packed_list::insert_at(const void* e, unsigned position, dv_cursor* c) {
  index_insert(e);
  auto after = [&] { return position == 0 ? nullptr : slots_ + position - 1; };
  dv_coll_ptr* free_slot = _alloc_next_free_slot(after());
  if (free_slot == nullptr) {
    if (cardinality_ == capacity_)
      _grow(0, c);
    else
      _compact(c);
    free_slot = _alloc_next_free_slot(after());
    if (free_slot == nullptr) _Coll_internal_error("no free slot after growth");
  }
  _shuffle_down(slots_ + position, free_slot, c);
  slots_[position] = const_cast<void*>(e);
}

// ---- insertion -------------------------------------------------------------------

void dv_packed_list::_insert(const void* e) { insert_at(e, cardinality_, nullptr); }

void dv_packed_list::_insert_last(const void* e) { _insert(e); }

void dv_packed_list::_insert_first(const void* e) { insert_at(e, 0, nullptr); }

void dv_packed_list::_insert_after(const void* e, unsigned position) {
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::insert_after_out_of_range>(position, cardinality_);
  insert_at(e, position + 1, nullptr);
}

void dv_packed_list::_insert_before(const void* e, unsigned position) {
  if (cardinality_ == 0 || position > cardinality_)
    dv_coll_raise<coll_msg::insert_before_out_of_range>(position, cardinality_);
  if (position == cardinality_)
    _insert_last(e);
  else
    insert_at(e, position, nullptr);
}

// ---- removal ---------------------------------------------------------------------

int dv_packed_list::_remove(const void* e) {
  dv_coll_ptr* slot = _containing_slot(e);
  if (slot == nullptr) return 0;
  _dealloc_slot(slot, nullptr);
  index_remove(e);
  return 1;
}

int dv_packed_list::_remove_all(const void* e) {
  int removed = 0;
  // A release moves the following elements up: look at the same slot again.
  for (unsigned i = 0; i < cardinality_;) {
    if (slots_[i] == e) {
      _dealloc_slot(slots_ + i, nullptr);
      index_remove(e);
      removed = 1;
    } else {
      ++i;
    }
  }
  return removed;
}

int dv_packed_list::_remove_first(const void*& out) {
  if (cardinality_ == 0) return 0;
  out = slots_[0];
  _remove_at(0u);
  return 1;
}

int dv_packed_list::_remove_last(const void*& out) {
  if (cardinality_ == 0) return 0;
  out = slots_[cardinality_ - 1];
  _remove_at(cardinality_ - 1);
  return 1;
}

void dv_packed_list::_remove_at(unsigned position) {
  if (position >= cardinality_) dv_coll_raise<coll_msg::remove_at_out_of_range>(position, cardinality_);
  void* e = slots_[position];
  _dealloc_slot(slots_ + position, nullptr);
  index_remove(e);
}

void dv_packed_list::_clear() { _clear_contents_and_indexes(); }

// ---- retrieval and replacement ------------------------------------------------------

void* dv_packed_list::_pick() const { return cardinality_ == 0 ? nullptr : slots_[0].resolve(); }

void* dv_packed_list::_only() const { return _pick(); }

int dv_packed_list::_retrieve_first(const void*& out) const {
  out = cardinality_ == 0 ? nullptr : slots_[0].resolve();
  return cardinality_ != 0;
}

int dv_packed_list::_retrieve_last(const void*& out) const {
  out = cardinality_ == 0 ? nullptr : slots_[cardinality_ - 1].resolve();
  return cardinality_ != 0;
}

void* dv_packed_list::_retrieve(unsigned position) const {
  if (position >= cardinality_) dv_coll_raise<coll_msg::retrieve_out_of_range>(position, cardinality_);
  return slots_[position];
}

void* dv_packed_list::_replace_at(const void* e, unsigned position) {
  if (position >= cardinality_) dv_coll_raise<coll_msg::replace_at_out_of_range>(position, cardinality_);
  void* old = slots_[position];
  slots_[position] = const_cast<void*>(e);
  return old;
}

int dv_packed_list::_contains(const void* e) const { return _containing_slot(e) != nullptr; }

int dv_packed_list::_count(const void* e) const {
  int n = 0;
  for (unsigned i = 0; i < cardinality_; ++i) n += slots_[i] == e;
  return n;
}

// ---- self-check ------------------------------------------------------------------

void dv_packed_list::_check_rep_invariants() const {
  if (capacity_ == 0 || cardinality_ > capacity_ || slots_ == nullptr ||
      *reinterpret_cast<const dv4u*>(reinterpret_cast<const char*>(slots_) - sizeof(dv4u)) != capacity_)
    dv_coll_raise<coll_msg::list_size>();
  // Every step moves forward, so the walk ends within capacity steps.
  unsigned walked = 0;
  dv_coll_ptr* last = nullptr;
  for (dv_coll_ptr* p = _first_slot(); p != nullptr; p = _next_slot(p)) {
    last = p;
    ++walked;
  }
  if (last != high_water_) dv_coll_raise<coll_msg::list_tail>();
  if (walked != cardinality_) dv_coll_raise<coll_msg::list_cardinality>();
}

}  // namespace dv_qem
