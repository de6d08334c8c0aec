// A vector of bits that counts its set bits. The layout is the same in
// transient memory and inside a database page, so every operation works in
// place on the vector's own words and the vector holds no pointers.
#pragma once

#include <cstddef>
#include <type_traits>

#include "dv_types.h"

namespace dv_qem {

// Stored layout: the two header words below, then n_bits / 32 bit words.
// Bit n is bit n % 32 of bit word n / 32.
struct _Bit_vector {
  dv4u n_bits;  // capacity: a multiple of 32, at least 32
  dv4u count;   // number of bits set

  static constexpr dv4u bits_per_word = 32;
  // The largest capacity a request can round up to.
  static constexpr dv4u max_bits = 0xFFFFFFE0u;

  // n rounded up to a multiple of 32, at least 32 (0..32 give 32, 33 gives
  // 64). n beyond max_bits is refused by an assertion.
  static dv4u capacity_for(dv4u n);
  // Size of a vector for n bits, header included: in u32 words and in bytes.
  static size_t words_for(dv4u n);
  static size_t bytes_for(dv4u n);

  // Makes the bytes_for(n) bytes at this a vector of capacity_for(n) clear
  // bits. This is how every vector, transient or persistent, is made.
  void init(dv4u n);

  // A transient vector of n clear bits on the heap; release with destroy.
  static _Bit_vector* create(dv4u n);
  static void destroy(_Bit_vector* v);
  // A new transient vector of n bits holding this one's bits below its
  // capacity; this one is left for the caller to free.
  _Bit_vector* resized(dv4u n) const;
  // Copies the bits that fit into target (already initialised, bits clear)
  // and sets its count.
  void copy_to(_Bit_vector& target) const;

  // Bit n, which must be below n_bits (assertion "n < n_bits").
  bool test(dv4u n) const;
  // Set and clear keep count equal to the number of set bits, also when the
  // bit already had the requested value.
  void set(dv4u n);
  void clear(dv4u n);

  // Iteration. Each returns false at the end (leaving n as it was), else
  // true with the bit number in n. Whole zero words are skipped.
  // The first set bit at or above from.
  bool find_set_from(dv4u from, dv4u& n) const;
  // The last set bit at or below from (from may lie beyond the capacity).
  bool find_set_at_or_below(dv4u from, dv4u& n) const;
  bool first_set(dv4u& n) const { return find_set_from(0, n); }
  bool next_set(dv4u& n) const { return n + 1 < n_bits && find_set_from(n + 1, n); }
  bool last_set(dv4u& n) const { return find_set_at_or_below(n_bits - 1, n); }
  bool previous_set(dv4u& n) const { return n > 0 && find_set_at_or_below(n - 1, n); }

  // Counts the set bits in the words (count is what the vector records).
  dv4u count_set_bits() const;

  dv4u n_words() const { return n_bits / bits_per_word; }
  dv4u* words() { return reinterpret_cast<dv4u*>(this + 1); }
  const dv4u* words() const { return reinterpret_cast<const dv4u*>(this + 1); }
};

static_assert(std::is_standard_layout_v<_Bit_vector>);
static_assert(std::is_trivially_copyable_v<_Bit_vector>);
static_assert(sizeof(_Bit_vector) == 8, "header of two u32 words before the bit words");
static_assert(offsetof(_Bit_vector, n_bits) == 0);
static_assert(offsetof(_Bit_vector, count) == 4);

}  // namespace dv_qem
