// The process's one transaction. Transactions are optional: a program that
// wants them initialises them before it opens its first database, and from
// then on touches persistent memory only inside a transaction.
#pragma once

namespace dv_qem {

class dv_transaction {
 public:
  enum transaction_type_enum { update = 1, read_only = 2 };

  // The transaction in progress, or null (also when transactions were never
  // initialised).
  static dv_transaction* get_current();

 private:
  friend struct _Transaction_state;

  dv_transaction() = default;
  ~dv_transaction() = default;
  dv_transaction(const dv_transaction&) = delete;
  dv_transaction& operator=(const dv_transaction&) = delete;

  char* name_ = nullptr;         // heap copy of the name given to begin
  int aborted_ = 0;              // 1 after an abort
  int committed_ = 1;            // 1 after a commit, and before the first begin
  int type_ = update;            // transaction_type_enum
  int aborting_ = 0;             // 1 while the databases discard their changes
};

}  // namespace dv_qem
