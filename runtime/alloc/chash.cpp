// The hash dictionary's table operations: probing, insertion, removal,
// reorganisation and the consistency check.
#include "chash.h"

#include <cstring>

#include "chash_storage.h"
#include "db_space.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_hash_size.h"
#include "self_relative.h"

namespace dv_qem {

namespace {

constexpr dv4u kStringHashSeed = 97169;
constexpr dv4u kStringHashFactor = 17;
constexpr dv4u kIntegerHashFactor = 9987001;  // odd, so consecutive keys spread over the table
constexpr dv4u kSmallestReorganizedSize = 11;  // reorganising never makes a table smaller

unsigned address_of(const void* p) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)); }

bool is_empty(const _Chash_slot& slot) { return slot.value == _Chash_empty_value; }
bool is_deleted(const _Chash_slot& slot) { return slot.value == _Chash_deleted_value; }
bool is_live(const _Chash_slot& slot) { return !is_empty(slot) && !is_deleted(slot); }

bool key_is_link(_Chash_key_kind kind) { return kind != _Chash_key_kind::integer; }

dv4u hash_of(_Chash_key_kind kind, std::uintptr_t key) {
  switch (kind) {
    case _Chash_key_kind::string: return _Chash_string_hash(reinterpret_cast<const char*>(key));
    case _Chash_key_kind::pointer: return _Chash_pointer_hash(reinterpret_cast<const void*>(key));
    case _Chash_key_kind::integer: break;
  }
  return _Chash_integer_hash(static_cast<dv4u>(key));
}

std::uintptr_t stored_key(_Chash_key_kind kind, const _Chash_slot& slot) {
  if (!key_is_link(kind)) return slot.key;
  return reinterpret_cast<std::uintptr_t>(_VRN_link_target(&slot.key, static_cast<dv4s>(slot.key)));
}

bool key_matches(_Chash_key_kind kind, const _Chash_slot& slot, std::uintptr_t key) {
  std::uintptr_t held = stored_key(kind, slot);
  if (kind != _Chash_key_kind::string) return held == key;
  return held != 0 && std::strcmp(reinterpret_cast<const char*>(held), reinterpret_cast<const char*>(key)) == 0;
}

// Whether slot can hold value: values are non-null, and the link in the
// value word can reach neither the slot itself (-1 marks a deleted slot) nor
// the byte before it.
bool value_fits(const _Chash_slot& slot, const void* value) {
  return value != nullptr && value != &slot && _VRN_link_can_reach(&slot, value);
}

bool key_fits(_Chash_key_kind kind, const _Chash_slot& slot, std::uintptr_t key) {
  return !key_is_link(kind) || _VRN_link_can_reach(&slot.key, reinterpret_cast<const void*>(key));
}

// Fills slot with a pair; the caller has checked that it fits.
void store(_Chash_key_kind kind, _Chash_slot& slot, std::uintptr_t key, const void* value, dv4u hash) {
  slot.value = _VRN_link_to(&slot, value);
  slot.key = key_is_link(kind)
                 ? static_cast<dv4u>(_VRN_link_to(&slot.key, reinterpret_cast<const void*>(key)))
                 : static_cast<dv4u>(key);
  slot.hash = hash;
}

// The probe sequence: the home slot hash mod size, then downward by the step
// size - home (1 when home is 0), wrapping. With a prime size it visits every
// slot within size probes.
struct probe_walk {
  dv4u size, position, step;
  probe_walk(dv4u hash, dv4u table_size)
      : size(table_size), position(hash % table_size), step(position == 0 ? 1 : table_size - position) {}
  void advance() { position = position >= step ? position - step : position + size - step; }
};

// The first empty slot on the probe sequence of hash in a table without
// deleted slots; -1 when there is none.
dv4s free_slot_for(const _Chash_slot* slots, dv4u size, dv4u hash) {
  probe_walk walk(hash, size);
  for (dv4u n = 0; n < size; ++n, walk.advance())
    if (is_empty(slots[walk.position])) return static_cast<dv4s>(walk.position);
  return -1;
}

}  // namespace

