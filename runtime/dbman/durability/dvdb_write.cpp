// Writing a database: save (the write of every modified page behind a dirty
// header), the dirty and clean marks of the header, copy and save_as.
#include <cstddef>
#include <cstring>
#include <vector>

#include "db_log.h"
#include "db_super.h"
#include "db_undo.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"
#include "page_runs.h"
#include "runtime_state.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

bool file_exists(const char* path) { return _VRN_get_mode(path) != -1; }

// Creates the file of a copy (create-or-truncate with overwrite, else
// open-or-create) with the file mode.
DVDB::storage_opener file_target(int mode, int overwrite) {
  return [=](DVDB& target) { target.open_file(_VRN_O_RDWR | _VRN_O_CREAT | (overwrite ? _VRN_O_TRUNC : 0), mode); };
}

}  // namespace

void DVDB::save() {
  check_not_transient();
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database (%s) can not be saved inside a transaction.", pathname);
  check_usable();
  if (_Transaction_state::is_initialized()) return;
  write_pages();
}

void DVDB::write_pages() {
  check_usable();
  if (read_only) throw dv_err_write_permission_denied("Attempt to save a readonly database (%s).\n", pathname);
  const std::vector<_Page*> written = write_locked_pages();
  if (!written.empty()) {
    // Each step is durable before the next begins: the completed log, the
    // dirty mark, every page, the clean mark, the emptied log (invariants
    // C2-C4 of runtime/DESIGN.md; C5 on failure).
    const dv4u stamp = _DB_write_stamp();
    log->complete(stamp);  // a failure here leaves the file untouched
    try {
      // Page 0 stays writable from the dirty mark to the clean mark: one
      // change of its access each way per write, not two. It is read-only
      // again with the written pages (or released by a failed write).
      root_page->protect(dv_memory_read_write);
      mark_header(true, stamp);
      for (_Page* page : written) page->write_to_file();
      storage.flush();
      if (kill_flags & _DVDB_DIE_IN_SAVE)
        DV_ASSERTION_FAILED(not_kill_flags_dvdb_die_in_save);
      mark_header(false, 0);
    } catch (...) {
      refuse_after_failed_write();
      throw;
    }
    read_lock_written_pages(written);
    log->reset();
  }
  if (undo != nullptr) undo->reset();
}

void DVDB::read_lock_written_pages(const std::vector<_Page*>& written) {
  // The written pages, page 0 first when the marks left it writable without
  // a write lock, one call per run of adjacent pages. Only those pages are
  // visited, not every page of the database.
  _Page_runs runs(dv_memory_read_only);
  if (root_page->get_lock() == _Page::LR) runs.add(root_page);
  for (_Page* page : written) page->read_lock(runs);
  runs.finish();
  write_locked_offsets_.clear();
}

void DVDB::mark_header(bool dirty, dv4u stamp) {
  _DB_header_super* header = super();
  if ((header->recovery_word != 0) == dirty) DV_ASSERTION_FAILED(is_dirty_ne_dirty);
  if (dirty && stamp == 0) DV_ASSERTION_FAILED(tstamp);
  // The caller made page 0 writable for the write (write_pages).
  DV_ASSERT(root_page->get_protection() == dv_memory_read_write);
  header->recovery_word = dirty ? 1 : 0;
  header->timestamp = dirty ? stamp : 0;
  if (dirty) {
    // (C3) The two words alone: page 0 as this write leaves it goes to the file
    // with the other pages. A torn write of the whole page could bring part
    // of the new page 0 into the file without the mark that has it put back.
    static_assert(offsetof(_DB_header_super, timestamp) == offsetof(_DB_header_super, recovery_word) + 4);
    storage.write_whole(&header->recovery_word, 2 * sizeof(dv4u), offsetof(_DB_header_super, recovery_word));
  } else {
    root_page->write_to_file();
  }
  storage.flush();
}

void DVDB::copy(const char* path, int mode, int overwrite) {
  check_usable();
  char full[_VRN_MAX_PATH];
  check_path(path, full);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database can not be copied inside a transaction (%s)", pathname);
  if (!overwrite && file_exists(full))
    throw dv_err_database_exists("The target database %s exists, and overwrite option is not specified.", full);
  DVDB* target = nullptr;
  copy_image_to(full, file_target(mode, overwrite), false, target);
  target->close_and_free(close_mode::keep_file);
}

void DVDB::copy_image_to(const char* full, const storage_opener& open, bool delete_on_any_failure,
                         DVDB*& target) {
  target = new DVDB(full, 0);
  bool marked = false;
  try {
    open(*target);
    const dv4u page = _DV_int::get_page_size();
    std::vector<char> buffer(page);

    // Page 0 as the file holds it, marked as being written: a copy cut
    // short is never taken for a whole database.
    storage.read_whole(buffer.data(), page, 0);
    auto* header = reinterpret_cast<_DB_header_super*>(buffer.data());
    if (_DB_validate_super(*header) != super_valid)
      DV_ASSERTION_FAILED(hdr_validate_header_eq_db_header_super_valid);
    header->recovery_word = 1;
    header->timestamp = 0;
    target->storage.write_whole(buffer.data(), page, 0);
    marked = true;

    // Every other page: from memory where it is accessible (modified or
    // not), else from this database's file.
    const dv4u size = image_size();
    for (dv4u offset = page; offset < size; offset += page) {
      const _Page* p = find_page(as_start + offset);
      const char* from = buffer.data();
      if (p != nullptr && p->is_mapped() && p->get_lock() != _Page::LNONE)
        from = p->get_buffer();
      else
        storage.read_whole(buffer.data(), page, offset);
      target->storage.write_whole(from, page, offset);
    }
    target->storage.flush();
    if (kill_flags & _DVDB_DIE_IN_COPY)
      DV_ASSERTION_FAILED(not_kill_flags_dvdb_die_in_copy);
    target->storage.write_whole(as_start, page, 0);
    target->storage.flush();
    if (!target->storage.is_stream()) _VRN_flush_directory_of(full);
  } catch (const dv_err&) {
    DVDB* failed = target;
    target = nullptr;
    failed->close_and_free(delete_on_any_failure || !marked ? close_mode::delete_file : close_mode::keep_file);
    throw;
  }
}

void DVDB::save_as(const char* path, int mode, int overwrite) {
  check_not_transient();
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database (%s) can not be saved_as inside a transaction.", pathname);
  check_usable();
  if (path == nullptr) return save();
  char full[_VRN_MAX_PATH];
  full_path_of(path, full);
  if (DVDB* user = _DV_int::lookup_DVDB_by_path(full)) {
    if (user == this) return save();
    throw dv_err_database_in_use("The database %s exists, and is already in use.", full);
  }
  if (read_only)
    throw dv_err_write_permission_denied("Attempt to save_as(%s) a readonly database (%s).", full, pathname);
  if (!overwrite && file_exists(full))
    throw dv_err_database_exists("The database %s exists, and overwrite option is not specified.", full);

  DVDB* target = nullptr;
  copy_image_to(full, file_target(mode, overwrite), true, target);
  continue_in(target);
}

void DVDB::continue_in(DVDB* target) {
  // The database goes on in the new file or stream, which holds every page now.
  storage.close();
  target->storage.hand_over_to(storage);
  _VRN_free(pathname);
  pathname = _VRN_strdup(target->pathname);
  target->close_and_free(close_mode::keep_file);
  read_lock_written_pages(write_locked_pages());
  _DB_log* old_log = log;
  log = make_log();
  old_log->close(true);
  if (undo != nullptr) undo->reset();
}

}  // namespace dv_qem
