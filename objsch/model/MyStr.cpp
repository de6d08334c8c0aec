// The transaction scope.
#include <exception>

#include "fw_message_box.h"
#include "shop_state.h"
#include "transaction_scope.h"

namespace {

// Scope misuse: a commit or abort with no transaction current.
void ReportInternalError(int line) {
  CString text;
  text.Format("Internal error in file %s (%d)", "objsch\\MyStr", line);
  AfxMessageBox(text, MB_OK);
}

constexpr int kLineCommitWithoutTransaction = 44;
constexpr int kLineAbortWithoutTransaction = 62;

}  // namespace

CTransactionScope::CTransactionScope() : m_pTrans(nullptr), m_nUncaught(std::uncaught_exceptions()) {
  if (dv_qem::dv_transaction::get_current() == nullptr)
    m_pTrans = dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
}

void CTransactionScope::Commit() {
  if (m_pTrans == nullptr) {
    g_bCommitRequested = 1;
    return;
  }
  g_bCommitRequested = 0;
  if (dv_qem::dv_transaction::get_current() == nullptr) {
    m_pTrans = nullptr;
    ReportInternalError(kLineCommitWithoutTransaction);
    return;
  }
  m_pTrans = nullptr;
  dv_qem::dv_transaction::commit();
}

CTransactionScope::~CTransactionScope() noexcept(false) {
  if (m_pTrans == nullptr) return;
  bool unwinding = std::uncaught_exceptions() > m_nUncaught;
  if (g_bCommitRequested && !unwinding) {
    Commit();
    return;
  }
  g_bCommitRequested = 0;
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
