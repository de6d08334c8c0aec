// The undo subsystem's entry point and the undo limit.
#include "db_undo.h"

#include <atomic>

namespace dv_qem {

namespace {

std::atomic<unsigned> max_undo_operations{0};

}  // namespace

_DB_undo_maker& _DB_undo_subsystem() {
  static _DB_undo_maker maker;
  return maker;
}

unsigned _DB_max_undo_operations() { return max_undo_operations.load(); }
void _DB_set_max_undo_operations(unsigned n) { max_undo_operations.store(n); }

}  // namespace dv_qem
