// Opening, creating, saving and closing a shop file.
#include "shop_session.h"

#include <exception>
#include <string>

#include "dv_database_root.h"
#include "dv_transaction.h"
#include "root.h"
#include "shop_lists.h"
#include "singleton_pool.h"
#include "transaction_scope.h"

namespace {

constexpr const char* kRootName = objsch::kShopRootName;

}  // namespace

CShopSession::CShopSession() : m_sRoot(nullptr), m_db(nullptr), m_nUncaught(std::uncaught_exceptions()) {
  g_bOldShopFormat = 0;
  g_pShopRoot = nullptr;
}

CShopSession::~CShopSession() noexcept(false) {
  if (std::uncaught_exceptions() <= m_nUncaught) {
    Close();
    return;
  }
  try {
    Close();
  } catch (...) {
    // The exception in flight is the one the caller learns of.
  }
}

Root* CShopSession::GetRoot() {
  if (!dv_qem::dv_database::is_open(m_db)) return nullptr;
  dv_qem::dv_database_root* root = m_db->find_root(kRootName);
  return root != nullptr ? static_cast<Root*>(root->get_value(nullptr)) : nullptr;
}

void CShopSession::Open(LPCSTR path) {
  if (dv_qem::dv_database::is_open(m_db)) Close();
  if (dv_qem::dv_database::needs_recovery(path)) dv_qem::dv_database::recover(path);
  try {
    m_db = dv_qem::dv_database::open(path, 0, 0, 0);
  } catch (const dv_qem::dv_err_unmarked_type& e) {
    // A stored type that no type of this program answers to, met by the
    // start-up checks of the open: the file is no shop of ours, or damaged.
    throw dv_qem::dv_err_not_a_database("%s is not a valid database: %s", path, e.get_report());
  }
  g_pShopDatabase = m_db;
  m_wildFaults.emplace();
  try {
    AttachRoot(false);
  } catch (...) {
    const std::string file = m_db->get_pathname();
    Close();
    try {
      throw;
    } catch (const objsch::shop_err_not_a_shop&) {
      throw;
    } catch (const dv_qem::dv_err_database_is_locked&) {
      throw;
    } catch (const dv_qem::dv_err_write_permission_denied&) {
      throw;
    } catch (const dv_qem::dv_err_opened_read_only&) {
      throw;
    } catch (const dv_qem::dv_err_trans&) {
      throw;
    } catch (const dv_qem::dv_err& damage) {
      // Anything else the store raised while the shop was attached (a page
      // that fails the heap's checks, a stored pointer or collection that
      // leads nowhere): the file is damaged, and the message names it.
      throw dv_qem::dv_err_not_a_database("%s is not a valid database: %s", file.c_str(), damage.get_report());
    }
  }
}

void CShopSession::Create(LPCSTR path) {
  if (dv_qem::dv_database::is_open(m_db)) Close();
  m_db = dv_qem::dv_database::create(path, 0666, 1, 8);
  // A new shop is never of the older format, whatever was open before; so
  // its Root always has the sample departments.
  g_bOldShopFormat = 0;
  AttachRoot(true);
}

void CShopSession::AttachRoot(bool create) {
  CTransactionScope scope;
  if (m_db->find_root(kRootName) != nullptr) {
    m_sRoot = nullptr;
    m_sRoot = objsch::CheckShopDatabase(m_db);
    // An empty signature leaves the format as it was.
    const CString signature = objsch::ShopSignature(m_sRoot);
    if (!signature.IsEmpty()) g_bOldShopFormat = objsch::IsOlderShopSignature(signature);
    g_pShopRoot = m_sRoot;
    CSingletonPool::Create();
    m_sRoot->SetDefLanguage(-1);
    scope.Commit();
    return;
  }
  if (!create)
    throw objsch::shop_err_not_a_shop("%s holds no shop (no root \"%s\")", m_db->get_pathname(), kRootName);

  dv_qem::dv_database_root* root = m_db->create_root(kRootName);
  g_pShopDatabase = m_db;
  CSingletonPool::Create();
  g_pShopRoot = nullptr;
  m_sRoot = objsch::NewObject<Root>(TRUE, TRUE);
  m_db->self_check();
  g_pShopRoot = m_sRoot;
  root->set_value(m_sRoot, nullptr);
  m_db->self_check();
  scope.Commit();
  m_db->save();
}

void CShopSession::Save() {
  if (m_db == nullptr) return;
  m_sRoot->SetDefLanguage(CSingletonPool::GetDefLanguage());
  m_db->save();
}

void CShopSession::Close() {
  CSingletonPool::Delete();
  dv_qem::dv_database* db = m_db;
  m_db = nullptr;
  m_sRoot = nullptr;
  g_pShopRoot = nullptr;
  g_pShopDatabase = nullptr;
  m_wildFaults.reset();
  if (dv_qem::dv_database::is_open(db)) db->close();
}
