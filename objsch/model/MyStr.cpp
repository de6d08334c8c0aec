// The string handle of the shop model, the fixed-length string array and
// the transaction scope.
#include <exception>
#include <new>

#include "durnavel.h"
#include "dv_new.h"
#include "fw_mbs.h"
#include "fw_message_box.h"
#include "my_string.h"
#include "qem_string.h"
#include "shop_lists.h"
#include "shop_state.h"
#include "transaction_scope.h"

namespace {

// The database of a new string: the current shop database for persistent
// 1 -- which, while none is set yet, becomes the database of the handle
// itself -- else the transient database.
dv_qem::dv_database* StringDatabase(const void* handle, BOOL persistent) {
  if (persistent && g_pShopDatabase == nullptr) g_pShopDatabase = dv_qem::dv_database::of(handle);
  return ShopDatabaseFor(persistent);
}

CQEMString* NewString(const void* handle, BOOL persistent, LPCSTR text) {
  void* place = ::operator new(sizeof(CQEMString), StringDatabase(handle, persistent),
                               &dv_qem::dv_ts<CQEMString>::the_instance);
  try {
    return ::new (place) CQEMString(text != nullptr && *text != '\0' ? text : "");
  } catch (...) {
    dv_qem::durnavel::free_memory(place);
    throw;
  }
}

// Scope misuse: a commit or abort with no transaction current.
void ReportInternalError(int line) {
  CString text;
  text.Format("Internal error in file %s (%d)", "objsch\\MyStr", line);
  AfxMessageBox(text, MB_OK);
}

constexpr int kLineCommitWithoutTransaction = 44;
constexpr int kLineAbortWithoutTransaction = 62;

}  // namespace

// ---- CMyString ----------------------------------------------------------------

CMyString::CMyString(BOOL persistent) : m_pString(NewString(this, persistent, nullptr)) {}
CMyString::CMyString(LPCSTR text, BOOL persistent) : m_pString(NewString(this, persistent, text)) {}
CMyString::CMyString(const CQEMString& text, BOOL persistent) : m_pString(NewString(this, persistent, text)) {}
CMyString::CMyString(const CString& text, BOOL persistent) : m_pString(NewString(this, persistent, text)) {}

CMyString* CMyString::CreateNew(BOOL persistent) {
  void* place = ::operator new(sizeof(CMyString), ShopDatabaseFor(persistent), &dv_qem::dv_ts<CMyString>::the_instance);
  try {
    return ::new (place) CMyString(persistent);
  } catch (...) {
    dv_qem::durnavel::free_memory(place);
    throw;
  }
}

void CMyString::DestroyString() {
  if (m_pString == nullptr) return;
  m_pString->~CQEMString();
  dv_qem::durnavel::free_memory(m_pString);
  m_pString = nullptr;
}

void CMyString::Free(CMyString* handle) {
  if (handle == nullptr) return;
  handle->DestroyString();
  dv_qem::durnavel::free_memory(handle);
}

CMyString& CMyString::operator=(LPCSTR text) {
  *m_pString = text != nullptr ? text : "";
  return *this;
}

CMyString& CMyString::operator=(const CString& text) {
  *m_pString = static_cast<LPCSTR>(text);
  return *this;
}

CMyString& CMyString::operator=(const CQEMString& text) {
  *m_pString = text;
  return *this;
}

CMyString& CMyString::operator=(const CMyString& other) {
  if (this == &other) return *this;
  CString copy(static_cast<LPCSTR>(*other.m_pString));
  *m_pString = static_cast<LPCSTR>(copy);
  return *this;
}

CMyString& CMyString::operator+=(LPCSTR text) {
  if (text != nullptr) *m_pString += text;
  return *this;
}

int CMyString::GetLength() const { return m_pString->GetLength(); }
CMyString::operator LPCSTR() const { return static_cast<LPCSTR>(*m_pString); }
int CMyString::Compare(const CMyString& other) const { return fw_mbs::compare(*this, other); }
int CMyString::CompareNoCase(const CMyString& other) const { return fw_mbs::compare_no_case(*this, other); }

