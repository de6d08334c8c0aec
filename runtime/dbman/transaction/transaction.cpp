// dv_transaction: initialising transactions, begin, commit and abort with
// their nesting, and the accessors of the transaction object.
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "dv_transaction.h"
#include "dvdb.h"
#include "runtime_state.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

void require_initialized() {
  if (!_Transaction_state::is_initialized())
    throw dv_err_trans("Attempt to use transactions without initialization. Use dv_transaction::initialize().");
}

void set_name_of(char*& field, const char* name) {
  char* copy = name != nullptr ? _VRN_strdup(name) : nullptr;
  _VRN_free(field);
  field = copy;
}

}  // namespace

void dv_transaction::initialize() {
  _VRN_thread_lock lock;
  if (_Transaction_state::is_initialized()) return;
  if (_DV_int::was_database_opened())
    throw dv_err_trans("dv_transaction::initialize() has to be called before the first database is opened.");
  _Transaction_state::initialized = 1;
}

dv_transaction* dv_transaction::begin(transaction_type_enum type) { return begin(nullptr, type); }

dv_transaction* dv_transaction::begin(const char* name, transaction_type_enum type) {
  _VRN_thread_lock lock;
  require_initialized();
  dv_transaction* t = _Transaction_state::the_object();
  if (type != update && type != read_only)
    throw dv_err_trans_wrong_type("The type of a transaction must be either read_only or update.");
  if (_Transaction_state::in_progress() != nullptr) {
    if (_Transaction_state::nesting < 0) throw dv_err_trans("Nested transactions are not supported.");
    ++_Transaction_state::nesting;
    return t;
  }
  set_name_of(t->name_, name);
  t->aborted_ = 0;
  t->committed_ = 0;
  t->type_ = type;
  return t;
}

void dv_transaction::commit() {
  _VRN_thread_lock lock;
  require_initialized();
  dv_transaction* t = _Transaction_state::in_progress();
  if (t == nullptr)
    throw dv_err_trans("Trying to commit a transaction, but there is no transaction in progress.");
  if (t->type_ != read_only && t->type_ != update)
    DV_ASSERTION_FAILED(commit_tx_type_known);
  if (_Transaction_state::nesting >= 1) {
    --_Transaction_state::nesting;
    return;
  }
  // A failed write leaves the transaction in progress: it can be committed
  // again or aborted.
  if (t->type_ == update) DVDB::commit_all();
  t->committed_ = 1;
  t->aborted_ = 0;
}

void dv_transaction::abort() {
  _VRN_thread_lock lock;
  require_initialized();
  dv_transaction* t = _Transaction_state::in_progress();
  if (t == nullptr) throw dv_err_trans("Trying to abort a transaction, but there is no transaction in progress.");
  if (t->type_ != read_only && t->type_ != update)
    DV_ASSERTION_FAILED(abort_tx_type_known);
  if (_Transaction_state::nesting > 0) {
    --_Transaction_state::nesting;
    return;
  }
  // Every database is reverted (and its pages released) even when one of
  // them fails; the transaction is over either way.
  struct end_abort {
    dv_transaction* t;
    ~end_abort() {
      t->aborting_ = 0;
      t->aborted_ = 1;
      t->committed_ = 0;
    }
  } ending{t};
  t->aborting_ = 1;
  DVDB::revert_all();
}

void dv_transaction::commit(dv_transaction*) { commit(); }
void dv_transaction::abort(dv_transaction*) { abort(); }

const char* dv_transaction::get_name() const {
  _VRN_thread_lock lock;
  require_initialized();
  return name_;
}

void dv_transaction::set_name(const char* name) {
  _VRN_thread_lock lock;
  require_initialized();
  set_name_of(name_, name);
}

dv_transaction::transaction_type_enum dv_transaction::get_type() const {
  _VRN_thread_lock lock;
  require_initialized();
  return static_cast<transaction_type_enum>(type_);
}

int dv_transaction::is_aborted() const {
  _VRN_thread_lock lock;
  require_initialized();
  return aborted_;
}

int dv_transaction::is_committed() const {
  _VRN_thread_lock lock;
  require_initialized();
  return committed_;
}

}  // namespace dv_qem
