// A department's search-engine record: names per language (the CMLText
// part) and a list of further multi-language items it owns. Stored layout.
#pragma once

#include "lang_items.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class CSearchEngine : public CMLText {
 public:
  explicit CSearchEngine(dv_qem::dv_probe_t p) : CMLText(p) {}
  // One name item of the default language and no items.
  explicit CSearchEngine(BOOL persistent);
  // Clears, then destroys the list.
  ~CSearchEngine() override;
  // Frees the name items, then removes, destroys and frees every item.
  void CleanUp() override;

  dv_qem::dv_List<CMLText>* m_pItems2;  // 12: owned items of the CMLText family

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(CMLText::pointer_offsets(), objsch::shop_at(offsetof(CSearchEngine, m_pItems2)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

static_assert(sizeof(CSearchEngine) == 16 && offsetof(CSearchEngine, m_pItems2) == 12);

#pragma GCC diagnostic pop