dv4u _Chash_string_hash(const char* key) {
  dv4u h = kStringHashSeed;
  for (const char* p = key; *p != '\0'; ++p)
    h = (h ^ static_cast<dv4u>(static_cast<dv4s>(static_cast<signed char>(*p)))) * kStringHashFactor;
  return h;
}

dv4u _Chash_pointer_hash(const void* key) { return _DB_pointer_hash(key); }

dv4u _Chash_integer_hash(dv4u key) { return key * kIntegerHashFactor; }

// Where the probe for a key ended: the slot holding it, else the empty slot
// that ended the search, and the first deleted slot met after the home slot.
struct _Chash_table::probe_result {
  dv4s match = -1;
  dv4s empty = -1;
  dv4s deleted = -1;
};

_Chash_table::_Chash_table(dv4u size_hint, _Chash_key_kind kind) {
  dv4u size = _Recommended_hash_size(size_hint);
  void* table = _Chash_allocate_slots(this, size, sizeof(_Chash_slot), kind);
  header_.slots = _VRN_link_to(&header_.slots, table);
  header_.entries = 0;
  header_.deleted = 0;
  header_.size = size;
  header_.threshold = size * 7 / 10;
  header_.flags = 0;
}

_Chash_table::~_Chash_table() { _Chash_release_slots(slots()); }

_Chash_slot* _Chash_table::slots() const {
  return static_cast<_Chash_slot*>(_VRN_link_target(&header_.slots, header_.slots));
}

void _Chash_table::damaged(const char* what) const {
  throw dv_err_heap_corruption("The hash dictionary at 0x%x is damaged (%s): %u slots, %u entries, %u deleted",
                               address_of(this), what, header_.size, header_.entries, header_.deleted);
}

// The checks every operation makes before it trusts the header: a table of
// size slots exists and the counts fit in it.
void _Chash_table::check_header() const {
  if (header_.size == 0) damaged("no slots");
  if (slots() == nullptr) damaged("no table");
  // A persistent dictionary's table lies in its own database, count word included.
  if (header_.size > (0xffffffffu - sizeof(dv4u)) / sizeof(_Chash_slot) ||
      !_Chash_lies_with_owner(this, reinterpret_cast<const char*>(slots()) - sizeof(dv4u),
                              sizeof(dv4u) + size_t{header_.size} * sizeof(_Chash_slot)))
    damaged("the table lies outside its database");
  if (_Chash_slot_count(slots()) != header_.size) damaged("the table holds another number of slots");
  if (header_.entries > header_.size || header_.deleted > header_.size - header_.entries)
    damaged("more pairs than slots");
}

_Chash_table::probe_result _Chash_table::probe(_Chash_key_kind kind, key_word key, dv4u hash) const {
  const _Chash_slot* table = slots();
  probe_result result;
  probe_walk walk(hash, header_.size);
  for (dv4u n = 0; n < header_.size; ++n, walk.advance()) {
    const _Chash_slot& slot = table[walk.position];
    dv4s position = static_cast<dv4s>(walk.position);
    if (is_empty(slot)) {
      result.empty = position;
      return result;
    }
    if (is_deleted(slot)) {
      if (n > 0 && result.deleted < 0) result.deleted = position;
    } else if (slot.hash == hash && checked_key(kind, slot) && key_matches(kind, slot, key)) {
      result.match = position;
      return result;
    }
  }
  return result;
}

// A stored string key is read only where the dictionary's keys may lie.
bool _Chash_table::checked_key(_Chash_key_kind kind, const _Chash_slot& slot) const {
  if (kind == _Chash_key_kind::string &&
      !_Chash_lies_with_owner(this, reinterpret_cast<const void*>(stored_key(kind, slot)), 1))
    damaged("a key outside its database");
  return true;
}

void* _Chash_table::find_word(_Chash_key_kind kind, key_word key) const {
  check_header();
  if (kind == _Chash_key_kind::string && key == 0) return nullptr;
  probe_result found = probe(kind, key, hash_of(kind, key));
  if (found.match < 0) return nullptr;
  const _Chash_slot& slot = slots()[found.match];
  void* value = _VRN_link_target(&slot, slot.value);
  if (!_Chash_lies_with_owner(this, value, 1)) damaged("a value outside its database");
  return value;
}

