// CSingletonPool: the pool of lists and the default language of the open
// shop. It lives on the ordinary heap while a shop is open. Stored layout.
#pragma once

#include "shop_layout.h"
#include "dv_coll_typed.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class CSingletonPool {
 public:
  // The default language index of the open shop: 0 for a shop of the older
  // format or when no shop is open.
  static int GetDefLanguage();
  // The open shop's pool, made (with its lists, all transient) when there
  // is none.
  static CSingletonPool* Create();
  // Deletes the pool with its lists; nothing when there is none.
  static void Delete();
  // The pool's index := the position among the shop's allowed languages of
  // the shop language at index (marked active); a missing language is
  // reported and keeps the old index. The shop's default-position setting
  // follows the pool's index.
  static void SetDefLanguage(int index);

  static constexpr int kTransientLists = 19;

  dv_qem::dv_List<void>* m_transientLists[kTransientLists];    // 0: in the transient database
  dv_qem::dv_List<void>** m_holders[kTransientLists];          // 76: heap holders of the same facades
  objsch::dv4u m_nSize;                                        // 152: size stamp, 172
  dv_qem::dv_List<void>* m_shopLists[2];                       // 156: in the shop database
  objsch::dv4u m_nDefLanguage;                                 // 164: 0 at creation
  // 168: zero; the stored descriptor counts 172 bytes and 40 pointers, the
  // members above 168 bytes.
  objsch::dv4u m_nReserved;

  static constexpr auto pointer_offsets() {
    objsch::shop_offsets<2 * kTransientLists + 2> offsets{};
    for (int i = 0; i < 2 * kTransientLists; ++i) offsets[i] = 4 * i;
    offsets[2 * kTransientLists] = offsetof(CSingletonPool, m_shopLists);
    offsets[2 * kTransientLists + 1] = offsetof(CSingletonPool, m_shopLists) + 4;
    return offsets;
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CSingletonPool) == 172 && offsetof(CSingletonPool, m_nSize) == 152);
static_assert(offsetof(CSingletonPool, m_nDefLanguage) == 164);

#pragma GCC diagnostic pop
