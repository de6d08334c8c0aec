// Where the slot tables of hash dictionaries live. A table is allocated where
// its dictionary lives: in the system page group of the dictionary's
// database, typed as an array of the key kind's slot type, or on the heap for
// a transient dictionary. The block is a counted array: a 4-byte word holding
// the slot count, then the slots, all zero.
#pragma once

#include <cstddef>

#include "chash.h"
#include "dv_types.h"

namespace dv_qem {

// A zeroed block of count x slot_size + 4 bytes placed with owner; returns the
// address of slot 0, the count word lying just before it. A block that would
// not fit in the address space throws dv_err_alloc; an exhausted heap throws
// dv_err_out_of_virtual_memory; a database allocation throws what the
// allocator throws. A dictionary of integer keys has no slot type in a
// database: dv_err_not_supported.
void* _Chash_allocate_slots(const void* owner, unsigned count, unsigned slot_size,
                            _Chash_key_kind kind);

// Frees a block from _Chash_allocate_slots, given its slot 0 (null: nothing).
void _Chash_release_slots(const void* slots);

// The slot count stored in front of slot 0.
inline dv4u _Chash_slot_count(const void* slots) { return static_cast<const dv4u*>(slots)[-1]; }

// Whether owner lies in an open database, so that its table must be
// allocated there.
bool _Chash_owner_is_persistent(const void* owner);

// Whether the n bytes from begin may belong to the dictionary at owner: a
// transient dictionary's may lie anywhere, a persistent one's only inside
// the image of the owner's database.
bool _Chash_lies_with_owner(const void* owner, const void* begin, size_t n);

// Test hook: where the blocks of transient dictionaries come from. Tests
// route them into memory they control; null restores the C heap. Switch only
// while no transient table from the previous source is alive.
struct _Chash_block_source {
  void* (*allocate_zeroed)(size_t bytes);
  void (*release)(void* block);
};
void _Chash_set_transient_block_source(const _Chash_block_source* source);

}  // namespace dv_qem
