// The pool of the open shop.
#include "singleton_pool.h"

#include <cstring>
#include <new>

#include "durnavel.h"
#include "dv_cursor.h"
#include "fw_message_box.h"
#include "root.h"
#include "shop_lists.h"

CSingletonPool* CSingletonPool::Create() {
  if (g_pShopPool != nullptr) return g_pShopPool;
  auto* pool = new CSingletonPool;
  std::memset(static_cast<void*>(pool), 0, sizeof *pool);
  for (int i = 0; i < kTransientLists; ++i) {
    pool->m_transientLists[i] = objsch::NewList<void>(FALSE);
    pool->m_holders[i] = new dv_qem::dv_List<void>*(pool->m_transientLists[i]);
  }
  pool->m_nSize = sizeof(CSingletonPool);
  for (auto*& list : pool->m_shopLists) list = objsch::NewList<void>(FALSE);
  pool->m_nDefLanguage = 0;
  g_pShopPool = pool;
  return pool;
}

void CSingletonPool::Delete() {
  CSingletonPool* pool = g_pShopPool;
  if (pool == nullptr) return;
  pool->m_nDefLanguage = 0;
  g_pShopPool = nullptr;
  for (int i = 0; i < kTransientLists; ++i) {
    delete pool->m_holders[i];
    objsch::DestroyList(pool->m_transientLists[i]);
  }
  for (auto*& list : pool->m_shopLists) objsch::DestroyList(list);
  delete pool;
}

void CSingletonPool::SetDefLanguage(int index) {
  CSingletonPool* pool = Create();
  ShopInfo& info = g_pShopRoot->m_sShopInfo;
  ShopInfo_Lang* record = info.GetLangItem(index, FALSE);
  if (record == nullptr) {
    AfxMessageBox("CSingletonPool::SetDefLanguage() -> Shop Lang = NULL!", MB_OK);
  } else {
    dv_qem::dv_cursor cursor(*info.m_aLanguagesAllowed);
    void* e = nullptr;
    int position = 0;
    for (int more = cursor.first(e); more; more = cursor.next(e), ++position) {
      auto* entry = static_cast<CActiveLanguage*>(e);
      if (entry->GetLanguage() != record) continue;
      entry->SetActive(TRUE);
      pool->m_nDefLanguage = static_cast<objsch::dv4u>(position);
      break;
    }
  }
  info.SetDefLanguagePos(static_cast<int>(pool->m_nDefLanguage));
}
