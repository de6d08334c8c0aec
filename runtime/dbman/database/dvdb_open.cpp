// Creating, opening and looking up databases, and the recovery entry points.
#include <cstdint>
#include <cstring>

#include "db_allocator.h"
#include "db_header.h"
#include "db_log.h"
#include "db_log_recover.h"
#include "db_super.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "memory_layer.h"
#include "page.h"
#include "runtime_state.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

constexpr uint64_t kMiB = 0x100000;
constexpr uint64_t kDefaultRange = 8 * kMiB;
// The largest address range a database can be given.
constexpr uint64_t kLargestRange = 0xFFFFF000u;

bool file_exists(const char* path) { return _VRN_get_mode(path) != -1; }

dv4u address_word(const void* p) { return static_cast<dv4u>(reinterpret_cast<uintptr_t>(p)); }

// The address range for an image of size bytes opened as given.
uint64_t range_for(dv4u size, int read_only, unsigned as_factor) {
  if (read_only) return size;
  if (as_factor != 0) return uint64_t{as_factor} * size;
  if (size < 4 * kMiB) return kDefaultRange;
  if (size < 64 * kMiB) return 2 * (size & ~(4 * kMiB - 1)) + kDefaultRange;
  return size + kDefaultRange;
}

}  // namespace

DVDB* DVDB::create(const char* path, int mode, int overwrite, unsigned as_size_mb) {
  _DV_int::initialize();
  _VRN_require_fault_handler();
  char full[_VRN_MAX_PATH];
  check_path(path, full);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database can not be created inside a transaction (%s)", full);
  if (!overwrite && file_exists(full))
    throw dv_err_database_exists("The database %s exists, and overwrite option is not specified.", full);
  return make_and_create(
      full, [&](DVDB& db) { db.open_file(_VRN_O_RDWR | _VRN_O_CREAT | (overwrite ? _VRN_O_TRUNC : 0), mode); },
      as_size_mb);
}

DVDB* DVDB::make_and_create(const char* full, const storage_opener& open, unsigned as_size_mb) {
  DVDB* db = new DVDB(full, 0);
  try {
    db->create_image(open, as_size_mb);
  } catch (const dv_err&) {
    db->close_and_free(close_mode::delete_file);
    throw;
  }
  return db;
}

void DVDB::create_image(const storage_opener& open, unsigned as_size_mb) {
  open(*this);
  storage.write_whole(DB_IN_CREATION_MARKER, DB_IN_CREATION_MARKER_SIZE, 0);
  storage.flush();

  uint64_t range = as_size_mb != 0 ? uint64_t{as_size_mb} * kMiB : kDefaultRange;
  if (range < kMiB) DV_ASSERTION_FAILED(as_size_ge_1_megabyte);
  if (range > kLargestRange) throw dv_err_address_space_exhausted("Out of address space left for database %s.", pathname);
  as_start = _DV_int::reserve_db_space_anywhere(static_cast<dv4u>(range));
  as_size = static_cast<dv4u>(range);

  _Page* page0 = new _Page(this, as_start);
  enter_page(page0);
  page0->map(dv_memory_read_write);
  page0->zero();
  _DB_build_super(super(), as_start);

  log = make_log();
  in_use = 1;
  if (std::strcmp(pathname, transient_name) != 0) _DV_int::register_DVDB(this);
  allocator = new _DB_allocator(*this, true);
  allocator->start_up();

  root_page->write_to_file();
  storage.flush();
  if (!storage.is_stream()) _VRN_flush_directory_of(pathname);
  root_page->set_lock(_Page::LR);
}

DVDB* DVDB::open(const char* path, int ro, int create_mode, unsigned as_factor) {
  _DV_int::initialize();
  _VRN_require_fault_handler();
  char full[_VRN_MAX_PATH];
  check_path(path, full);
  if (!file_exists(full)) {
    if (create_mode == 0) throw dv_err_database_not_found("Database %s could not be found.", full);
    if (ro) throw dv_err_write_permission_denied("A database can not be created read-only (%s)", full);
    return create(full, create_mode, 0, 8);
  }
  return make_and_open(
      full, ro, [&](DVDB& db) { db.open_file(ro ? _VRN_O_RDONLY : _VRN_O_RDWR, 0); }, as_factor, true);
}

DVDB* DVDB::make_and_open(const char* full, int ro, const storage_opener& open, unsigned as_factor,
                          bool recovery_check) {
  DVDB* db = new DVDB(full, ro);
  try {
    db->open_image(open, as_factor, recovery_check);
  } catch (const dv_err&) {
    db->close_and_free(close_mode::keep_file);
    throw;
  }
  return db;
}