void _Chash_table::insert_word(_Chash_key_kind kind, key_word key, void* value) {
  check_header();
  if (value == nullptr) throw dv_err_illegal_pointer("A hash dictionary can not hold a null value");
  if (kind == _Chash_key_kind::string && key == 0)
    throw dv_err_illegal_pointer("A hash dictionary can not hold a null string key");
  dv4u hash = hash_of(kind, key);
  probe_result found = probe(kind, key, hash);
  _Chash_slot* table = slots();

  if (found.match >= 0) {
    _Chash_slot& slot = table[found.match];
    if (!value_fits(slot, value))
      throw dv_err_illegal_pointer("The value 0x%x can not be held in the hash slot at 0x%x",
                                   address_of(value), address_of(&slot));
    slot.value = _VRN_link_to(&slot, value);
    return;
  }

  dv4s target = found.deleted >= 0 ? found.deleted : found.empty;
  if (target < 0) damaged("no free slot");
  _Chash_slot& slot = table[target];
  if (!value_fits(slot, value) || !key_fits(kind, slot, key))
    throw dv_err_illegal_pointer("The pair (0x%x, 0x%x) can not be held in the hash slot at 0x%x",
                                 static_cast<unsigned>(key), address_of(value), address_of(&slot));

  const _Chash_slot previous = slot;
  const dv4u entries = header_.entries, deleted = header_.deleted;
  store(kind, slot, key, value, hash);
  header_.entries = entries + 1;
  if (is_deleted(previous)) header_.deleted = deleted - 1;

  if (entries + deleted + 1 < header_.threshold) return;
  dv4u size = header_.size;
  dv4u grown = size > _VRN_no_hash_size - size / 2 ? _VRN_no_hash_size : size + size / 2;
  dv4u new_size = deleted < header_.threshold / 4 ? _Recommended_hash_size(grown) : size;
  try {
    reorganize(kind, new_size);
  } catch (...) {
    // The table could not be rebuilt; the insert is withdrawn.
    slot = previous;
    header_.entries = entries;
    header_.deleted = deleted;
    throw;
  }
}

bool _Chash_table::remove_word(_Chash_key_kind kind, key_word key) {
  check_header();
  if (kind == _Chash_key_kind::string && key == 0) return false;
  probe_result found = probe(kind, key, hash_of(kind, key));
  if (found.match < 0) return false;
  if (header_.entries == 0) damaged("a pair beyond the entry count");

  _Chash_slot& slot = slots()[found.match];
  const _Chash_slot previous = slot;
  slot.value = _Chash_deleted_value;
  slot.hash = 0;
  header_.entries -= 1;
  header_.deleted += 1;

  dv4u size = header_.size;
  if (size > kSmallestReorganizedSize && header_.entries <= size / 4) {
    try {
      reorganize(kind, _Recommended_hash_size(size / 2));
    } catch (...) {
      // The table could not be rebuilt; the removal is withdrawn.
      slot = previous;
      header_.entries += 1;
      header_.deleted -= 1;
      throw;
    }
  }
  return true;
}

void _Chash_table::enter_reorg() {
  if (in_reorg()) DV_ASSERTION_FAILED(not_in_reorg);
  header_.flags |= _Chash_in_reorg_flag;
}

void _Chash_table::leave_reorg() {
  if (!in_reorg()) DV_ASSERTION_FAILED(in_reorg);
  header_.flags &= ~_Chash_in_reorg_flag;
}

