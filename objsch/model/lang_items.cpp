// The multi-language text's clean-up.
#include "lang_items.h"

#include "durnavel.h"

CMLText::~CMLText() { CleanUp(); }

void CMLText::CleanUp() {
  if (m_pItems == nullptr) return;
  while (CNameLangPtr* item = m_pItems->remove_last()) dv_qem::durnavel::free_memory(item);
}
