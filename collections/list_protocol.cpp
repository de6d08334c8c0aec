// The collection protocol of the chained list: insertion checks, positional,
// element and cursor forms of insertion, removal, replacement and retrieval,
// searches, clearing and the self-check.
#include "coll_messages.h"
#include "dv_coll_err.h"
#include "dv_list.h"
#include "list_storage.h"

namespace dv_qem {

namespace {
using S = _List_storage;
using block = _List_block;

// The container and local slot of position p (p < cardinality).
void position_of(const dv_list& l, unsigned p, block*& b, unsigned& local) {
  if (p < l.head_count()) {
    b = nullptr;
    local = p;
  } else {
    S::locate(l, p, b, local);
  }
}

bool positioned(const dv_cursor& c) { return !c.null() && S::cursor_slot(c) != S::no_position; }
}  // namespace

_List_block* dv_list::first_block() const {
  if ((flags_ & has_blocks_bit) == 0) return nullptr;
  auto* last = static_cast<_List_block*>(slots_[head_slots - 1].resolve());
  return last->is_last() ? static_cast<_List_block*>(last->slots_[block_slots - 1].resolve()) : last;
}

_List_block* dv_list::last_block() const {
  return (flags_ & has_blocks_bit) != 0 ? static_cast<_List_block*>(slots_[head_slots - 1].resolve()) : nullptr;
}

int dv_list::do_insert_checks(const void* e) const {
  if ((flags_ & disallow_duplicates_bit) != 0 && _contains(e)) {
    if ((flags_ & signal_duplicates_bit) != 0) dv_coll_raise<coll_msg::insert_duplicate>(e);
    return 0;
  }
  if (e == nullptr) dv_coll_raise<coll_msg::insert_null>();
  return 1;
}

unsigned dv_list::_get_behavior() const {
  if ((flags_ & disallow_duplicates_bit) == 0) return dv_allow_duplicates | dv_maintain_order;
  return dv_list_refuses_duplicates | dv_maintain_order | ((flags_ & signal_duplicates_bit) != 0 ? unsigned{dv_signal_duplicates} : 0u);
}

// ---- insertion ------------------------------------------------------------------------------

void dv_list::append(const void* e) {
  S::insert_last(*this, e);
  ++cardinality_;
}

void dv_list::_insert(const void* e) {
  if (do_insert_checks(e)) append(e);
}

void dv_list::_insert_last(const void* e) {
  if (do_insert_checks(e)) append(e);
}

void dv_list::_insert_first(const void* e) {
  if (!do_insert_checks(e)) return;
  S::insert_before_local(*this, nullptr, e, 0, nullptr);
  ++cardinality_;
}

void dv_list::_insert_after(const void* e, unsigned position) {
  if (!do_insert_checks(e)) return;
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::insert_after_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  block* b;
  unsigned local;
  position_of(*this, position, b, local);
  S::insert_after_local(*this, b, e, local, nullptr);
  ++cardinality_;
}

void dv_list::_insert_before(const void* e, unsigned position) {
  if (!do_insert_checks(e)) return;
  if (cardinality_ == 0 || position > cardinality_)
    dv_coll_raise<coll_msg::insert_before_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  if (position == cardinality_) {
    append(e);
    return;
  }
  block* b;
  unsigned local;
  position_of(*this, position, b, local);
  S::insert_before_local(*this, b, e, local, nullptr);
  ++cardinality_;
}

void dv_list::_insert_after(const void* e, const dv_cursor& c) {
  if (!do_insert_checks(e)) return;
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::insert_after_illegal_cursor>();
  if (!positioned(c)) dv_coll_raise<coll_msg::insert_after_null_cursor>();
  auto& cursor = const_cast<dv_cursor&>(c);
  S::insert_after_local(*this, S::cursor_block(c), e, S::cursor_slot(c), &cursor);
  ++cardinality_;
}

void dv_list::_insert_before(const void* e, const dv_cursor& c) {
  if (!do_insert_checks(e)) return;
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::insert_before_illegal_cursor>();
  if (!positioned(c)) dv_coll_raise<coll_msg::insert_before_null_cursor>();
  auto& cursor = const_cast<dv_cursor&>(c);
  S::insert_before_local(*this, S::cursor_block(c), e, S::cursor_slot(c), &cursor);
  ++cardinality_;
}

// ---- removal --------------------------------------------------------------------------------

int dv_list::_remove(const void* e) {
  unsigned i = S::find_local(*this, nullptr, e);
  block* b = nullptr;
  for (block* next = first_block(); i == S::no_position && next != nullptr; next = next->next_block()) {
    b = next;
    i = S::find_local(*this, b, e);
  }
  if (i == S::no_position) return 0;
  S::remove_local(*this, b, i, nullptr);
  --cardinality_;
  return 1;
}

int dv_list::_remove_first(const void*& out) {
  if (cardinality_ == 0) {
    out = nullptr;
    return 0;
  }
  block* b = local_card_ > 0 ? nullptr : first_block();
  out = S::slots(*this, b)[0].resolve();
  S::remove_local(*this, b, 0, nullptr);
  --cardinality_;
  return 1;
}

int dv_list::_remove_last(const void*& out) {
  if (cardinality_ == 0) {
    out = nullptr;
    return 0;
  }
  block* b = local_card_ == cardinality_ ? nullptr : last_block();
  unsigned last = S::count(*this, b) - 1;
  out = S::slots(*this, b)[last].resolve();
  S::remove_local(*this, b, last, nullptr);
  --cardinality_;
  return 1;
}

void dv_list::_remove_at(unsigned position) {
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::remove_at_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  block* b;
  unsigned local;
  position_of(*this, position, b, local);
  S::remove_local(*this, b, local, nullptr);
  --cardinality_;
}

void dv_list::_remove_at(const dv_cursor& c) {
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::remove_at_deleted_element>();
  if (!positioned(c)) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  auto& cursor = const_cast<dv_cursor&>(c);
  S::remove_local(*this, S::cursor_block(c), S::cursor_slot(c), &cursor);
  --cardinality_;
}

int dv_list::_remove_all(const void* e) {
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

void dv_list::_clear() {
  S::clear(*this);
  cardinality_ = 0;
}

// ---- replacement and retrieval --------------------------------------------------------------

void* dv_list::_replace_at(const void* e, unsigned position) {
  if (!do_insert_checks(e)) return nullptr;
  if (cardinality_ == 0 || position > cardinality_ - 1)
    dv_coll_raise<coll_msg::replace_at_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  block* b;
  unsigned local;
  position_of(*this, position, b, local);
  dv_coll_ptr& slot = S::slots(*this, b)[local];
  void* old = slot.resolve();
  slot = const_cast<void*>(e);
  return old;
}

void* dv_list::_replace_at(const void* e, const dv_cursor& c) {
  if (!do_insert_checks(e)) return nullptr;
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::replace_at_deleted_element>();
  if (!positioned(c)) dv_coll_raise<coll_msg::replace_at_null_cursor>();
  dv_coll_ptr& slot = S::slots(*this, S::cursor_block(c))[S::cursor_slot(c)];
  void* old = slot.resolve();
  slot = const_cast<void*>(e);
  return old;
}

void* dv_list::_retrieve(unsigned position) const {
  if (position >= cardinality_)
    dv_coll_raise<coll_msg::retrieve_out_of_range>(static_cast<int>(position), static_cast<int>(cardinality_));
  block* b;
  unsigned local;
  position_of(*this, position, b, local);
  return S::slots(*this, b)[local].resolve();
}

void* dv_list::_retrieve(const dv_cursor& c) const {
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::retrieve_at_removed_element>();
  if (!positioned(c)) dv_coll_raise<coll_msg::retrieve_on_null_cursor>();
  return S::slots(*this, S::cursor_block(c))[S::cursor_slot(c)].resolve();
}

int dv_list::_retrieve_first(const void*& out) const {
  if (cardinality_ == 0) return 0;
  out = _pick();
  return 1;
}

int dv_list::_retrieve_last(const void*& out) const {
  if (cardinality_ == 0) return 0;
  const block* b = local_card_ == cardinality_ ? nullptr : last_block();
  out = S::slots(*this, b)[S::count(*this, b) - 1].resolve();
  return 1;
}

void* dv_list::_pick() const {
  if (cardinality_ == 0) return nullptr;
  return local_card_ > 0 ? slots_[0].resolve() : first_block()->slots_[0].resolve();
}

void* dv_list::_only() const { return _pick(); }

// ---- searches -------------------------------------------------------------------------------

int dv_list::_contains(const void* e) const {
  if (S::find_local(*this, nullptr, e) != S::no_position) return 1;
  for (const block* b = first_block(); b != nullptr; b = b->next_block())
    if (S::find_local(*this, b, e) != S::no_position) return 1;
  return 0;
}

int dv_list::_count(const void* e) const {
  int n = 0;
  for (unsigned i = 0; i < local_card_; ++i) n += slots_[i] == e;
  for (const block* b = first_block(); b != nullptr; b = b->next_block())
    for (unsigned i = 0; i < b->local_card_; ++i) n += b->slots_[i] == e;
  return n;
}

// ---- self-check -----------------------------------------------------------------------------

void dv_list::_check_rep_invariants() const {
  if (local_card_ > num_ptrs_in_head()) dv_coll_raise<coll_msg::list_header_cardinality>();
  unsigned sum = local_card_;
  unsigned blocks = 0;
  const void* expected_previous = this;
  const block* reached = nullptr;
  for (const block* b = first_block(); b != nullptr; b = b->next_block()) {
    if (b->previous_ != expected_previous || (b->prev_is_root() != 0) != (expected_previous == this))
      dv_coll_raise<coll_msg::block_previous_pointer>();
    if (b->local_card_ == 0) dv_coll_raise<coll_msg::empty_block>();
    if (b->local_card_ > b->max_local_card()) dv_coll_raise<coll_msg::block_cardinality>();
    if (++blocks > cardinality_) _Coll_internal_error("the block chain does not end");
    sum += b->local_card_;
    expected_previous = b;
    reached = b;
  }
  if (sum != cardinality_) dv_coll_raise<coll_msg::stored_cardinality>();
  if (reached != last_block() || (blocks > 1 && reached->slots_[block_slots - 1] != first_block()))
    _Coll_internal_error("the block ring is not closed through the last block");
}

}  // namespace dv_qem
