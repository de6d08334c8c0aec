// The string handle of every text field of the shop model, and the
// fixed-length string array. Stored layouts only; both are owned by the
// record that embeds them.
#pragma once

#include "dv_coll_typed.h"
#include "shop_layout.h"

class CQEMString;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// One word: the persistent string it stands for (in the current shop
// database or the transient database). The string lives as long as its
// database; the handle has no destructor.
class CMyString {
 public:
  CQEMString* m_pString;  // 0: the string object

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CMyString, m_pString)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// A fixed number of CMyString handles kept in a persistent array.
class CMyStringArray {
 public:
  objsch::dv4u m_nCount;                      // 0: the number of elements the owner wants
  dv_qem::dv_Array<CMyString>* m_pStrings;  // 4: the handles, each allocated on its own

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CMyStringArray, m_pStrings)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CMyString) == 4);
static_assert(sizeof(CMyStringArray) == 8);

#pragma GCC diagnostic pop
