// The members of dv_database: each takes the runtime thread lock and
// forwards to the database object.
#include "db_allocator.h"
#include "db_undo.h"
#include "dv_database.h"
#include "dv_locks.h"
#include "dvdb.h"
#include "runtime_state.h"

namespace dv_qem {

dv_database* dv_database::create(const char* path, int mode, int overwrite, unsigned as_size_mb) {
  _VRN_thread_lock lock;
  return DVDB::create(path, mode, overwrite, as_size_mb);
}

dv_database* dv_database::open(const char* path, int read_only, int create_mode, unsigned as_factor) {
  _VRN_thread_lock lock;
  return DVDB::open(path, read_only, create_mode, as_factor);
}

dv_database* dv_database::lookup(const char* path, int create_mode) {
  _VRN_thread_lock lock;
  return DVDB::lookup(path, create_mode);
}

dv_database* dv_database::of(const void* address) {
  _VRN_thread_lock lock;
  DVDB* db = _DV_int::lookup_DVDB_by_address(address);
  return db != nullptr ? static_cast<dv_database*>(db) : DVDB::transient();
}

dv_database* dv_database::get_transient_database() { return DVDB::transient(); }

int dv_database::needs_recovery(const char* path) {
  _VRN_thread_lock lock;
  return DVDB::needs_recovery(path);
}

int dv_database::needs_recovery() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable(false);
  return db->super()->recovery_word != 0;
}

void dv_database::recover(const char* path) {
  _VRN_thread_lock lock;
  DVDB::recover(path);
}

void dv_database::close() {
  _VRN_thread_lock lock;
  DVDB::of(this)->close_database();
}

void dv_database::destroy() {
  _VRN_thread_lock lock;
  DVDB::of(this)->destroy_database();
}

void dv_database::save() {
  _VRN_thread_lock lock;
  DVDB::of(this)->save();
}

void dv_database::save_as(const char* path, int mode, int overwrite) {
  _VRN_thread_lock lock;
  DVDB::of(this)->save_as(path, mode, overwrite);
}

void dv_database::copy(const char* path, int mode, int overwrite) const {
  _VRN_thread_lock lock;
  const_cast<DVDB*>(DVDB::of(this))->copy(path, mode, overwrite);
}

int dv_database::is_open(const dv_database* db) {
  _VRN_thread_lock lock;
  if (db == nullptr) return 0;
  DVDB::of(db)->check_not_transient();
  return _DV_int::_lookup_DVDB_by_ptr(DVDB::of(db));
}

int dv_database::is_open_readonly() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  return db->is_read_only();
}

int dv_database::is_writable() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  return !db->is_read_only();
}

int dv_database::is_modified() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  if (db->is_read_only()) return 0;
  unsigned unlocked, read_locked, write_locked;
  db->page_stats(unlocked, read_locked, write_locked);
  return write_locked > 0;
}

void dv_database::get_page_stats(unsigned& unlocked, unsigned& read_locked, unsigned& write_locked) {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable(false);
  db->page_stats(unlocked, read_locked, write_locked);
}

unsigned dv_database::size() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable(false);
  return db->space_allocator()->size();
}

void* dv_database::as_start() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable(false);
  return db->space_start();
}

unsigned dv_database::as_size() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable(false);
  return db->reserved_size();
}

char* dv_database::get_pathname() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable(false);
  return _VRN_strdup(db->space_name());
}

void dv_database::set_undo_marker() {
  _VRN_thread_lock lock;
  DVDB::of(this)->set_undo_marker();
}

void dv_database::undo(unsigned steps) {
  _VRN_thread_lock lock;
  DVDB::of(this)->undo_steps(steps, false);
}

void dv_database::redo(unsigned steps) {
  _VRN_thread_lock lock;
  DVDB::of(this)->undo_steps(steps, true);
}

int dv_database::is_undoable() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  return db->undo_records() != nullptr ? db->undo_records()->is_undoable() : 0;
}

int dv_database::is_redoable() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  return db->undo_records() != nullptr ? db->undo_records()->is_redoable() : 0;
}

void dv_database::record_new_object_location(void* old_location, void* new_location) {
  _VRN_thread_lock lock;
  DVDB::of(this)->record_move(old_location, new_location);
}

unsigned dv_database::return_all_pages() {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  return db->drop_pages(db->space_start(), db->image_size());
}

void dv_database::self_check() const {
  _VRN_thread_lock lock;
  const_cast<DVDB*>(DVDB::of(this))->self_check();
}

void dv_database::self_check_written() const {
  _VRN_thread_lock lock;
  const_cast<DVDB*>(DVDB::of(this))->self_check_written();
}

void dv_database::dump_contents() const {
  _VRN_thread_lock lock;
  const_cast<DVDB*>(DVDB::of(this))->dump_contents();
}

}  // namespace dv_qem
