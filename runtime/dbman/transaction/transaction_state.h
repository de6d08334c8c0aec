// The process-wide transaction state: whether transactions are in use, the
// one transaction object, and the nesting depth. The database code asks it
// whether memory may be touched; dv_transaction (transaction.cpp) drives it.
#pragma once

#include "dv_transaction.h"

namespace dv_qem {

struct _Transaction_state {
  // 1 once dv_transaction::initialize has run in this process.
  static int is_initialized();
  // The transaction in progress (neither committed nor aborted), or null.
  static dv_transaction* in_progress();
  // The type of the transaction in progress; 0 when there is none.
  static int current_type();
  // The transaction object, made (committed, nothing in progress) on first use.
  static dv_transaction* the_object();
  // The unload clean-up's step: a transaction in progress is aborted (its
  // nesting ignored); one caught in the middle of an abort is only marked
  // aborted.
  static void abort_at_unload();

  static int initialized;                   // set by dv_transaction::initialize
  static dv_transaction* the_transaction;  // made by the first begin; never freed
  // -1: a nested begin is refused (DV_QEM_IGNORE_NESTED_TXN unset at load);
  // else the number of begins inside the outermost one not yet ended.
  static int nesting;
};

}  // namespace dv_qem