// Moves every pair into a new table of new_size slots (at least 11) and
// drops the deleted slots. Does nothing while a reorganisation runs. On any
// failure the dictionary keeps its old table.
void _Chash_table::reorganize(_Chash_key_kind kind, dv4u new_size) {
  if (in_reorg()) return;
  if (new_size < kSmallestReorganizedSize) new_size = kSmallestReorganizedSize;
  enter_reorg();
  _Chash_slot* fresh;
  try {
    fresh = static_cast<_Chash_slot*>(_Chash_allocate_slots(this, new_size, sizeof(_Chash_slot), kind));
  } catch (...) {
    leave_reorg();
    throw;
  }

  _Chash_slot* old = slots();
  const dv4u old_size = header_.size;
  const char* fault = nullptr;
  dv4u moved = 0;
  for (dv4u i = 0; i < old_size && fault == nullptr; ++i) {
    const _Chash_slot& from = old[i];
    if (!is_live(from)) continue;
    dv4s to = free_slot_for(fresh, new_size, from.hash);
    const void* value = _VRN_link_target(&from, from.value);
    key_word key = stored_key(kind, from);
    if (to < 0) {
      fault = "the new table is full";
    } else if (!value_fits(fresh[to], value) || !key_fits(kind, fresh[to], key)) {
      fault = "a pair the new table can not link";
    } else {
      store(kind, fresh[to], key, value, from.hash);
      ++moved;
    }
  }
  if (fault == nullptr && moved != header_.entries) fault = "the entry count differs from the pairs held";
  if (fault != nullptr) {
    _Chash_release_slots(fresh);
    leave_reorg();
    damaged(fault);
  }

  header_.slots = _VRN_link_to(&header_.slots, fresh);
  header_.size = new_size;
  header_.threshold = new_size * 7 / 10;
  header_.deleted = 0;
  std::memset(old, 0, static_cast<size_t>(old_size) * sizeof(_Chash_slot));
  _Chash_release_slots(old);
  leave_reorg();
}

void _Chash_table::clear() {
  check_header();
  std::memset(slots(), 0, static_cast<size_t>(header_.size) * sizeof(_Chash_slot));
  header_.entries = 0;
  header_.deleted = 0;
}

dv4s _Chash_table::first() const {
  check_header();
  const _Chash_slot* table = slots();
  for (dv4u i = 0; i < header_.size; ++i)
    if (is_live(table[i])) return static_cast<dv4s>(i);
  return -1;
}

dv4s _Chash_table::next(dv4s position) const {
  check_header();
  if (position < 0) return -1;
  const _Chash_slot* table = slots();
  for (dv4u i = static_cast<dv4u>(position) + 1; i < header_.size; ++i)
    if (is_live(table[i])) return static_cast<dv4s>(i);
  return -1;
}

_Chash_table::key_word _Chash_table::key_word_at(_Chash_key_kind kind, dv4s position) const {
  check_header();
  DV_ASSERT(position >= 0 && static_cast<dv4u>(position) < header_.size && is_live(slots()[position]));
  return stored_key(kind, slots()[position]);
}

void* _Chash_table::value_at_position(dv4s position) const {
  check_header();
  DV_ASSERT(position >= 0 && static_cast<dv4u>(position) < header_.size && is_live(slots()[position]));
  const _Chash_slot& slot = slots()[position];
  return _VRN_link_target(&slot, slot.value);
}

void _Chash_table::check_slots(_Chash_key_kind kind) const {
  check_header();
  if (in_reorg()) damaged("left in reorganisation");
  if (header_.threshold != header_.size * 7 / 10) damaged("wrong threshold");
  const _Chash_slot* table = slots();
  dv4u live = 0, deleted = 0;
  for (dv4u i = 0; i < header_.size; ++i) {
    const _Chash_slot& slot = table[i];
    if (is_empty(slot)) continue;
    if (is_deleted(slot)) {
      if (slot.hash != 0) damaged("a deleted slot keeps a hash");
      ++deleted;
      continue;
    }
    ++live;
    key_word key = stored_key(kind, slot);
    if (kind == _Chash_key_kind::string && key == 0) damaged("a null string key");
    checked_key(kind, slot);
    if (slot.hash != hash_of(kind, key)) damaged("a stored hash differs from its key's");
    if (probe(kind, key, slot.hash).match != static_cast<dv4s>(i)) damaged("a key is not found where it lies");
  }
  if (live != header_.entries) damaged("the entry count differs from the pairs held");
  if (deleted != header_.deleted) damaged("the deleted count differs from the deleted slots");
}

}  // namespace dv_qem
