// The database side of transactions: the commit of every modified database,
// and the abort that discards every database's changes since its last write.
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

#include "db_allocator.h"
#include "db_header.h"
#include "db_log.h"
#include "db_undo.h"
#include "dv_err.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"
#include "page_runs.h"
#include "runtime_state.h"

namespace dv_qem {

void DVDB::commit_all() {
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next)
    if (!db->read_only) db->write_pages();
}

void DVDB::revert_all() {
  std::exception_ptr first_failure;
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next) {
    try {
      db->revert_changes();
    } catch (...) {
      if (first_failure == nullptr) first_failure = std::current_exception();
    }
  }
  if (first_failure != nullptr) std::rethrow_exception(first_failure);
}

void DVDB::revert_changes() {
  if (read_only) return;
  if (super()->recovery_word != 0) {
    // A write that failed part way: the file and the log decide, at
    // recovery; nothing of the transaction stays reachable meanwhile.
    release_pages();
    if (undo != nullptr) undo->reset();
    return;
  }
  // Pages first, so that every page is released whatever fails later.
  std::vector<_Page*> new_pages;
  bool page0_restored = true;
  std::exception_ptr failure;
  _Page_runs no_access(dv_memory_no_access);
  for (_File_element* e = root_page; e != nullptr; e = e->get_next()) {
    _Page* page = static_cast<_Page*>(e);
    if (!(page->get_flags() & _File_element::transferred)) {
      new_pages.push_back(page);
    } else if (page == root_page) {
      if (page->get_lock() != _Page::LW) continue;
      try {
        reread_page0();
      } catch (...) {
        page0_restored = false;
        failure = std::current_exception();
      }
    } else if (page->get_lock() == _Page::LW) {
      // Read again, and relocated, at its next touch.
      page->downgrade(no_access);
    } else if (page->get_lock() == _Page::LNONE) {
      no_access.add(page);
    } else {
      no_access.finish();
    }
  }
  no_access.finish();
  for (_Page* page : new_pages) drop_page(page, true);
  if (!page0_restored) {
    refuse_after_failed_write();
    std::rethrow_exception(failure);
  }
  allocator->reset();
  if (undo != nullptr) undo->reset();
  log->reset();
  write_locked_offsets_.clear();
}

void DVDB::reread_page0() {
  const dv4u page = _DV_int::get_page_size();
  std::vector<char> image(page);
  storage.read_whole(image.data(), page, 0);
  root_page->protect(dv_memory_read_write);
  std::memcpy(as_start, image.data(), page);
  // The start field holds where this database is mapped now, as at open.
  _DB_note_start(*reinterpret_cast<_DB_header*>(as_start), static_cast<dv4u>(reinterpret_cast<uintptr_t>(as_start)));
  root_page->set_lock(_Page::LR);
}

void DVDB::refuse_after_failed_write() {
  root_page->protect(dv_memory_read_write);
  super()->recovery_word = 1;
  release_pages();
}

void DVDB::release_pages() {
  _Page_runs no_access(dv_memory_no_access);
  for (_File_element* e = root_page; e != nullptr; e = e->get_next()) {
    _Page* page = static_cast<_Page*>(e);
    if (page == root_page)
      page->set_lock(_Page::LR);
    else
      page->downgrade(no_access);
  }
  no_access.finish();
  write_locked_offsets_.clear();
}

}  // namespace dv_qem