// ---- CMyStringArray -----------------------------------------------------------

CMyStringArray::CMyStringArray(objsch::dv4u count, BOOL persistent)
    : m_nCount(count),
      m_pStrings(objsch::NewArray<CMyString>(persistent)) {}

CMyString* CMyStringArray::GetAt(objsch::dv4u i) {
  BOOL persistent = dv_qem::durnavel::is_persistent(this);
  while (m_pStrings->cardinality() <= i) m_pStrings->insert_last(CMyString::CreateNew(persistent));
  return m_pStrings->retrieve(i);
}

void CMyStringArray::Fill() {
  BOOL persistent = dv_qem::durnavel::is_persistent(this);
  while (m_pStrings->cardinality() < m_nCount) m_pStrings->insert_last(CMyString::CreateNew(persistent));
}

void CMyStringArray::Add(CMyString* p) { m_pStrings->insert_last(p); }

void CMyStringArray::RemoveAll(BOOL free) {
  while (!m_pStrings->empty()) {
    CMyString* p = m_pStrings->remove_last();
    if (free) CMyString::Free(p);
  }
}

void CMyStringArray::Destroy() {
  if (m_pStrings == nullptr) return;
  RemoveAll(TRUE);
  objsch::DestroyList(m_pStrings);
}

// ---- CTransactionScope --------------------------------------------------------

namespace {

// The transaction that an owning scope began and that is still open; null
// when none. A request for a commit belongs to it alone: an inner scope
// asks only while it is current, and it is cleared whenever an owner begins,
// commits or aborts, so that no request reaches the next transaction.
dv_qem::dv_transaction* g_pOwnedTransaction = nullptr;

void EndOwnership() {
  g_pOwnedTransaction = nullptr;
  g_bCommitRequested = 0;
}

}  // namespace

CTransactionScope::CTransactionScope()
    : m_pTrans(nullptr), m_bOwned(false), m_nUncaught(std::uncaught_exceptions()) {
  if (dv_qem::dv_transaction::get_current() == nullptr) {
    m_pTrans = dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
    m_bOwned = true;
    g_pOwnedTransaction = m_pTrans;
    g_bCommitRequested = 0;
  }
}

void CTransactionScope::Commit() {
  if (m_pTrans == nullptr) {
    // A scope nested in an owner's transaction asks the owner. One that
    // owned a transaction and has ended it, or that lies in a transaction
    // no scope owns, has nobody to ask.
    dv_qem::dv_transaction* current = dv_qem::dv_transaction::get_current();
    if (!m_bOwned && current != nullptr && current == g_pOwnedTransaction) g_bCommitRequested = 1;
    return;
  }
  EndOwnership();
  if (dv_qem::dv_transaction::get_current() == nullptr) {
    m_pTrans = nullptr;
    ReportInternalError(kLineCommitWithoutTransaction);
    return;
  }
  m_pTrans = nullptr;
  try {
    dv_qem::dv_transaction::commit();
  } catch (...) {
    // A commit that fails (a write refused) leaves no transaction behind:
    // it is undone, and the caller learns of the commit's error.
    if (dv_qem::dv_transaction::get_current() != nullptr) {
      try {
        dv_qem::dv_transaction::abort();
      } catch (...) {
      }
    }
    throw;
  }
}

CTransactionScope::~CTransactionScope() noexcept(false) {
  if (m_pTrans == nullptr) return;
  bool unwinding = std::uncaught_exceptions() > m_nUncaught;
  if (g_bCommitRequested && !unwinding) {
    Commit();
    return;
  }
  EndOwnership();
  m_pTrans = nullptr;
  if (dv_qem::dv_transaction::get_current() == nullptr) {
    ReportInternalError(kLineAbortWithoutTransaction);
    return;
  }
  if (!unwinding) {
    dv_qem::dv_transaction::abort();
    return;
  }
  try {
    dv_qem::dv_transaction::abort();
  } catch (...) {
    // The exception in flight is the one the caller learns of.
  }
}
