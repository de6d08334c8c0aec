// The search-engine record of a department.
#include "search_engine.h"

#include "shop_lists.h"

CSearchEngine::CSearchEngine(BOOL persistent) : CMLText(persistent), m_pItems2(objsch::NewList<CMLText>(persistent)) {}

CSearchEngine::~CSearchEngine() {
  CleanUp();
  objsch::DestroyList(m_pItems2);
}

void CSearchEngine::CleanUp() {
  CMLText::CleanUp();
  if (m_pItems2 == nullptr) return;
  while (CMLText* item = m_pItems2->remove_last()) objsch::DeleteObject(item);
}
