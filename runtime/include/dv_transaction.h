// The process's one transaction. Transactions are optional: a program that
// wants them initialises them before it opens its first database, and from
// then on touches persistent memory only inside a transaction. Commit writes
// every modified database behind its recovery log; abort discards every
// change made since the transaction began.
//
// Every member takes the runtime thread lock. Every one but initialize and
// get_current first requires initialize to have run (dv_err_trans
// "Attempt to use transactions without initialization. Use
// dv_transaction::initialize().").
#pragma once

namespace dv_qem {

class dv_transaction {
 public:
  enum transaction_type_enum { update = 1, read_only = 2 };

  // Turns transactions on. Refused once any database has been opened in
  // this process, also one closed again since (dv_err_trans "dv_transaction::
  // initialize() has to be called before the first database is opened.").
  // Again after success: nothing.
  static void initialize();

  // Starts a transaction of type (update or read_only; another value:
  // dv_err_trans_wrong_type) and returns it. With one in progress: refused
  // (dv_err_trans "Nested transactions are not supported.") unless
  // DV_QEM_IGNORE_NESTED_TXN was set when the library was loaded; then the
  // running transaction is returned unchanged and the nesting deepens.
  static dv_transaction* begin(transaction_type_enum type);
  // The same, recording a copy of name (null for none).
  static dv_transaction* begin(const char* name, transaction_type_enum type);
  // Ends the transaction in progress (dv_err_trans when there is none):
  // inside a nesting only the nesting ends; else every modified database is
  // written (update transactions). A failed write propagates with the
  // transaction still in progress; the database concerned is then refused
  // as needing recovery when its file may hold part of the write.
  static void commit();
  // Discards every change of the transaction in progress (dv_err_trans when
  // there is none): inside a nesting only the nesting ends.
  static void abort();
  // The same as commit() and abort(); the argument is not used.
  static void commit(dv_transaction* transaction);
  static void abort(dv_transaction* transaction);

  // The transaction in progress, or null (also when transactions were never
  // initialised).
  static dv_transaction* get_current();

  // The name given to begin or set_name (null for none).
  const char* get_name() const;
  // Replaces the name with a copy of name (null for none).
  void set_name(const char* name);
  transaction_type_enum get_type() const;
  int is_aborted() const;
  int is_committed() const;

  // The object lives as long as the runtime: deleting it does nothing.
  ~dv_transaction() = default;
  static void operator delete(void*) {}

 private:
  friend struct _Transaction_state;

  dv_transaction() = default;
  dv_transaction(const dv_transaction&) = delete;
  dv_transaction& operator=(const dv_transaction&) = delete;

  char* name_ = nullptr;         // heap copy of the name given to begin
  int aborted_ = 0;              // 1 after an abort
  int committed_ = 1;            // 1 after a commit, and before the first begin
  int type_ = update;            // transaction_type_enum
  int aborting_ = 0;             // 1 while the databases discard their changes
};

}  // namespace dv_qem
