// Stored layout of a hash dictionary: its 24-byte header and the 12-byte
// slots of its table. Every link is self-relative, so a dictionary inside a
// database needs no fix-up when the database is mapped at another address.
#pragma once

#include <cstddef>

#include "dv_types.h"

namespace dv_qem {

struct _Chash_header {
  dv4s slots;      // self-relative link to slot 0 of the table
  dv4u entries;    // live pairs
  dv4u deleted;    // slots that held a pair since removed (tombstones)
  dv4u size;       // slots in the table (a prime from the size table)
  dv4u threshold;  // size x 7 / 10: the table is reorganised when an insert reaches it
  dv4u flags;      // bit 0: a reorganisation is in progress
};

static_assert(sizeof(_Chash_header) == 24);
static_assert(offsetof(_Chash_header, slots) == 0);
static_assert(offsetof(_Chash_header, entries) == 4);
static_assert(offsetof(_Chash_header, deleted) == 8);
static_assert(offsetof(_Chash_header, size) == 12);
static_assert(offsetof(_Chash_header, threshold) == 16);
static_assert(offsetof(_Chash_header, flags) == 20);

constexpr dv4u _Chash_in_reorg_flag = 1;

// The table is an array of slots behind a 4-byte word holding the slot count
// (the array header of a counted allocation). All zero is an empty slot.
struct _Chash_slot {
  dv4s value;  // self-relative link to the value: 0 = empty, -1 (the slot itself) = deleted
  dv4u key;    // string and pointer keys: self-relative link to the key; integers: the key
  dv4u hash;   // the key's hash, kept so that reorganising need not hash again; 0 when deleted
};

static_assert(sizeof(_Chash_slot) == 12);
static_assert(offsetof(_Chash_slot, value) == 0);
static_assert(offsetof(_Chash_slot, key) == 4);
static_assert(offsetof(_Chash_slot, hash) == 8);

constexpr dv4s _Chash_empty_value = 0;
constexpr dv4s _Chash_deleted_value = -1;

}  // namespace dv_qem
