// What the database code asks of transactions: whether they are in use, and
// the type of the one in progress. The transaction object itself is made by
// dv_transaction::begin and lives as long as the runtime.
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

  static int initialized;                   // set by dv_transaction::initialize
  static dv_transaction* the_transaction;  // made by the first begin; never freed
};

}  // namespace dv_qem
