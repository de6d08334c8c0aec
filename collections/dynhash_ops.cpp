// The collection operations of hash sets and bags over their extendible
// hash: insert, remove and lookups by element, walks and removal through a
// cursor, and the positional operations an unordered collection refuses.
#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_cursor.h"
#include "dv_dyn_hash.h"
#include "rhash_messages.h"

namespace dv_qem {

namespace {

_Rhash_cursor* state_of(const dv_cursor& c) { return static_cast<_Rhash_cursor*>(c.dc()); }

}  // namespace

dv_dyn_hash::dv_dyn_hash(unsigned expected, unsigned behavior) : _RH_dynhash(expected, behavior) {}

dv_dyn_hash::dv_dyn_hash(const dv_dyn_hash& other) = default;

dv_dyn_hash& dv_dyn_hash::operator=(const dv_dyn_hash& other) {
  _RH_dynhash::operator=(other);
  return *this;
}

dv_dyn_bag& dv_dyn_bag::operator=(const dv_dyn_bag& other) {
  dv_dyn_hash::operator=(other);
  return *this;
}

void dv_dyn_hash::_insert(const void* e) {
  if (e == nullptr) dv_coll_raise<coll_msg::insert_null>();
  int found = 0;
  __insert(e, e, nullptr, nullptr, found);
  if (has_indexes() && (!found || allow_dup())) maintain_index_insert(indexes(), e, 0);
}

int dv_dyn_hash::_remove(const void* e) {
  int found = 0;
  __remove(e, e, found, nullptr);
  int removed = found;
  if (removed && allow_dup() && __contains(e, e)) removed = 0;
  if (removed && has_indexes()) maintain_index_remove(indexes(), e);
  return removed;
}

int dv_dyn_hash::_contains(const void* e) const { return __contains(e, e); }

int dv_dyn_hash::_count(const void* e) const { return __contains(e, e) ? 1 : 0; }

int dv_dyn_bag::_count(const void* e) const { return __count(e, e); }

void* dv_dyn_hash::_pick() const {
  if (_empty()) return nullptr;
  unsigned found = 0;
  return __pick(found);
}

void* dv_dyn_hash::_only() const {
  int empty = 0;
  return __only(empty);
}

void* dv_dyn_hash::_retrieve(const dv_cursor& c) const {
  c.check_cast(*this);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::retrieve_at_removed_element>();
  _Rhash_cursor* state = state_of(c);
  if (!c.more() || state == nullptr || state->is_null()) dv_coll_raise<coll_msg::retrieve_on_null_cursor>();
  return __retrieve(*state);
}

void dv_dyn_hash::_remove_at(const dv_cursor& c) {
  c.check_cast(*this);
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::remove_at_deleted_element>();
  _Rhash_cursor* state = state_of(c);
  if (!c.more() || state == nullptr || state->is_null()) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  void* e = __retrieve(*state);
  int found = 0;
  remove_entry(e, e, found, 0);
  // The cursor stays on the slot: a tombstone now, or a bag slot holding
  // one occurrence fewer, of which one fewer has been delivered.
  const char* slot = table(state->get_table())->slot(state->get_slot(), sizeof_slot());
  if (slot_occupied(slot) && state->oflo_counter() > 0) state->set_oflo_counter(state->oflo_counter() - 1);
  const_cast<dv_cursor&>(c).set_at_deleted_element(1);
  if (found && has_indexes() && !__contains(e, e)) maintain_index_remove(indexes(), e);
}

void dv_dyn_hash::_clear() {
  if (has_indexes()) {
    dv_cursor walk(*this);
    for (void* e = walk.first(); walk.more(); e = walk.next()) maintain_index_remove_for_sure(indexes(), e);
  }
  _Rhash::_clear();
}

// ---- positional operations: sets and bags have no positions --------------------------

void* dv_dyn_hash::_retrieve(unsigned) const { dv_coll_raise<rhash_msg::set_retrieve_position>(); }
void dv_dyn_hash::_remove_at(unsigned) { dv_coll_raise<rhash_msg::set_remove_at_position>(); }
void dv_dyn_hash::_insert_first(const void*) { dv_coll_raise<rhash_msg::set_positional>(); }
void dv_dyn_hash::_insert_last(const void*) { dv_coll_raise<rhash_msg::set_positional>(); }
void dv_dyn_hash::_insert_after(const void*, unsigned) { dv_coll_raise<rhash_msg::set_positional>(); }
void dv_dyn_hash::_insert_after(const void*, const dv_cursor&) { dv_coll_raise<rhash_msg::set_positional>(); }
void dv_dyn_hash::_insert_before(const void*, unsigned) { dv_coll_raise<rhash_msg::set_positional>(); }
void dv_dyn_hash::_insert_before(const void*, const dv_cursor&) { dv_coll_raise<rhash_msg::set_positional>(); }
int dv_dyn_hash::_remove_first(const void*&) { dv_coll_raise<rhash_msg::set_positional>(); }
int dv_dyn_hash::_remove_last(const void*&) { dv_coll_raise<rhash_msg::set_positional>(); }
int dv_dyn_hash::_retrieve_first(const void*&) const { dv_coll_raise<rhash_msg::set_positional>(); }
int dv_dyn_hash::_retrieve_last(const void*&) const { dv_coll_raise<rhash_msg::set_positional>(); }
void* dv_dyn_hash::_replace_at(const void*, unsigned) { dv_coll_raise<rhash_msg::set_positional>(); }
void* dv_dyn_hash::_replace_at(const void*, const dv_cursor&) { dv_coll_raise<rhash_msg::set_positional>(); }

}  // namespace dv_qem
