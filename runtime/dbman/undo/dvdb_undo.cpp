// The database's side of undo: re-arming pages at a marker, and undoing or
// redoing steps.
#include "db_allocator.h"
#include "db_undo.h"
#include "dv_err.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"
#include "page_runs.h"

namespace dv_qem {

void DVDB::rearm_pages() {
  _Page_runs read_only(dv_memory_read_only);
  for (_File_element* e = root_page; e != nullptr; e = e->get_next()) {
    _Page* page = static_cast<_Page*>(e);
    if (page->get_lock() == _Page::LW) page->rearm();
    if (page->get_lock() != _Page::LNONE)
      read_only.add(page);
    else
      read_only.finish();
  }
  read_only.finish();
}

void DVDB::set_undo_marker() {
  check_usable();
  if (read_only)
    throw dv_err_write_permission_denied("Attempt to set an undo_marker for a readonly database (%s).\n", pathname);
  // The next write to any page faults again, so each step records it.
  rearm_pages();
  if (undo == nullptr) undo = new _DB_undo(this);
  undo->set_marker();
}

void DVDB::undo_steps(unsigned steps, bool redo) {
  check_usable();
  if (undo == nullptr) return;
  if (redo)
    undo->redo(steps);
  else
    undo->undo(steps);
  // Pages stepped back or forth keep their locks (a page that differs from
  // the file stays write-locked, so the next save writes it) and are
  // read-only: the next write to any page is recorded again.
  rearm_pages();
  allocator->reset();
}

bool DVDB::held_by_undo(const _Page* page) const { return undo != nullptr && undo->holds(page); }

}  // namespace dv_qem
