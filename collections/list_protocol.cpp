// The collection protocol of the chained list: insertion checks and index
// upkeep, positional, element and cursor forms of insertion, removal,
// replacement and retrieval, searches, duplicates, clearing and the
// self-check.
#include "coll_messages.h"
#include "dv_coll_err.h"
#include "dv_indexes.h"
#include "list_storage.h"

namespace dv_qem {

namespace {
using block = dv_chained_list_block;
constexpr unsigned no_slot = 0xFFFFFFFFu;

bool positioned(const _Chained_list_cursor& c) {
  return !c.null() && c.subscr_in_block() != _Chained_list_cursor::no_position;
}
}  // namespace

dv_chained_list::dv_chained_list(unsigned, unsigned behavior) {
  if (behavior & dv_list_refuses_duplicates) {
    set_disallow_duplicates(1);
    set_signal_duplicates((behavior & dv_signal_duplicates) != 0);
  }
}

block* dv_chained_list::position_of(unsigned p, unsigned& local) const {
  if (p < local_card_) {
    local = p;
    return nullptr;
  }
  local = p - local_card_;
  block* first = entered(next_block(), nullptr);
  if (first == nullptr) internal_error("position beyond the head without blocks");
  return first->block_containing_nth(*this, local);
}

int dv_chained_list::do_insert_checks(const void* e) const {
  if (disallow_duplicates() && _contains(e)) {
    if (signal_duplicates()) dv_coll_raise<coll_msg::insert_duplicate>(e);
    return 0;
  }
  if (e == nullptr) dv_coll_raise<coll_msg::insert_null>();
  return 1;
}

unsigned dv_chained_list::_get_behavior() const {
  if (!disallow_duplicates()) return dv_allow_duplicates | dv_maintain_order;
  return dv_list_refuses_duplicates | dv_maintain_order | (signal_duplicates() ? unsigned{dv_signal_duplicates} : 0u);
}

// ---- insertion ------------------------------------------------------------------------------

void dv_chained_list::__insert_last(const void* e) {
  if (has_blocks()) {
    find_last_block()->insert_last(*this, e);
  } else if (local_card_ < max_local_card()) {
    first_free_ptr() = const_cast<void*>(e);
    inc_local_card();
  } else {
    allocate_new_block(nullptr)->insert_after_local(*this, e, 0, nullptr);
  }
  inc_cardinality(1);
}

void dv_chained_list::_insert(const void* e) {
  if (!do_insert_checks(e)) return;
  index_insert(e);
  __insert_last(e);
}

void dv_chained_list::_insert_last(const void* e) { dv_chained_list::_insert(e); }

void dv_chained_list::_insert_first(const void* e) {
  if (!do_insert_checks(e)) return;
  index_insert(e);
  insert_before_local(e, 0, nullptr);
  inc_cardinality(1);
}

void dv_chained_list::_insert_after(const void* e, unsigned position) {
  if (!do_insert_checks(e)) return;
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::insert_after_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  index_insert(e);
  unsigned local;
  if (block* b = position_of(position, local))
    b->insert_after_local(*this, e, local, nullptr);
  else
    insert_after_local(e, local, nullptr);
  inc_cardinality(1);
}

void dv_chained_list::_insert_before(const void* e, unsigned position) {
  if (!do_insert_checks(e)) return;
  if (cardinality_ == 0 || position > cardinality_)
    dv_coll_raise<coll_msg::insert_before_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  index_insert(e);
  if (position == cardinality_) {
    __insert_last(e);
    return;
  }
  unsigned local;
  if (block* b = position_of(position, local))
    b->insert_before_local(*this, e, local, nullptr);
  else
    insert_before_local(e, local, nullptr);
  inc_cardinality(1);
}

void dv_chained_list::_insert_after(const void* e, const dv_cursor& cursor) {
  if (!do_insert_checks(e)) return;
  cursor.check_cast(*this);
  auto& c = _Chained_list_cursor::of(cursor);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::insert_after_illegal_cursor>();
  if (!positioned(c)) dv_coll_raise<coll_msg::insert_after_null_cursor>();
  index_insert(e);
  if (block* b = c.current_block())
    b->insert_after_local(*this, e, c.subscr_in_block(), &c);
  else
    insert_after_local(e, c.subscr_in_block(), &c);
  inc_cardinality(1);
}

void dv_chained_list::_insert_before(const void* e, const dv_cursor& cursor) {
  if (!do_insert_checks(e)) return;
  cursor.check_cast(*this);
  auto& c = _Chained_list_cursor::of(cursor);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::insert_before_illegal_cursor>();
  if (!positioned(c)) dv_coll_raise<coll_msg::insert_before_null_cursor>();
  index_insert(e);
  if (block* b = c.current_block())
    b->insert_before_local(*this, e, c.subscr_in_block(), &c);
  else
    insert_before_local(e, c.subscr_in_block(), &c);
  inc_cardinality(1);
}

// ---- removal --------------------------------------------------------------------------------

void dv_chained_list::remove_local(block* b, unsigned local, _Chained_list_cursor* c) {
  const void* e = (b != nullptr ? b->ptr(local) : ptr(local)).resolve();
  if (b != nullptr)
    b->remove_at_local(*this, local, c);
  else
    move_ptrs_up(local, c);
  dec_cardinality(1);
  if (indexes_ != nullptr) maintain_index_remove(indexes_, e);
}

int dv_chained_list::_remove(const void* e) {
  unsigned local = contains_local(e);
  block* b = nullptr;
  if (local == no_slot) {
    block* first = next_block();
    b = first != nullptr ? first->contains(*this, e, local) : nullptr;
    if (b == nullptr) return 0;
  }
  remove_local(b, local, nullptr);
  return 1;
}

int dv_chained_list::_remove_first(const void*& out) {
  if (cardinality_ == 0) {
    out = nullptr;
    return 0;
  }
  block* b = local_card_ > 0 ? nullptr : next_block();
  out = (b != nullptr ? b->ptr(0) : ptr(0)).resolve();
  remove_local(b, 0, nullptr);
  return 1;
}

int dv_chained_list::_remove_last(const void*& out) {
  if (cardinality_ == 0) {
    out = nullptr;
    return 0;
  }
  block* b = local_card_ == cardinality_ ? nullptr : find_last_block();
  const unsigned last = (b != nullptr ? b->local_card() : local_card_) - 1;
  out = (b != nullptr ? b->ptr(last) : ptr(last)).resolve();
  remove_local(b, last, nullptr);
  return 1;
}

void dv_chained_list::_remove_at(unsigned position) {
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::remove_at_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  unsigned local;
  block* b = position_of(position, local);
  remove_local(b, local, nullptr);
}

void dv_chained_list::_remove_at(const dv_cursor& cursor) {
  cursor.check_cast(*this);
  auto& c = _Chained_list_cursor::of(cursor);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::remove_at_deleted_element>();
  if (!positioned(c)) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  remove_local(c.current_block(), c.subscr_in_block(), &c);
}

int dv_chained_list::_remove_all(const void* e) {
  // A private cursor walks the list; each removal leaves it on the
  // predecessor, so the walk goes on with the successor.
  dv_cursor c;
  int removed = 0;
  void* element = nullptr;
  for (int more = _first(c, element); more; more = _next(c, element)) {
    if (element != e) continue;
    _remove_at(c);
    removed = 1;
  }
  return removed;
}

void dv_chained_list::remove_dups() {
  // Walks from the last element to the first; an element whose first
  // occurrence lies elsewhere (before it) goes.
  dv_cursor walk;
  auto& c = _Chained_list_cursor::of(walk);
  void* e = nullptr;
  for (int more = _last(walk, e); more; more = _previous(walk, e)) {
    unsigned slot = contains_local(e);
    block* holder = nullptr;
    if (slot == no_slot) holder = next_block()->contains(*this, e, slot);
    if (holder != c.current_block() || slot != c.subscr_in_block()) _remove_at(walk);
  }
}

void dv_chained_list::_clear() {
  if (indexes_ != nullptr) {
    dv_cursor walk;
    void* e = nullptr;
    for (int more = _first(walk, e); more; more = _next(walk, e)) maintain_index_remove_for_sure(indexes_, e);
  }
  while (block* b = next_block()) delete_block(b);
  for (unsigned i = 0; i < num_ptrs_in_head(); ++i) ptr(i) = nullptr;
  local_card_ = 0;
  cardinality_ = 0;
  set_blocks(0);
}

// ---- replacement and retrieval --------------------------------------------------------------

void* dv_chained_list::replace_slot(dv_coll_ptr& slot, const void* e) {
  void* old = slot.resolve();
  slot = const_cast<void*>(e);
  if (indexes_ == nullptr) return old;
  // The old element leaves the indexes and e enters them; on a failure the
  // slot and the indexes are as they were.
  try {
    maintain_index_remove(indexes_, old);
  } catch (...) {
    slot = old;
    throw;
  }
  try {
    maintain_index_insert(indexes_, e, 0);
  } catch (...) {
    slot = old;
    maintain_index_insert(indexes_, old, 0);
    throw;
  }
  return old;
}

void* dv_chained_list::_replace_at(const void* e, unsigned position) {
  if (!do_insert_checks(e)) return nullptr;
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::replace_at_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  unsigned local;
  block* b = position_of(position, local);
  return replace_slot(b != nullptr ? b->ptr(local) : ptr(local), e);
}

void* dv_chained_list::_replace_at(const void* e, const dv_cursor& cursor) {
  if (!do_insert_checks(e)) return nullptr;
  cursor.check_cast(*this);
  auto& c = _Chained_list_cursor::of(cursor);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::replace_at_deleted_element>();
  if (!positioned(c)) dv_coll_raise<coll_msg::replace_at_null_cursor>();
  block* b = c.current_block();
  return replace_slot(b != nullptr ? b->ptr(c.subscr_in_block()) : ptr(c.subscr_in_block()), e);
}

void* dv_chained_list::_retrieve(unsigned position) const {
  if (position >= cardinality_)
    dv_coll_raise<coll_msg::retrieve_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  unsigned local;
  const block* b = position_of(position, local);
  return b != nullptr ? b->retrieve(local) : ptr(local).resolve();
}

void* dv_chained_list::_retrieve(const dv_cursor& cursor) const {
  cursor.check_cast(*this);
  auto& c = _Chained_list_cursor::of(cursor);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::retrieve_at_removed_element>();
  if (!positioned(c)) dv_coll_raise<coll_msg::retrieve_on_null_cursor>();
  const block* b = c.current_block();
  return b != nullptr ? b->retrieve(c.subscr_in_block()) : ptr(c.subscr_in_block()).resolve();
}

int dv_chained_list::_retrieve_first(const void*& out) const {
  if (cardinality_ == 0) return 0;
  out = _pick();
  return 1;
}

int dv_chained_list::_retrieve_last(const void*& out) const {
  if (cardinality_ == 0) return 0;
  if (local_card_ == cardinality_) {
    out = ptr(local_card_ - 1).resolve();
  } else {
    const block* last = find_last_block();
    out = last->retrieve(last->local_card() - 1);
  }
  return 1;
}

void* dv_chained_list::_pick() const {
  if (cardinality_ == 0) return nullptr;
  return local_card_ > 0 ? ptr(0).resolve() : next_block()->pick();
}

void* dv_chained_list::_only() const { return _pick(); }

// ---- searches -------------------------------------------------------------------------------

int dv_chained_list::_contains(const void* e) const {
  if (contains_local(e) != no_slot) return 1;
  unsigned slot = 0;
  const block* first = next_block();
  return first != nullptr && first->contains(*this, e, slot) != nullptr;
}

int dv_chained_list::_count(const void* e) const {
  const block* first = next_block();
  return static_cast<int>(count_local(e) + (first != nullptr ? first->count(*this, e) : 0));
}

// ---- self-check -----------------------------------------------------------------------------

void dv_chained_list::_check_rep_invariants() const {
  if (local_card_ > num_ptrs_in_head()) dv_coll_raise<coll_msg::list_header_cardinality>();
  unsigned sum = local_card_;
  unsigned blocks = 0;
  const void* expected_previous = this;
  const block* reached = nullptr;
  for (const block* b = next_block(); b != nullptr; b = b->next_block(*this)) {
    if (b->previous() != expected_previous || (b->prev_is_root() != 0) != (expected_previous == this))
      dv_coll_raise<coll_msg::block_previous_pointer>();
    if (b->local_card() == 0) dv_coll_raise<coll_msg::empty_block>();
    if (b->local_card() > num_ptrs_in_blocks()) dv_coll_raise<coll_msg::block_cardinality>();
    if (++blocks > cardinality_) _Coll_internal_error("the block chain does not end");
    sum += b->local_card();
    expected_previous = b;
    reached = b;
  }
  if (sum != cardinality_) dv_coll_raise<coll_msg::stored_cardinality>();
  if (reached != find_last_block() ||
      (blocks > 1 && reached->ptr(num_ptrs_in_blocks() - 1) != static_cast<const void*>(next_block())))
    _Coll_internal_error("the block ring is not closed through the last block");
  if (indexes_ != nullptr) indexes_->_check_rep_invariants();
}

}  // namespace dv_qem
