// The one rule by which every owner of language items finds the item of a
// language (multi-language texts, pictures, features, departments,
// products, options, choices).
#pragma once

#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "fw_types.h"
#include "shop_state.h"

class ShopInfo_Lang;

namespace objsch {

// The item of the record in items: null for an empty list; the first item
// in a shop of the older format; else the first item of that record; when
// none, make() appends a new item of the record when create is set, and the
// first item answers otherwise.
template <class Item, class Make>
Item* FindLangItem(dv_qem::dv_List<Item>* items, ShopInfo_Lang* wanted, BOOL create, Make make) {
  if (items == nullptr || items->empty()) return nullptr;
  if (g_bOldShopFormat) return items->retrieve_first();
  dv_qem::dv_cursor cursor(*items);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    Item* item = static_cast<Item*>(e);
    if (item->GetLanguage() == wanted) return item;
  }
  if (!create) return items->retrieve_first();
  Item* item = make();
  item->SetLanguage(wanted);
  items->insert_last(item);
  return item;
}

}  // namespace objsch
