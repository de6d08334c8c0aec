// The program-wide shop state.
#include "shop_state.h"

dv_qem::dv_database* g_pShopDatabase = nullptr;
Root* g_pShopRoot = nullptr;
BOOL g_bOldShopFormat = 0;
BYTE g_bCommitRequested = 0;
CSingletonPool* g_pShopPool = nullptr;

dv_qem::dv_database* ShopDatabaseFor(BOOL persistent) {
  return persistent ? g_pShopDatabase : dv_qem::dv_database::get_transient_database();
}
