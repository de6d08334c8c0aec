// The program-wide state every shop class reads: one process has at most one
// shop open. The shop session sets it (Open, Create, AttachRoot, Close).
#pragma once

#include "dv_database.h"
#include "fw_types.h"

class Root;
class CSingletonPool;

// Database in which shop objects made with the persistent flag 1 are
// allocated; null while no shop is open.
extern dv_qem::dv_database* g_pShopDatabase;
// The open shop's Root; null while none is attached.
extern Root* g_pShopRoot;
// 1 when the open shop's signature is not the current one.
extern BOOL g_bOldShopFormat;
// Set by the Commit of a scope nested in a transaction that a scope owns;
// that owner commits at its end because of it. Cleared whenever an owning
// scope begins, commits or aborts.
extern BYTE g_bCommitRequested;
// The open shop's pool; created when a root is attached, deleted by Close.
extern CSingletonPool* g_pShopPool;

// The database for a shop object made with the persistent flag: the current
// shop database for 1, the transient database for 0.
dv_qem::dv_database* ShopDatabaseFor(BOOL persistent);
