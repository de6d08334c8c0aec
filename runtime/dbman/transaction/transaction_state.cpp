// The process-wide transaction state, get_current, and the transaction step
// of the unload clean-up.
#include "transaction_state.h"

#include "dv_locks.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "runtime_state.h"

namespace dv_qem {

int _Transaction_state::initialized = 0;
dv_transaction* _Transaction_state::the_transaction = nullptr;
int _Transaction_state::nesting = -1;

namespace {

struct nesting_switch_at_load {
  nesting_switch_at_load() {
    // Read once, when the library is loaded: set (any value) counts nested
    // begins instead of refusing them.
    _Transaction_state::nesting = _VRN_getenv("DV_QEM_IGNORE_NESTED_TXN") != nullptr ? 0 : -1;
  }
} the_nesting_switch;

}  // namespace

int _Transaction_state::is_initialized() { return initialized; }

dv_transaction* _Transaction_state::in_progress() {
  dv_transaction* t = the_transaction;
  return t != nullptr && !t->aborted_ && !t->committed_ ? t : nullptr;
}

int _Transaction_state::current_type() {
  dv_transaction* t = in_progress();
  return t != nullptr ? t->type_ : 0;
}

dv_transaction* _Transaction_state::the_object() {
  if (the_transaction == nullptr) the_transaction = new dv_transaction();
  return the_transaction;
}

void _Transaction_state::abort_at_unload() {
  dv_transaction* t = in_progress();
  if (t == nullptr) return;
  if (nesting > 0) nesting = 0;
  if (t->aborting_) {
    t->aborting_ = 0;
    t->aborted_ = 1;
    return;
  }
  dv_transaction::abort();
}

dv_transaction* dv_transaction::get_current() {
  _VRN_thread_lock lock;
  return _Transaction_state::in_progress();
}

}  // namespace dv_qem
