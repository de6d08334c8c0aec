// Tables of the extendible hash: the directory array, making and freeing a
// table (slot array, header, overflow bitmap), the runs of directory entries
// that share a table, moving slots into rebuilt tables, the overflow bits
// and resetting slots.
#include <cstring>
#include <new>

#include "coll_messages.h"
#include "dv_new.h"
#include "dv_persistent_copy.h"
#include "dv_rhash.h"
#include "durnavel.h"
#include "rhash_messages.h"

namespace dv_qem {

namespace {

int bit_of(const dv4u* bitmap, unsigned i) {
  return bitmap != nullptr && (bitmap[i / 32] & (0x80000000u >> (i % 32))) != 0;
}

dv4u page_of(const void* p) { return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(p)) / 4096; }

}  // namespace

void* _Rhash::allocate_directory(unsigned entries) const {
  void* block = ::operator new(entries * sizeof(void*), dv_cluster::with(this), dv_typespec::get_pointer(), entries);
  if (block == nullptr) err_coll_internal.signal("no directory of %u entries could be allocated", entries);
  std::memset(block, 0, entries * sizeof(void*));
  return block;
}

_RH_HashTable* _Rhash::count_table() const {
  if (count_table_ == no_count_table || directory() == nullptr) return nullptr;
  return table(count_table_);
}

void _Rhash::add_to_count(int delta) {
  _RH_HashTable* ct = count_table();
  if (ct != nullptr) ct->element_count += static_cast<dv4u>(delta);
}

void _Rhash::assert_prime(unsigned n) {
  bool prime = n >= 2;
  for (unsigned d = 2; prime && d <= n / d; ++d) prime = n % d != 0;
  if (!prime) dv_coll_raise<coll_msg::am_slots_not_prime>();
}

_RH_HashTable* _Rhash::create_HashTable(unsigned t, unsigned n, int type, dv_cluster* cluster) {
  assert_prime(n);
  const bool persistent = durnavel::is_persistent(this) != 0;
  void* hint = this;
  if (cluster == nullptr && depth_ > 0 && persistent) {
    _RH_HashTable* ct = count_table();
    if (!has_cluster()) {
      // The first table of a directory gets a cluster of the hash's segment.
      cluster = dv_database::of(this)->create_cluster();
      flags_ |= has_cluster_bit;
    } else if (ct != nullptr) {
      hint = ct->slots;
    }
  }
  char* slots = allocate_slots(n, cluster, hint);
  if (slots == nullptr) err_coll_internal.signal("no slot array of %u slots could be allocated", n);
  void* storage = ::operator new(sizeof(_RH_HashTable), dv_cluster::with(slots), _RH_HashTable::get_dv_typespec());
  auto* table = ::new (storage) _RH_HashTable();
  table->n_slots = n;
  table->slots = slots;

  unsigned words = bitmap_size(n);
  if (persistent && depth_ > 0 && page_of(table) == page_of(slots)) {
    // The rest of the header's page goes to the bitmap, so that the next
    // table starts on a page of its own.
    dv4u end = static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(table + 1));
    unsigned rest = (4096 - end % 4096) % 4096 / 4;
    if (rest > words) words = rest;
  }
  if (words > 0) {
    auto* bitmap = static_cast<dv4u*>(
        ::operator new(words * sizeof(dv4u), dv_cluster::with(table), dv_typespec::get_unsigned_int(), words));
    std::memset(bitmap, 0, words * sizeof(dv4u));
    table->bitmap = bitmap;
  }

  if (count_table_ == no_count_table) count_table_ = t;
  if (type == 2) {
    _RH_HashTable* old_count = count_table();
    if (old_count != nullptr) {
      table->element_count = old_count->element_count;
      old_count->element_count = 0;
    }
    count_table_ = t;
  }
  if (type == 0) table->local_depth = depth_;
  return table;
}

void _Rhash::destroy_HashTable(_RH_HashTable* table) {
  if (table == nullptr) return;
  ::operator delete(table->bitmap);
  delete_slots(table->slots);
  ::operator delete(table);
}

void _Rhash::assign_run(unsigned first, unsigned last, _RH_HashTable* table) {
  _RH_HashTable** dir = directory();
  for (unsigned e = first; e <= last; ++e) dir[e] = table;
}

unsigned _Rhash::find_left_boundry(unsigned t) const {
  _RH_HashTable* table = this->table(t);
  if (table == nullptr) return t;
  return t & ~(run_length(table->local_depth) - 1);
}

unsigned _Rhash::find_right_boundry(unsigned t) const {
  _RH_HashTable* table = this->table(t);
  if (table == nullptr) return t;
  return find_left_boundry(t) + run_length(table->local_depth) - 1;
}

void _Rhash::rehash_slots(unsigned l, unsigned m, const _RH_HashTable* old) {
  _RH_HashTable* left = table(l);
  _RH_HashTable* right = m == _Rhash_cursor::null_index ? left : table(m);
  for (unsigned i = 0; i < old->n_slots; ++i) {
    const char* slot = old->slot(i, slot_size_);
    if (!slot_occupied(slot)) continue;
    unsigned h = slot_hash(slot, 0);
    unsigned t = 0, hash = 0, index = 0;
    int found = 0;
    find_slot(slot_key(slot, h), _RH_reorg, t, hash, index, found, nullptr, nullptr, h);
    if (table(t) != left && table(t) != right) dv_coll_raise<rhash_msg::inconsistent_hash>();
    assign_the_slot(t, index, old, i);
  }
}

void _Rhash::assign_the_slot(unsigned target_t, unsigned index, const _RH_HashTable* old, unsigned old_index) {
  _RH_HashTable* target = table(target_t);
  slot_assign(target->slot(index, slot_size_), old->slot(old_index, slot_size_));
  if (keeps_overflow()) set_overflow(target_t, index, bit_of(old->bitmap, old_index));
  ++target->key_count;
}

int _Rhash::has_overflow(unsigned t, unsigned index) const {
  if (!keeps_overflow() || directory() == nullptr || t >= dir_size_) return 0;
  const _RH_HashTable* table = this->table(t);
  return table != nullptr && bit_of(table->bitmap, index);
}

void _Rhash::set_overflow(unsigned t, unsigned index, int on) {
  _RH_HashTable* table = this->table(t);
  if (table == nullptr || table->bitmap == nullptr) return;
  dv4u bit = 0x80000000u >> (index % 32);
  if (on)
    table->bitmap[index / 32] |= bit;
  else
    table->bitmap[index / 32] &= ~bit;
}

void _Rhash::clear_slots(void* begin, unsigned bytes) {
  if (!use_user_hash_fnc()) {
    persistent_memset(begin, 0, bytes);
    return;
  }
  char* empty = allocate_slots(1, dv_database::get_transient_cluster(), nullptr);
  for (unsigned offset = 0; offset + slot_size_ <= bytes; offset += slot_size_)
    slot_assign(static_cast<char*>(begin) + offset, empty);
  delete_slots(empty);
}

unsigned _Rhash::get_HashTable_size(unsigned t) const {
  const _RH_HashTable* table = this->table(t);
  return table == nullptr ? 0 : table->n_slots * slot_size_;
}

}  // namespace dv_qem
