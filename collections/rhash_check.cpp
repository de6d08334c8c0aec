// Inspection of the extendible hash: the structural self-check, the
// directory print-out, and the positional operations that an unordered
// hash refuses.
#include <cstdio>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_rhash.h"
#include "rhash_messages.h"

namespace dv_qem {

namespace {

[[noreturn]] void broken(const char* rule, unsigned entry, unsigned a, unsigned b) {
  err_coll_verification.signal("%s: %s (directory entry %u: %u, %u)", rhash_msg::verification_failed.text, rule,
                               entry, a, b);
}

dv4u page_of(const void* p) { return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(p)) / 4096; }

}  // namespace

void _Rhash::check_hash_invariants() const {
  const _RH_HashTable* const* dir = directory();
  if (dir == nullptr) {
    if (_cardinality() != 0) broken("elements without a directory", 0, _cardinality(), 0);
    return;
  }
  if (depth_ >= 32 || dir_size_ != (1u << depth_)) broken("directory size is not 2^depth", 0, dir_size_, depth_);
  if (count_table_ != no_count_table && (count_table_ >= dir_size_ || dir[count_table_] == nullptr))
    broken("count table index names no table", count_table_, count_table_, dir_size_);

  unsigned elements = 0, keys = 0;
  for (unsigned e = 0; e < dir_size_;) {
    const _RH_HashTable* table = dir[e];
    if (table == nullptr) {
      ++e;
      continue;
    }
    if (table->local_depth > depth_) broken("local depth above global depth", e, table->local_depth, depth_);
    const unsigned length = run_length(table->local_depth);
    if (e % length != 0) broken("table run not aligned to its length", e, length, table->local_depth);
    for (unsigned k = e; k < e + length; ++k)
      if (dir[k] != table) broken("table run broken", k, length, table->local_depth);
    if (e + length < dir_size_ && dir[e + length] == table) broken("table run too long", e, length, 0);
    if (table->element_count != 0 && (count_table_ == no_count_table || dir[count_table_] != table))
      broken("element count kept outside the count table", e, table->element_count, count_table_);

    unsigned occupied = 0, tombstones = 0;
    for (unsigned i = 0; i < table->n_slots; ++i) {
      void* slot = table->slot(i, slot_size_);
      const unsigned overflow = has_overflow(e, i);
      if (!slot_occupied(slot)) {
        if (slot_status(slot, nullptr, _RH_reorg, nullptr, 0) == _RH_removed) ++tombstones;
        if (overflow) broken("overflow bit on a free slot", e, i, 0);
        continue;
      }
      ++occupied;
      elements += static_cast<unsigned>(slot_count(slot, overflow));
      unsigned t = 0, h = 0, index = 0;
      int found = 0;
      find_slot(slot_key(slot, 0), _RH_lookup, t, h, index, found, nullptr, nullptr, slot_hash(slot, 0));
      if (!found || dir[t] != table || index != i) broken("key not found at its own slot", e, i, index);
    }
    if (occupied != table->key_count) broken("key count differs from occupied slots", e, table->key_count, occupied);
    if (occupied + tombstones > max_keys(table->n_slots))
      broken("occupied and removed slots above the load limit", e, occupied + tombstones, table->n_slots);
    if (table->key_count + table->removed > max_keys(table->n_slots))
      broken("key and removed counts above the load limit", e, table->key_count + table->removed, table->n_slots);
    // A saturated count stands for at least as many removals as it shows.
    if (table->removed != _RH_HashTable::removed_limit && tombstones > table->removed)
      broken("more tombstones than removals", e, tombstones, table->removed);
    keys += occupied;
    e += length;
  }
  if (elements != _cardinality()) broken("element count differs from the slots' counts", count_table_, _cardinality(), elements);
  if (keys != _compute_n_keys()) broken("key counts differ", 0, keys, _compute_n_keys());
}

