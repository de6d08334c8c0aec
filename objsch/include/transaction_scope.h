// CTransactionScope: every change of persistent shop objects runs inside
// one. A scope begins an update transaction only when none is current and
// then owns it; nested scopes share the outermost transaction. The owner
// commits at its end when it or any inner scope asked for a commit, and
// aborts otherwise -- always aborts when it ends by an exception.
#pragma once

#include "dv_transaction.h"

class CTransactionScope {
 public:
  CTransactionScope();
  // The owner commits or aborts (see above); a scope that owns nothing does
  // nothing. Errors of the commit or abort pass to the caller, except while
  // an exception unwinds the scope.
  ~CTransactionScope() noexcept(false);
  CTransactionScope(const CTransactionScope&) = delete;
  CTransactionScope& operator=(const CTransactionScope&) = delete;

  // An owner commits now and owns nothing afterwards; a scope nested in an
  // owner's transaction asks the owner to commit at its end. A scope in a
  // transaction that no scope owns, and an owner that has already ended its
  // transaction, ask nobody. A request lives only as long as the owner's
  // transaction, so it never carries into the next one. A commit that fails
  // is aborted before its error passes on.
  void Commit();

  // The transaction this scope began, null when it owns none.
  dv_qem::dv_transaction* GetTransaction() const { return m_pTrans; }

 private:
  dv_qem::dv_transaction* m_pTrans;
  bool m_bOwned;    // this scope began a transaction (it may have ended it since)
  int m_nUncaught;  // exceptions in flight when the scope began
};
