// The slot operations of hash sets and bags: a slot holds an element
// address (a bag slot also its count); null is empty and the owning hash's
// own address is a tombstone. The key of an element is the element itself.
#include <new>

#include "coll_raise.h"
#include "dv_coll_key_functions.h"
#include "dv_dyn_hash.h"
#include "dv_new.h"
#include "durnavel.h"
#include "rhash_messages.h"

namespace dv_qem {

namespace {

_RH_dynhash_slot_dup* dup(void* slot) { return static_cast<_RH_dynhash_slot_dup*>(slot); }
const _RH_dynhash_slot_dup* dup(const void* slot) { return static_cast<const _RH_dynhash_slot_dup*>(slot); }
dv_soft_pointer32<void>& element_word(void* slot) { return *static_cast<dv_soft_pointer32<void>*>(slot); }

}  // namespace

unsigned _Ptr_hash_relocatable(const void* element) { return durnavel::compute_ptr_hash(element); }

_RH_dynhash::_RH_dynhash(unsigned expected, unsigned behavior)
    : _Rhash("void*", (behavior & dv_allow_duplicates) != 0 ? 8 : 4, 4, expected,
             (behavior & dv_allow_duplicates) | dynhash_bit) {}

_RH_dynhash::_RH_dynhash(const _RH_dynhash& other) : _Rhash(other) { copy_entries_from(other); }

_RH_dynhash& _RH_dynhash::operator=(const _RH_dynhash& other) {
  _Rhash::operator=(other);
  return *this;
}

_RH_dynhash::~_RH_dynhash() { destroy_index(); }

void _RH_dynhash::find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const {
  // Hashing the element's offset in its database (not its address) keeps a
  // persistent set valid when its database is mapped elsewhere; ranking by
  // address keeps its order within one database.
  rank = _Ptr_rank;
  hash = _Ptr_hash_relocatable;
}

char* _RH_dynhash::allocate_slots(unsigned n, dv_cluster* cluster, void* hint) {
  const unsigned size = sizeof_slot();
  dv_typespec* ts = is_bag() ? _RH_dynhash_slot_dup::get_dv_typespec() : _RH_dynhash_slot::get_dv_typespec();
  void* block = cluster != nullptr ? ::operator new(sizeof(dv4u) + n * size, cluster, ts, n)
                                   : ::operator new(sizeof(dv4u) + n * size, dv_cluster::with(hint), ts, n);
  if (block == nullptr) return nullptr;
  *static_cast<dv4u*>(block) = n;
  char* slots = static_cast<char*>(block) + sizeof(dv4u);
  for (unsigned i = 0; i < n; ++i) {
    if (is_bag())
      ::new (static_cast<void*>(slots + i * size)) _RH_dynhash_slot_dup();
    else
      ::new (static_cast<void*>(slots + i * size)) _RH_dynhash_slot();
  }
  return slots;
}

void _RH_dynhash::delete_slots(void* slots) {
  if (slots != nullptr) ::operator delete(static_cast<char*>(slots) - sizeof(dv4u));
}

_RH_slot_status _RH_dynhash::slot_status(void* slot, const void* key, _RH_search_type type, _Rank_fcn,
                                         unsigned) const {
  const void* element = element_of(slot);
  if (element == nullptr) return _RH_empty;
  if (element == static_cast<const void*>(this)) return _RH_removed;
  if (type == _RH_reorg) return _RH_other_key;
  return element == key ? _RH_match : _RH_other_key;
}

int _RH_dynhash::slot_occupied(const void* slot) const {
  return element_of(slot) != nullptr && !is_tombstone(slot);
}

int _RH_dynhash::slot_insert(void* slot, unsigned, unsigned, const void* element, const void*, unsigned) {
  element_word(slot) = const_cast<void*>(element);
  if (is_bag()) ++dup(slot)->count;
  return 1;
}

void _RH_dynhash::slot_remove(void* slot, unsigned, unsigned, const void* element, int& emptied) {
  emptied = 0;
  if (!slot_occupied(slot) || element_of(slot) != element) dv_coll_raise<rhash_msg::slot_remove_missing>();
  if (is_bag() && dup(slot)->count > 1) {
    --dup(slot)->count;
    return;
  }
  element_word(slot) = this;
  if (is_bag()) dup(slot)->count = 0;
  emptied = 1;
}

void _RH_dynhash::slot_assign(void* to, const void* from) {
  element_word(to) = element_of(from);
  if (is_bag()) dup(to)->count = dup(from)->count;
}

int _RH_dynhash::slot_contains(void* slot, unsigned, const void* element) const {
  return slot_occupied(slot) && element_of(slot) == element;
}

int _RH_dynhash::slot_key_eq(const void* slot, unsigned, const void* key, _Rank_fcn) const {
  return element_of(slot) == key;
}

int _RH_dynhash::slot_count(void* slot, unsigned) const {
  return is_bag() ? static_cast<int>(dup(slot)->count) : 1;
}

void* _RH_dynhash::slot_value(const void* slot, const _Rhash_cursor*, unsigned) const { return element_of(slot); }

void* _RH_dynhash::slot_key(const void* slot, unsigned) const { return element_of(slot); }

void* _RH_dynhash::slot_pick(const void* slot, unsigned) const {
  if (!slot_occupied(slot)) {
    if (is_bag()) dv_coll_raise<rhash_msg::pick_empty_dup_slot>();
    dv_coll_raise<rhash_msg::pick_empty_slot>();
  }
  return element_of(slot);
}

int _RH_dynhash::slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned) const {
  if (c->is_null()) dv_coll_raise<rhash_msg::slot_first_null>();
  element = element_of(slot);
  if (is_bag()) c->set_oflo_counter(1);
  return slot_occupied(slot);
}

int _RH_dynhash::slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned) const {
  if (c->is_null()) dv_coll_raise<rhash_msg::slot_last_null>();
  element = element_of(slot);
  if (is_bag()) c->set_oflo_counter(1);
  return slot_occupied(slot);
}

int _RH_dynhash::slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned) const {
  if (!is_bag()) return 0;
  element = element_of(slot);
  if (c->oflo_counter() >= dup(slot)->count) return 0;
  c->set_oflo_counter(c->oflo_counter() + 1);
  return 1;
}

int _RH_dynhash::slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  // A bag slot's occurrences are alike: backwards counts them the same way.
  return slot_next(slot, c, element, overflow);
}

int _RH_dynhash::slot_null(const void* slot, const _Rhash_cursor* c, unsigned) const {
  if (!slot_occupied(slot)) return 1;
  return is_bag() && c->oflo_counter() > dup(slot)->count;
}

const char* _RH_dynhash::_rep_type() const { return is_bag() ? "_RH_dynhash_slot_dup" : "_RH_dynhash_slot"; }

}  // namespace dv_qem
