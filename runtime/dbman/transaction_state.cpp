// The process-wide transaction state and dv_transaction::get_current.
#include "transaction_state.h"

#include "dv_locks.h"

namespace dv_qem {

int _Transaction_state::initialized = 0;
dv_transaction* _Transaction_state::the_transaction = nullptr;

int _Transaction_state::is_initialized() { return initialized; }

dv_transaction* _Transaction_state::in_progress() {
  dv_transaction* t = the_transaction;
  return t != nullptr && !t->aborted_ && !t->committed_ ? t : nullptr;
}

int _Transaction_state::current_type() {
  dv_transaction* t = in_progress();
  return t != nullptr ? t->type_ : 0;
}

dv_transaction* dv_transaction::get_current() {
  _VRN_thread_lock lock;
  return _Transaction_state::in_progress();
}

}  // namespace dv_qem
