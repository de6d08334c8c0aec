// The database object's construction, release and retirement, the checks
// that guard every operation, the file-open errors and the page list.
#include "dvdb.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "db_allocator.h"
#include "db_log.h"
#include "db_undo.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "object_moves.h"
#include "page.h"
#include "runtime_state.h"
#include "address_word.h"

namespace dv_qem {

namespace {

constexpr size_t kSystemTextSize = 320;

// Closed databases' objects, kept as marked handles, linked through next.
DVDB* retired_handles = nullptr;

}  // namespace

DVDB::DVDB(const char* path, int ro) : read_only(ro) {
  if (path == nullptr) DV_ASSERTION_FAILED(pname_ne_0);
  pathname = _VRN_strdup(path);
}

DVDB::~DVDB() { release(); }

void DVDB::check_releasable() const {
  if (_DV_int::_lookup_DVDB_by_ptr(this))
    DV_ASSERTION_FAILED(not_dv_int_lookup_dvdb_by_ptr_this);
  if (in_use) DV_ASSERTION_FAILED(not_in_use);
  if (root_page != nullptr) DV_ASSERTION_FAILED(not_root_page);
}

void DVDB::release() {
  delete allocator;
  allocator = nullptr;
  _VRN_free(pathname);
  pathname = nullptr;
  delete undo;
  undo = nullptr;
  delete moves;
  moves = nullptr;
  storage.close();
}

void DVDB::check_not_transient() const {
  if (is_transient()) throw dv_err_database_transient("Illegal operation on transient database");
}

void DVDB::check_usable(bool recovery_check) const {
  check_not_transient();
  if (read_only == DVDB_DELETED_MARK && in_use == DVDB_DELETED_MARK) refuse_invalid_handle(this);
  if (!in_use) throw dv_err_database_not_open("Trying to access a database which is not in use (%s).", pathname);
  if (recovery_check && super()->recovery_word != 0)
    throw dv_err_database_needs_recovery("Trying to access a database which needs recovery (%s).", pathname);
}

void DVDB::refuse_invalid_handle(const dv_database* handle) {
  throw dv_err_database_is_deleted(
      "Trying to access a database which is not no longer valid. It might have been closed (0x%x).",
      word_of(handle));
}

void DVDB::full_path_of(const char* path, char* full) {
  if (path == nullptr || *path == '\0') throw dv_err_invalid_pathname("The pathname is empty.");
  size_t n = std::strlen(path);
  if (n >= _VRN_MAX_PATH) throw dv_err_invalid_pathname("The pathname \"%s\" is too long.", path);
  std::memcpy(full, path, n + 1);
  try {
    _VRN_get_full_path(full);
  } catch (const dv_err_invalid_pathname&) {
    throw dv_err_invalid_pathname("The pathname \"%s\" is too long.", path);
  }
}

void DVDB::check_path(const char* path, char* full) {
  full_path_of(path, full);
  if (_DV_int::lookup_DVDB_by_path(full) != nullptr)
    throw dv_err_database_in_use("The database %s exists, and is already in use.", full);
}

void DVDB::open_file(int flags, int mode) {
  char text[kSystemTextSize] = "";
  const int code = storage.open(pathname, flags, mode, text, sizeof text);
  if (code != _VRN_FILE_OK) raise_open_error(code, text);
}

void DVDB::raise_open_error(int code, const char* text) const {
  switch (code) {
    case _VRN_FILE_ACCESS_DENIED:
      // A read-only open asked for reading only: that is what was denied.
      throw dv_err_database_is_locked("%s-access to the database \"%s\" is denied (%s).",
                                      read_only ? "Read" : "Read/write", pathname, text);
    case _VRN_FILE_EXISTS:
      throw dv_err_database_exists("The database \"%s\" already exists.", pathname);
    case _VRN_FILE_BAD_NAME:
    case _VRN_FILE_BAD_DIRECTORY:
      throw dv_err_invalid_pathname("The pathname \"%s\" is invalid (%s).", pathname, text);
    case _VRN_FILE_NOT_FOUND:
      throw dv_err_database_not_found("The database \"%s\" could not be found.", pathname);
    case _VRN_FILE_WRITE_PROTECTED:
      throw dv_err_write_permission_denied(
          "Read/write-access to the database \"%s\" is denied.  The file-system is read-only.", pathname);
    default:
      throw dv_err_file("Database open/create error: \"%s\"", text);
  }
}

void DVDB::close_image(close_mode mode) {
  in_use = 0;
  bool clean = false;
  if (root_page != nullptr && mode == close_mode::keep_file && root_page->is_mapped() &&
      root_page->get_lock() != _Page::LNONE)
    clean = super()->recovery_word == 0;

  while (!pages_by_offset_.empty()) {
    _Page* page = std::prev(pages_by_offset_.end())->second;
    if (page->is_mapped()) page->unmap(false);
    remove_page(page);
    delete page;
  }
  root_page = nullptr;
  _DV_int::deregister_DVDB(this);

  bool delete_failed = false;
  if (mode != close_mode::keep_file)
    delete_failed = storage.is_open() && storage.close_and_delete(pathname) != 0;
  else
    storage.close();
  if (log != nullptr) {
    _DB_log* closing = log;
    log = nullptr;
    closing->close(mode != close_mode::keep_file || clean);
  }
  check_releasable();
  if (delete_failed && mode == close_mode::delete_file_reporting)
    throw dv_err_file("Unable to destroy database file %s.", pathname);
}

void DVDB::discard_page_objects() {
  while (!pages_by_offset_.empty()) {
    _Page* page = std::prev(pages_by_offset_.end())->second;
    remove_page(page);
    delete page;
  }
  root_page = nullptr;
}

void DVDB::close_and_retire(close_mode mode) {
  // The object is retired also when closing fails half-way: the handle must
  // never be used again either way.
  struct retire_on_exit {
    DVDB* db;
    ~retire_on_exit() {
      db->in_use = 0;
      db->discard_page_objects();
      _DV_int::deregister_DVDB(db);
      db->release();
      db->read_only = DVDB_DELETED_MARK;
      db->in_use = DVDB_DELETED_MARK;
      db->next = retired_handles;
      retired_handles = db;
    }
  } retire{this};
  close_image(mode);
}

void DVDB::close_and_free(close_mode mode) {
  struct free_on_exit {
    DVDB* db;
    ~free_on_exit() {
      db->in_use = 0;
      db->discard_page_objects();
      _DV_int::deregister_DVDB(db);
      delete db;
    }
  } free_it{this};
  close_image(mode);
}

dv4u DVDB::image_size() const { return super()->db_size; }

char* DVDB::page_of(const void* address) {
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  return reinterpret_cast<char*>(a & ~uintptr_t{_DV_int::get_page_size() - 1});
}

_Page* DVDB::find_page(const char* page_address) const {
  auto found = pages_by_offset_.find(static_cast<dv4u>(page_address - as_start));
  return found != pages_by_offset_.end() ? found->second : nullptr;
}

void DVDB::enter_page(_Page* page) {
  auto [at, inserted] = pages_by_offset_.emplace(page->get_offset(), page);
  DV_ASSERT(inserted);
  _Page* before = at == pages_by_offset_.begin() ? nullptr : std::prev(at)->second;
  auto after_at = std::next(at);
  _Page* after = after_at == pages_by_offset_.end() ? nullptr : after_at->second;
  page->link_in_offset_order(before, after);
  if (page->get_offset() == 0) root_page = page;
}

void DVDB::remove_page(_Page* page) {
  page->remove();
  pages_by_offset_.erase(page->get_offset());
  if (page == root_page) root_page = nullptr;
}

void DVDB::note_write_locked(const _Page* page) { write_locked_offsets_.push_back(page->get_offset()); }

std::vector<_Page*> DVDB::write_locked_pages() {
  std::sort(write_locked_offsets_.begin(), write_locked_offsets_.end());
  write_locked_offsets_.erase(std::unique(write_locked_offsets_.begin(), write_locked_offsets_.end()),
                              write_locked_offsets_.end());
  std::vector<_Page*> pages;
  for (dv4u offset : write_locked_offsets_) {
    auto found = pages_by_offset_.find(offset);
    if (found != pages_by_offset_.end() && found->second->get_lock() == _Page::LW) pages.push_back(found->second);
  }
  return pages;
}

void DVDB::page_stats(unsigned& unlocked, unsigned& read_locked, unsigned& write_locked) const {
  unlocked = read_locked = write_locked = 0;
  for (const auto& [offset, page] : pages_by_offset_) {
    switch (page->get_lock()) {
      case _Page::LR: ++read_locked; break;
      case _Page::LW: ++write_locked; break;
      default: ++unlocked; break;
    }
  }
}

void DVDB::record_move(void* old_location, void* new_location) {
  check_usable();
  if (moves == nullptr) moves = new _Object_moves(10);
  moves->record(old_location, new_location);
}

void _VRN_let_it_die(DVDB* db, dv4u flags) { db->set_kill_flags(flags); }

}  // namespace dv_qem
