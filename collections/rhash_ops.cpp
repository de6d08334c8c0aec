// Keyed operations of the extendible hash: the double-hashing probe, insert,
// remove, lookups, picks, counts, clearing, and copying entries into another
// hash.
#include <cmath>
#include <cstring>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_rhash.h"
#include "key_type_map.h"
#include "rhash_messages.h"

namespace dv_qem {

void* _Rhash::find_slot(const void* key, _RH_search_type type, unsigned& t, unsigned& hash, unsigned& index,
                        int& found, _Rank_fcn rank, _Hash_fcn hashfn, unsigned hash_in) const {
  if (hashfn == nullptr) find_functions(rank, hashfn);
  const unsigned h = hash_in != 0 ? hash_in : re_hash(hashfn(key));
  t = find_HashTable(h);
  hash = h;
  found = 0;
  index = _Rhash_cursor::null_index;
  const _RH_HashTable* table = this->table(t);
  if (table == nullptr) return nullptr;

  const unsigned n = table->n_slots;
  unsigned i = h % n;
  _RH_slot_status status = slot_status(table->slot(i, slot_size_), key, type, rank, h);
  if (status == _RH_empty || status == _RH_match) {
    index = i;
    found = status == _RH_match;
    return table->slot(i, slot_size_);
  }
  const unsigned step = i == 0 ? 1 : n - i;
  unsigned removed = _Rhash_cursor::null_index;
  for (unsigned probes = 1; probes < n; ++probes) {
    i = i >= step ? i - step : i + n - step;
    status = slot_status(table->slot(i, slot_size_), key, type, rank, h);
    if (status == _RH_removed && removed == _Rhash_cursor::null_index) removed = i;
    if (status == _RH_match) {
      index = i;
      found = 1;
      return table->slot(i, slot_size_);
    }
    if (status == _RH_empty) {
      index = removed != _Rhash_cursor::null_index ? removed : i;
      return table->slot(index, slot_size_);
    }
  }
  // Every slot was visited without an empty one: only a broken table does
  // that (reorganisation keeps occupied + removed below the load limit).
  if (removed != _Rhash_cursor::null_index) {
    index = removed;
    return table->slot(index, slot_size_);
  }
  err_coll_internal.signal("hash table at directory entry %u has no free slot among its %u slots (%u keys)", t, n,
                           table->key_count);
}

const void* _Rhash::search_key(const void* key, const void* key2) const {
  return key2 != nullptr && !_point_to_key() ? key2 : key;
}

namespace {

// Whether key, of the floating-point type of the given size, is a NaN.
bool is_nan_key(const void* key, unsigned floating_size) {
  if (floating_size == 4) {
    float f;
    std::memcpy(&f, key, sizeof f);
    return std::isnan(f);
  }
  double d;
  std::memcpy(&d, key, sizeof d);
  return std::isnan(d);
}

}  // namespace

void _Rhash::insert_entry(const void* element, const void* key, int& found, int refuse_duplicate) {
  // A NaN ranks unequal to every key, itself included: stored, it could
  // never be found or removed again.
  if (key != nullptr)
    if (const unsigned size = _key_type_floating_size(key_type_); size != 0 && is_nan_key(key, size))
      dv_coll_raise<rhash_msg::nan_key>(key_type_);
  unsigned t = 0, h = 0, i = 0;
  void* slot = find_slot(key, _RH_insert, t, h, i, found);
  if (slot == nullptr) {
    assign_run(t, t, create_HashTable(t, std_size_, 0, nullptr));
    slot = find_slot(key, _RH_insert, t, h, i, found);
  }
  if (found) {
    if (refuse_duplicate && (flags_ & signal_dup_bit) != 0)
      dv_coll_raise<coll_msg::rhash_insert_duplicate_key>();
    if (!allow_dup()) return;
  }
  if (!slot_insert(slot, t, i, element, key, h)) return;
  add_to_count(1);
  if (!found) {
    ++table(t)->key_count;
    HashTable_check_for_reorg(t, 1);
  }
}

void _Rhash::__insert(const void* element, const void* key, dv_collection*, const void* key2, int& found) {
  insert_entry(element, search_key(key, key2), found, 0);
}

void _Rhash::__insert(const void* element, const void* key, dv_collection*, const void* key2, unsigned) {
  int found = 0;
  insert_entry(element, search_key(key, key2), found, 1);
}

void _Rhash::remove_entry(const void* element, const void* key, int& found, int reorganise) {
  unsigned t = 0, h = 0, i = 0;
  void* slot = find_slot(key, _RH_remove, t, h, i, found);
  if (!found) return;
  int emptied = 0;
  slot_remove(slot, t, i, element, emptied);
  add_to_count(-1);
  if (!emptied) return;
  _RH_HashTable* table = this->table(t);
  table->note_removed();
  --table->key_count;
  if (reorganise) HashTable_check_for_reorg(t, 0);
}

void _Rhash::__remove(const void* element, const void* key, int& found, dv_collection*) {
  remove_entry(element, key, found, 1);
}

void _Rhash::__remove(const void* element, const void* key, dv_collection*) {
  int found = 0;
  remove_entry(element, key, found, 1);
}

int _Rhash::__contains(const void* element, const void* key) const {
  unsigned t = 0, h = 0, i = 0;
  int found = 0;
  void* slot = find_slot(key, _RH_lookup, t, h, i, found);
  return found ? slot_contains(slot, has_overflow(t, i), element) : 0;
}

int _Rhash::__count(const void* key, const void*) const {
  unsigned t = 0, h = 0, i = 0;
  int found = 0;
  void* slot = find_slot(key, _RH_lookup, t, h, i, found);
  return found ? slot_count(slot, has_overflow(t, i)) : 0;
}

int _Rhash::__count(dv_dictionary_cursor& c) const {
  const _Rhash_cursor& rc = hash_cursor(c);
  if (rc.is_null()) dv_coll_raise<coll_msg::am_count_null_cursor>();
  return slot_count(table(rc.get_table())->slot(rc.get_slot(), slot_size_), has_overflow(rc.get_table(), rc.get_slot()));
}

void* _Rhash::__pick(unsigned& found) const {
  found = 0;
  if (!_has_keys()) return nullptr;
  const unsigned t = first_occupied_HashTable();
  const unsigned s = first_occupied_slot(t);
  found = 1;
  return slot_pick(table(t)->slot(s, slot_size_), has_overflow(t, s));
}

void* _Rhash::__pick(int restriction, const void* key, unsigned& found) const {
  found = 0;
  if (restriction == 200) return __pick(found);
  if (restriction == 0) {
    unsigned t = 0, h = 0, i = 0;
    int hit = 0;
    void* slot = find_slot(key, _RH_lookup, t, h, i, hit);
    if (!hit) return nullptr;
    found = 1;
    return slot_pick(slot, has_overflow(t, i));
  }
  if (restriction != 100) dv_coll_raise<coll_msg::unordered_index_restriction>();
  if (!_has_keys()) return nullptr;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  find_functions(rank, hash);
  for (unsigned t = first_occupied_HashTable(); t != _Rhash_cursor::null_index; t = next_occupied_HashTable(t))
    for (unsigned s = first_occupied_slot(t); s != _Rhash_cursor::null_index; s = next_occupied_slot(t, s)) {
      const char* slot = table(t)->slot(s, slot_size_);
      if (slot_key_eq(slot, 0, key, rank)) continue;
      found = 1;
      return slot_pick(slot, has_overflow(t, s));
    }
  return nullptr;
}

void* _Rhash::__pick(int, const void*, int, const void*, unsigned&) const {
  dv_coll_raise<coll_msg::unordered_index_restriction>();
}

void* _Rhash::__only(int& empty) const {
  empty = 0;
  if (!_has_keys()) {
    empty = 1;
    return nullptr;
  }
  if (_compute_n_keys() > 1) dv_coll_raise<coll_msg::rhash_only_not_singleton>();
  unsigned found = 0;
  return __pick(found);
}

void* _Rhash::_only() const {
  if (!_has_keys()) dv_coll_raise<coll_msg::rhash_only_empty>();
  int empty = 0;
  return __only(empty);
}

unsigned _Rhash::_cardinality() const {
  const _RH_HashTable* ct = count_table();
  return ct == nullptr ? 0 : ct->element_count;
}

int _Rhash::_empty() const { return _cardinality() == 0; }

unsigned _Rhash::_cardinality_estimate() const { return count_table() == nullptr ? 20 : _cardinality(); }

int _Rhash::_has_keys() const { return _cardinality() != 0; }

unsigned _Rhash::_compute_n_keys() const {
  unsigned keys = 0;
  const _RH_HashTable* last = nullptr;
  for (unsigned t = 0; directory() != nullptr && t < dir_size_; ++t) {
    const _RH_HashTable* table = this->table(t);
    if (table == nullptr || table == last) continue;
    last = table;
    keys += table->key_count;
  }
  return keys;
}

int _Rhash::_more_than_one_key() const { return _compute_n_keys() > 1; }

void _Rhash::release_entries(unsigned t) {
  _RH_HashTable* table = this->table(t);
  for (unsigned i = 0; i < table->n_slots; ++i) {
    void* slot = table->slot(i, slot_size_);
    if (!slot_occupied(slot)) continue;
    if (has_overflow(t, i)) {
      slot_reclaim_oflo(slot, 1);
      set_overflow(t, i, 0);
    }
    // Removal through the slot operations releases the slot's key copy.
    for (int emptied = 0; !emptied;) slot_remove(slot, t, i, slot_pick(slot, 0), emptied);
  }
}

void _Rhash::_clear() {
  _RH_HashTable** dir = directory();
  if (dir == nullptr) return;
  const _RH_HashTable* last = nullptr;
  for (unsigned t = 0; t < dir_size_; ++t) {
    _RH_HashTable* table = dir[t];
    if (table == nullptr || table == last) continue;
    last = table;
    release_entries(t);
    table->key_count = 0;
    table->removed = 0;
    for (unsigned w = 0; w < bitmap_size(table->n_slots) && table->bitmap != nullptr; ++w) table->bitmap[w] = 0;
    clear_slots(table->slots, get_HashTable_size(t));
  }
  if (_RH_HashTable* ct = count_table(); ct != nullptr) ct->element_count = 0;
}

void _Rhash::copy_entries_from(const _Rhash& other) {
  if (other.directory() == nullptr || !other._has_keys()) return;
  _Rhash_cursor walk(other, _Rhash_cursor::leave_unpositioned);
  for (unsigned t = other.first_occupied_HashTable(); t != _Rhash_cursor::null_index;
       t = other.next_occupied_HashTable(t)) {
    walk.set_table(t);
    for (unsigned s = other.first_occupied_slot(t); s != _Rhash_cursor::null_index;
         s = other.next_occupied_slot(t, s)) {
      walk.set_slot(s);
      const char* slot = other.table(t)->slot(s, other.slot_size_);
      const unsigned overflow = other.has_overflow(t, s);
      const void* key = other.slot_key(slot, 0);
      void* element = nullptr;
      int found = 0;
      for (int more = other.slot_first(slot, &walk, element, overflow); more;
           more = other.slot_next(slot, &walk, element, overflow))
        insert_entry(element, key, found, 0);
    }
  }
}

}  // namespace dv_qem
