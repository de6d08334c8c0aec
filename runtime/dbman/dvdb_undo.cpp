// The database's side of undo: re-arming pages at a marker, and undoing or
// redoing steps with every other thread held still.
#include "db_allocator.h"
#include "db_undo.h"
#include "dv_err.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"
#include "world_stop.h"

namespace dv_qem {

void DVDB::set_undo_marker() {
  check_usable();
  if (read_only)
    throw dv_err_write_permission_denied("Attempt to set an undo_marker for a readonly database (%s).\n", pathname);
  _DB_undo_maker& maker = _DB_undo_subsystem();
  if (undo == nullptr && maker.make == nullptr) throw dv_err_not_supported("dv_database::set_undo_marker");
  if (undo == nullptr) undo = maker.make(this);
  // The next write to any page faults again, so each step records it.
  for (_File_element* e = root_page; e != nullptr; e = e->get_next()) {
    _Page* page = static_cast<_Page*>(e);
    if (page->get_lock() == _Page::LW) page->rearm();
    if (page->get_lock() != _Page::LNONE) page->protect(dv_memory_read_only);
  }
  undo->set_marker();
}

void DVDB::undo_steps(unsigned steps, bool redo) {
  check_usable();
  if (undo == nullptr) return;
  _VRN_stop_the_world();
  try {
    if (redo)
      undo->redo(steps);
    else
      undo->undo(steps);
    undo->set_marker();
    allocator->reset();
  } catch (...) {
    _VRN_resume_the_world();
    throw;
  }
  _VRN_resume_the_world();
}

}  // namespace dv_qem
