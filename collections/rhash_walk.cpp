// Walking the extendible hash with a _Rhash_cursor: directory entries in
// ascending order (each table once), slots in ascending index, and within a
// slot the duplicates the slot class delivers; backwards the mirror. A
// restriction of kind 0 walks the one slot of its key, 100 skips that key's
// slot, 200 walks everything.
#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_new.h"
#include "dv_rhash.h"
#include "key_type_map.h"
#include "durnavel.h"

namespace dv_qem {

namespace {
constexpr unsigned none = _Rhash_cursor::null_index;
}  // namespace

// ---- occupied slots and tables ------------------------------------------------------

unsigned _Rhash::first_occupied_slot(unsigned t) const {
  const _RH_HashTable* table = this->table(t);
  for (unsigned i = 0; i < table->n_slots; ++i)
    if (slot_occupied(table->slot(i, slot_size_))) return i;
  return none;
}

unsigned _Rhash::last_occupied_slot(unsigned t) const {
  const _RH_HashTable* table = this->table(t);
  for (unsigned i = table->n_slots; i > 0; --i)
    if (slot_occupied(table->slot(i - 1, slot_size_))) return i - 1;
  return none;
}

unsigned _Rhash::next_occupied_slot(unsigned t, unsigned index) const {
  const _RH_HashTable* table = this->table(t);
  for (unsigned i = index + 1; i < table->n_slots; ++i)
    if (slot_occupied(table->slot(i, slot_size_))) return i;
  return none;
}

unsigned _Rhash::previous_occupied_slot(unsigned t, unsigned index) const {
  const _RH_HashTable* table = this->table(t);
  for (unsigned i = index; i > 0; --i)
    if (slot_occupied(table->slot(i - 1, slot_size_))) return i - 1;
  return none;
}

unsigned _Rhash::first_occupied_HashTable() const {
  for (unsigned t = 0; t < dir_size_; ++t)
    if (table(t) != nullptr && table(t)->key_count != 0) return t;
  dv_coll_raise<coll_msg::rhash_first_occupied_inconsistent>();
}

unsigned _Rhash::last_occupied_HashTable() const {
  for (unsigned t = dir_size_; t > 0; --t)
    if (table(t - 1) != nullptr && table(t - 1)->key_count != 0) return t - 1;
  dv_coll_raise<coll_msg::rhash_last_occupied_inconsistent>();
}

unsigned _Rhash::next_occupied_HashTable(unsigned t) const {
  const _RH_HashTable* current = table(t);
  for (unsigned e = t + 1; e < dir_size_; ++e) {
    const _RH_HashTable* candidate = table(e);
    if (candidate != nullptr && candidate != current && candidate->key_count != 0) return e;
  }
  return none;
}

unsigned _Rhash::previous_occupied_HashTable(unsigned t) const {
  const _RH_HashTable* current = table(t);
  for (unsigned e = t; e > 0; --e) {
    const _RH_HashTable* candidate = table(e - 1);
    if (candidate != nullptr && candidate != current && candidate->key_count != 0) return e - 1;
  }
  return none;
}

// ---- cursors --------------------------------------------------------------------------

const _Rhash_cursor& _Rhash::hash_cursor(const dv_dictionary_cursor& c) const {
  return static_cast<const _Rhash_cursor&>(c);
}

_Rhash_cursor& _Rhash::hash_cursor(dv_dictionary_cursor& c) const { return static_cast<_Rhash_cursor&>(c); }

_Rhash_cursor& _Rhash::new_cursor(int placement) const {
  dv_database* db = placement != 0 && durnavel::is_persistent(this) ? dv_database::of(this)
                                                                     : dv_database::get_transient_database();
  void* storage = ::operator new(sizeof(_Rhash_cursor), db, _Rhash_cursor::get_dv_typespec());
  try {
    return *::new (storage) _Rhash_cursor(*this, _Rhash_cursor::leave_unpositioned);
  } catch (...) {
    ::operator delete(storage);
    throw;
  }
}

dv_dictionary_cursor& _Rhash::__iteration_start(int, const void*, int, const void*, int) const {
  dv_coll_raise<coll_msg::unordered_index_restriction>();
}

dv_dictionary_cursor& _Rhash::__iteration_start(int restriction, const void* key, int placement) const {
  _Rhash_cursor& c = new_cursor(placement);
  c.restrict(restriction, key);
  void* first = nullptr;
  try {
    __first(c, first);
  } catch (...) {
    delete &c;
    throw;
  }
  return c;
}

dv_dictionary_cursor& _Rhash::__iteration_start(int placement) const {
  _Rhash_cursor& c = new_cursor(placement);
  void* first = nullptr;
  __first(c, first);
  return c;
}

void _Rhash::__iteration_end(dv_dictionary_cursor& c) const { delete &c; }

int _Rhash::__is_null(const dv_dictionary_cursor& c) const { return hash_cursor(c).is_null(); }

int _Rhash::__more(const dv_dictionary_cursor& c) const { return !hash_cursor(c).is_null(); }

void* _Rhash::__retrieve(const dv_dictionary_cursor& c) const {
  const _Rhash_cursor& rc = hash_cursor(c);
  if (rc.is_null()) dv_coll_raise<coll_msg::rhash_retrieve_null_cursor>();
  return slot_value(table(rc.get_table())->slot(rc.get_slot(), slot_size_), &rc,
                    has_overflow(rc.get_table(), rc.get_slot()));
}

void* _Rhash::__retrieve_key(const dv_dictionary_cursor& c) const {
  const _Rhash_cursor& rc = hash_cursor(c);
  if (rc.is_null()) dv_coll_raise<coll_msg::rhash_retrieve_key_null_cursor>();
  void* key = slot_key(table(rc.get_table())->slot(rc.get_slot(), slot_size_), 0);
  // Pointer-valued keys are answered as the pointer, as every dictionary
  // answers them; callers pass its address back as the key argument.
  if (_key_type_is_pointer_valued(key_type_)) return *static_cast<void**>(key);
  return key;
}

// ---- positioning ------------------------------------------------------------------------

int _Rhash::skipped(const _Rhash_cursor& c, unsigned t, unsigned s) const {
  if (!c.is_restricted() || c.restriction() != 100) return 0;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  find_functions(rank, hash);
  return slot_key_eq(table(t)->slot(s, slot_size_), 0, c.restriction_key(), rank);
}

namespace {

// The restriction kinds an unordered walk accepts.
void check_restriction(const _Rhash_cursor& c) {
  if (c.is_restricted() && c.restriction() != 0 && c.restriction() != 100 && c.restriction() != 200)
    dv_coll_raise<coll_msg::unordered_index_restriction>();
}

int key_restricted(const _Rhash_cursor& c) { return c.is_restricted() && c.restriction() == 0; }

}  // namespace

int _Rhash::position_at_key(_Rhash_cursor& c, void*& out, bool forward) const {
  unsigned t = 0, h = 0, i = 0;
  int found = 0;
  find_slot(c.restriction_key(), _RH_lookup, t, h, i, found);
  if (!found) return 0;
  c.set_table(t);
  c.set_slot(i);
  const char* slot = table(t)->slot(i, slot_size_);
  const int o = has_overflow(t, i);
  if (forward ? slot_first(slot, &c, out, o) : slot_last(slot, &c, out, o)) return 1;
  c.set_null();
  return 0;
}

int _Rhash::position_first(_Rhash_cursor& c, void*& out) const {
  check_restriction(c);
  c.set_state(c.state() & ~_Rhash_cursor::positioned_bit);
  c.set_null();
  if (!_has_keys()) return 0;
  if (key_restricted(c)) return position_at_key(c, out, true);
  for (unsigned t = first_occupied_HashTable(); t != none; t = next_occupied_HashTable(t))
    for (unsigned s = first_occupied_slot(t); s != none; s = next_occupied_slot(t, s)) {
      if (skipped(c, t, s)) continue;
      c.set_table(t);
      c.set_slot(s);
      if (slot_first(table(t)->slot(s, slot_size_), &c, out, has_overflow(t, s))) return 1;
    }
  c.set_null();
  return 0;
}

int _Rhash::position_last(_Rhash_cursor& c, void*& out) const {
  check_restriction(c);
  c.set_state(c.state() & ~_Rhash_cursor::positioned_bit);
  c.set_null();
  if (!_has_keys()) return 0;
  if (key_restricted(c)) return position_at_key(c, out, false);
  for (unsigned t = last_occupied_HashTable(); t != none; t = previous_occupied_HashTable(t))
    for (unsigned s = last_occupied_slot(t); s != none; s = previous_occupied_slot(t, s)) {
      if (skipped(c, t, s)) continue;
      c.set_table(t);
      c.set_slot(s);
      if (slot_last(table(t)->slot(s, slot_size_), &c, out, has_overflow(t, s))) return 1;
    }
  c.set_null();
  return 0;
}

int _Rhash::step_forward(_Rhash_cursor& c, void*& out) const {
  if (c.is_null()) return 0;
  c.set_state(c.state() & ~_Rhash_cursor::positioned_bit);
  unsigned t = c.get_table(), s = c.get_slot();
  const char* slot = table(t)->slot(s, slot_size_);
  if (slot_occupied(slot) && slot_next(slot, &c, out, has_overflow(t, s))) return 1;
  if (key_restricted(c)) {
    c.set_null();
    return 0;
  }
  for (s = next_occupied_slot(t, s);; s = next_occupied_slot(t, s)) {
    while (s == none) {
      t = next_occupied_HashTable(t);
      if (t == none) {
        c.set_null();
        return 0;
      }
      s = first_occupied_slot(t);
    }
    if (skipped(c, t, s)) continue;
    c.set_table(t);
    c.set_slot(s);
    if (slot_first(table(t)->slot(s, slot_size_), &c, out, has_overflow(t, s))) return 1;
  }
}

int _Rhash::step_backward(_Rhash_cursor& c, void*& out) const {
  if (c.is_null()) return 0;
  c.set_state(c.state() & ~_Rhash_cursor::positioned_bit);
  unsigned t = c.get_table(), s = c.get_slot();
  const char* slot = table(t)->slot(s, slot_size_);
  if (slot_occupied(slot) && slot_previous(slot, &c, out, has_overflow(t, s))) return 1;
  if (key_restricted(c)) {
    c.set_null();
    return 0;
  }
  for (s = previous_occupied_slot(t, s);; s = previous_occupied_slot(t, s)) {
    while (s == none) {
      t = previous_occupied_HashTable(t);
      if (t == none) {
        c.set_null();
        return 0;
      }
      s = last_occupied_slot(t);
    }
    if (skipped(c, t, s)) continue;
    c.set_table(t);
    c.set_slot(s);
    if (slot_last(table(t)->slot(s, slot_size_), &c, out, has_overflow(t, s))) return 1;
  }
}

int _Rhash::__first(dv_dictionary_cursor& c, void*& out) const {
  out = nullptr;
  return position_first(hash_cursor(c), out);
}

int _Rhash::__last(dv_dictionary_cursor& c, void*& out) const {
  out = nullptr;
  return position_last(hash_cursor(c), out);
}

int _Rhash::__next(dv_dictionary_cursor& c, void*& out) const {
  out = nullptr;
  return step_forward(hash_cursor(c), out);
}

int _Rhash::__previous(dv_dictionary_cursor& c, void*& out) const {
  out = nullptr;
  return step_backward(hash_cursor(c), out);
}

}  // namespace dv_qem
