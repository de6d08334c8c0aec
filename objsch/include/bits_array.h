// CBitsArray: a fixed-size set of flag bits that lives in the shop database
// or in memory. Bit i is bit i mod 8 of byte i / 8 (least significant first).
// A bit outside the capacity reads as 0 and is never written.
#pragma once

#include "dv_typespec.h"
#include "shop_layout.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class CBitsArray {
 public:
  // n bytes, all bits clear; the bytes lie in the database of the bit array
  // (on the ordinary heap for a bit array outside every database).
  explicit CBitsArray(objsch::dv4u n);
  // Frees the bytes.
  ~CBitsArray();
  // For the scratch instances of type registration: touches nothing.
  explicit CBitsArray(dv_qem::dv_probe_t) {}
  CBitsArray(const CBitsArray&) = delete;
  CBitsArray& operator=(const CBitsArray&) = delete;

  // The capacity in bits, 8 x n.
  objsch::dv4u GetSize() const { return 8 * m_nBytes; }
  // 0 or 1; 0 for a bit outside the capacity.
  int GetAt(objsch::dv4u i) const;
  // Sets (on nonzero) or clears bit i; nothing outside the capacity.
  void SetAt(objsch::dv4u i, int on);
  // The same (kept for the callers that use this name).
  void SetBit(objsch::dv4u i, int on) { SetAt(i, on); }
  // Sets or clears every bit.
  void SetAll(int on);
  // Sets or clears each listed bit. Fails, changing nothing, when any index
  // lies outside the capacity; no index at all succeeds.
  bool SetBits(const objsch::dv4u* indices, unsigned count, int on);

  objsch::dv4u m_nBytes;    // 0: byte count n
  unsigned char* m_pBytes;  // 4: the n bytes, null when n is 0

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CBitsArray, m_pBytes)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CBitsArray) == 8);

#pragma GCC diagnostic pop