void _Rhash::_check_rep_invariants() const {
  check_hash_invariants();
  dv_dictionary::_check_rep_invariants();
}

void _Rhash::print_directory(int mode) const {
  const _RH_HashTable* const* dir = directory();
  unsigned printed = 0;
  if (mode == 555) {
    unsigned runs = 0;
    for (unsigned e = 0; dir != nullptr && e < dir_size_; ++e)
      if (e == 0 || dir[e] != dir[e - 1]) ++runs;
    std::printf("total HashTables in use = %i\n", static_cast<int>(runs));
  }
  for (unsigned e = 0; dir != nullptr && e < dir_size_; ++e) {
    const _RH_HashTable* table = dir[e];
    if (table == nullptr) continue;  // no table made for this entry yet
    if (mode == 666) {
      std::printf("%i:HT=%i,nk=%i,lvl=%i ", static_cast<int>(e),
                  static_cast<int>(reinterpret_cast<std::uintptr_t>(table->slots)), static_cast<int>(table->key_count),
                  static_cast<int>(table->local_depth));
      if (++printed % 4 == 0) std::printf("\n\n");
    } else if (mode == 777) {
      if (page_of(table->slots) != page_of(table) ||
          (table->bitmap != nullptr && page_of(table->bitmap) != page_of(table)))
        std::printf("slot array addr = %x  not with header addr = %x, for table = %i\n",
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(table->slots)),
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(table)), static_cast<int>(e));
    } else if (mode == 888 && keeps_overflow()) {
      if (e > 0 && dir[e - 1] == table) continue;
      unsigned overflowed = 0;
      for (unsigned i = 0; i < table->n_slots; ++i) overflowed += static_cast<unsigned>(has_overflow(e, i));
      std::printf("num_keys = %i, num_overflow = %i\n", static_cast<int>(table->key_count),
                  static_cast<int>(overflowed));
    }
  }
  std::printf("\n\n");
}

// ---- positional operations: an unordered hash has no positions -----------------------

namespace {
const char* const rep = "_Rhash";
}  // namespace

void _Rhash::_insert_first(const void*) { dv_coll_raise<coll_msg::needs_maintain_order>(); }
void _Rhash::_insert_last(const void*) { dv_coll_raise<coll_msg::insert_last_not_supported_by>(rep); }
void _Rhash::_insert_after(const void*, const dv_cursor&) { dv_coll_raise<coll_msg::insert_after_not_supported_by>(rep); }
void _Rhash::_insert_after(const void*, unsigned) { dv_coll_raise<coll_msg::insert_after_unordered>(rep); }
void _Rhash::_insert_before(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::insert_before_not_supported_by>(rep);
}
void _Rhash::_insert_before(const void*, unsigned) { dv_coll_raise<coll_msg::insert_before_unordered>(rep); }
int _Rhash::_remove_first(const void*&) { dv_coll_raise<coll_msg::remove_first_unordered>(rep); }
int _Rhash::_remove_last(const void*&) { dv_coll_raise<coll_msg::remove_last_unordered>(rep); }
void _Rhash::_remove_at(unsigned) { dv_coll_raise<coll_msg::remove_at_unordered>(rep); }
void _Rhash::_remove_at(const dv_cursor&) { dv_coll_raise<coll_msg::remove_at_unordered>(rep); }
void* _Rhash::_replace_at(const void*, unsigned) { dv_coll_raise<coll_msg::replace_at_unordered>(rep); }
void* _Rhash::_replace_at(const void*, const dv_cursor&) { dv_coll_raise<coll_msg::replace_at_unordered>(rep); }
int _Rhash::_retrieve_first(const void*&) const { dv_coll_raise<coll_msg::retrieve_first_unordered>(rep); }
int _Rhash::_retrieve_last(const void*&) const { dv_coll_raise<coll_msg::retrieve_last_unordered>(rep); }

}  // namespace dv_qem