void DVDB::open_image(const storage_opener& open, unsigned as_factor, bool recovery_check) {
  open(*this);
  _DB_header_super stored;
  _DB_read_super(storage, pathname, recovery_check, stored);

  uint64_t range = range_for(stored.db_size, read_only, as_factor);
  if (range > kLargestRange) throw dv_err_address_space_exhausted("Out of address space left for database %s.", pathname);
  as_size = static_cast<dv4u>(range);
  char* stored_start = reinterpret_cast<char*>(static_cast<uintptr_t>(stored.as_start));
  if (_DV_int::db_space_fits(stored_start, as_size))
    as_start = _DV_int::reserve_db_space_for(pathname, stored_start, as_size);
  else
    as_start = _DV_int::reserve_db_space_anywhere(as_size);

  _Page* page0 = new _Page(this, as_start);
  enter_page(page0);
  page0->map(dv_memory_read_write);
  page0->read_from_file();
  // The stored start must be one the database has been mapped at (its
  // pages record those as their bases).
  _DB_header& header = *reinterpret_cast<_DB_header*>(as_start);
  if (!_DB_starts_sound(header)) throw dv_err_not_a_database("%s is not a valid database.", pathname);
  if (as_start != stored_start) {
    if (_DB_validate_super(*super()) != super_valid)
      throw dv_err_internal("Error during database relocation of %s: the header is not valid.", pathname);
    _DB_note_start(header, address_word(as_start));
  }
  page0->set_lock(_Page::LR);

  if (!read_only) log = make_log();
  in_use = 1;
  if (std::strcmp(pathname, transient_name) != 0) _DV_int::register_DVDB(this);
  allocator = new _DB_allocator(*this, false);
  try {
    // The start-up checks the stored header, reading the pages it leads to.
    _VRN_reads_without_transaction reads;
    allocator->start_up();
  } catch (const dv_err_heap_corruption&) {
    // The stored header leads somewhere it may not.
    throw dv_err_not_a_database("%s is not a valid database.", pathname);
  }
}

_DB_log* DVDB::make_log() {
  if (storage.is_stream()) return make_stream_log();
  if (_Transaction_state::is_initialized() || !_DV_int::is_logging_disabled())
    return _DB_log::open_for_update(pathname, false);
  return _DB_log::dummy();
}

DVDB* DVDB::lookup(const char* path, int create_mode) {
  DVDB* db = open(path, 0, create_mode, 0);
  db->close_database();
  return db;
}

int DVDB::needs_recovery(const char* path) {
  char full[_VRN_MAX_PATH];
  full_path_of(path, full);
  DVDB db(full, 0);
  db.open_file(_VRN_O_RDWR, 0);
  _DB_header_super stored;
  _DB_read_super(db.storage, full, false, stored);
  return stored.recovery_word != 0;
}

void DVDB::recover(const char* path) {
  char full[_VRN_MAX_PATH];
  check_path(path, full);
  if (!needs_recovery(full))
    throw dv_err_database_recovery("Error on database recovery: the database (%s) does not need recovery.", full);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database can not be recoverd inside a transaction (%s)", full);
  DVDB* db = new DVDB(full, 0);
  _DB_log_replayed replayed;
  try {
    db->open_file(_VRN_O_RDWR, 0);
    replayed = _DB_log_recover(full, db->storage);
  } catch (const dv_err& e) {
    db->close_and_free(close_mode::keep_file);
    throw dv_err_database_recovery("Error during recovery of database %s: %s.", full, e.get_report());
  }
  db->close_and_free(close_mode::keep_file);
  // The log goes only once the recovered database opens and passes its
  // self-check; else the replay is taken back and both files stay as they
  // were.
  try {
    check_recovered(full);
  } catch (const dv_err_unmarked_type&) {
    // This process does not know every type of the database: it cannot
    // check it, and recovers it as the log says.
  } catch (const dv_err& e) {
    DVDB* back = new DVDB(full, 0);
    try {
      back->open_file(_VRN_O_RDWR, 0);
      replayed.undo(back->storage);
    } catch (const dv_err& undo_error) {
      back->close_and_free(close_mode::keep_file);
      throw dv_err_database_recovery(
          "Error during recovery of database %s: the recovered database fails its checks (%s), and putting it "
          "back failed: %s.",
          full, e.get_report(), undo_error.get_report());
    }
    back->close_and_free(close_mode::keep_file);
    throw dv_err_database_recovery(
        "Error during recovery of database %s: the recovered database fails its checks (%s); the database and "
        "its log are left as they were.",
        full, e.get_report());
  }
  _DB_log_remove(full);
}

void DVDB::check_recovered(const char* full) {
  DVDB* db = open(full, 1, 0, 0);
  try {
    _VRN_reads_without_transaction reads;
    db->self_check();
  } catch (const dv_err&) {
    db->close_database();
    throw;
  }
  db->close_database();
}

void DVDB::close_database() {
  check_usable(false);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("Attempt to close a database within a transaction (%s)", pathname);
  close_and_retire(close_mode::keep_file);
}

void DVDB::destroy_database() {
  check_usable(false);
  if (read_only) throw dv_err_write_permission_denied("Attempt to destroy a read-only database (%s)", pathname);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("Attempt to destroy a database within a transaction (%s)", pathname);
  close_and_retire(close_mode::delete_file_reporting);
}

}  // namespace dv_qem
