// The stored header of one table of an extendible hash (_Rhash): an
// open-addressing slot array of prime length, the counts that drive its
// reorganisation and the optional overflow bitmap. The slot array is one
// persistent block: a u32 slot count followed by the slots; the header keeps
// the address of slot 0.
#pragma once

#include <cstddef>

#include "dv_types.h"

namespace dv_qem {

class dv_typespec;

struct _RH_HashTable {
  dv2u local_depth = 0;    // serves 2^(global depth - local depth) consecutive directory entries
  dv2u removed = 0;        // tombstones made since the table was built, saturating at removed_limit
  dv4u element_count = 0;  // elements of the whole hash; kept only in the count table
  dv4u key_count = 0;      // occupied slots of this table
  dv4u n_slots = 0;        // slot count, a recommended (prime) hash size
  char* slots = nullptr;   // slot 0 of the slot array (the count word precedes it)
  dv4u* bitmap = nullptr;  // overflow bits, most significant bit first; or null

  // The removed count stops here instead of wrapping; a table whose count
  // reaches it is rebuilt at its next reorganisation check, which clears its
  // tombstones.
  static constexpr dv2u removed_limit = 0xFFFF;
  void note_removed() {
    if (removed < removed_limit) ++removed;
  }

  // The address of slot i for slots of slot_size bytes.
  char* slot(unsigned i, unsigned slot_size) const { return slots + static_cast<std::size_t>(i) * slot_size; }
  // The index of the slot at p.
  unsigned index_of(const void* p, unsigned slot_size) const {
    return static_cast<unsigned>((static_cast<const char*>(p) - slots) / slot_size);
  }

  static dv_typespec* get_dv_typespec();
};

static_assert(sizeof(_RH_HashTable) == 24);
static_assert(offsetof(_RH_HashTable, local_depth) == 0);
static_assert(offsetof(_RH_HashTable, removed) == 2);
static_assert(offsetof(_RH_HashTable, element_count) == 4);
static_assert(offsetof(_RH_HashTable, key_count) == 8);
static_assert(offsetof(_RH_HashTable, n_slots) == 12);
static_assert(offsetof(_RH_HashTable, slots) == 16);
static_assert(offsetof(_RH_HashTable, bitmap) == 20);

// What a probe is for (argument of find_slot and slot_status).
enum _RH_search_type : int { _RH_insert = 0, _RH_lookup = 1, _RH_reorg = 2, _RH_remove = 3 };

// What a slot holds, as slot_status answers. With _RH_reorg an occupied
// slot always answers _RH_other_key.
enum _RH_slot_status : int { _RH_empty = 0, _RH_removed = 1, _RH_other_key = 2, _RH_match = 3 };

}  // namespace dv_qem
