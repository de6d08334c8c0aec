// Bit vectors: sizing, transient creation and resizing, bit access and
// iteration over set bits.
#include "dv_bitvector.h"

#include <cstring>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

constexpr dv4u mask_of(dv4u n) { return dv4u{1} << (n % _Bit_vector::bits_per_word); }

}  // namespace

dv4u _Bit_vector::capacity_for(dv4u n) {
  DV_ASSERT(n <= max_bits);
  if (n < bits_per_word) return bits_per_word;
  return (n + bits_per_word - 1) / bits_per_word * bits_per_word;
}

size_t _Bit_vector::words_for(dv4u n) {
  return sizeof(_Bit_vector) / sizeof(dv4u) + capacity_for(n) / bits_per_word;
}

size_t _Bit_vector::bytes_for(dv4u n) { return words_for(n) * sizeof(dv4u); }

void _Bit_vector::init(dv4u n) {
  n_bits = capacity_for(n);
  count = 0;
  std::memset(words(), 0, n_words() * sizeof(dv4u));
}

_Bit_vector* _Bit_vector::create(dv4u n) {
  auto* v = static_cast<_Bit_vector*>(_VRN_allocate_zeroed(bytes_for(n), 1));
  v->n_bits = capacity_for(n);
  return v;
}

void _Bit_vector::destroy(_Bit_vector* v) { _VRN_free(v); }

_Bit_vector* _Bit_vector::resized(dv4u n) const {
  _Bit_vector* copy = create(n);
  copy_to(*copy);
  return copy;
}

void _Bit_vector::copy_to(_Bit_vector& target) const {
  dv4u words_kept = n_words() < target.n_words() ? n_words() : target.n_words();
  std::memcpy(target.words(), words(), words_kept * sizeof(dv4u));
  // A smaller target drops the bits beyond its capacity, so count afresh.
  target.count = target.count_set_bits();
}

bool _Bit_vector::test(dv4u n) const {
  DV_ASSERT(n < n_bits);
  return (words()[n / bits_per_word] & mask_of(n)) != 0;
}

void _Bit_vector::set(dv4u n) {
  DV_ASSERT(n < n_bits);
  dv4u& word = words()[n / bits_per_word];
  if ((word & mask_of(n)) != 0) return;
  word |= mask_of(n);
  ++count;
}

void _Bit_vector::clear(dv4u n) {
  DV_ASSERT(n < n_bits);
  dv4u& word = words()[n / bits_per_word];
  if ((word & mask_of(n)) == 0) return;
  word &= ~mask_of(n);
  --count;
}

bool _Bit_vector::find_set_from(dv4u from, dv4u& n) const {
  if (from >= n_bits) return false;
  const dv4u* w = words();
  dv4u index = from / bits_per_word;
  dv4u word = w[index] & (~dv4u{0} << (from % bits_per_word));
  while (word == 0) {
    if (++index == n_words()) return false;
    word = w[index];
  }
  n = index * bits_per_word + static_cast<dv4u>(__builtin_ctz(word));
  return true;
}

bool _Bit_vector::find_set_at_or_below(dv4u from, dv4u& n) const {
  if (from >= n_bits) from = n_bits - 1;
  const dv4u* w = words();
  dv4u index = from / bits_per_word;
  dv4u word = w[index] & (~dv4u{0} >> (bits_per_word - 1 - from % bits_per_word));
  while (word == 0) {
    if (index == 0) return false;
    word = w[--index];
  }
  n = index * bits_per_word + (bits_per_word - 1 - static_cast<dv4u>(__builtin_clz(word)));
  return true;
}

dv4u _Bit_vector::count_set_bits() const {
  dv4u total = 0;
  for (dv4u i = 0; i < n_words(); ++i) total += static_cast<dv4u>(__builtin_popcount(words()[i]));
  return total;
}

}  // namespace dv_qem
