// Databases kept in a stream of a compound file: creating, opening, saving
// as and copying into a stream, the path check of the stream forms, the
// stream-open failures, and the log of a stream database with the recovery
// from it. Everything else works on the stream exactly as on a file,
// through _Storage.
#include <cerrno>
#include <cstring>
#include <string>

#include "db_log.h"
#include "db_log_recover.h"
#include "db_super.h"
#include "dv_err.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "runtime_state.h"
#include "text_encoding.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

constexpr size_t kSystemTextSize = 320;
// The UTF-8 form of a stream name is made in a buffer of this many bytes.
constexpr size_t kNarrowNameSize = 1024;

// A stream-open failure and the file-open code it stands for.
struct stream_open_failure {
  HRESULT result;
  int code;
};

constexpr stream_open_failure kStreamOpenFailures[] = {
    {STG_E_INVALIDFUNCTION, _VRN_FILE_ACCESS_DENIED},  {STG_E_FILENOTFOUND, _VRN_FILE_NOT_FOUND},
    {STG_E_TOOMANYOPENFILES, _VRN_FILE_TOO_MANY_OPEN}, {STG_E_ACCESSDENIED, _VRN_FILE_ACCESS_DENIED},
    {STG_E_INSUFFICIENTMEMORY, _VRN_FILE_ACCESS_DENIED}, {STG_E_INVALIDPOINTER, _VRN_FILE_ACCESS_DENIED},
    {STG_E_FILEALREADYEXISTS, _VRN_FILE_EXISTS},       {STG_E_INVALIDPARAMETER, _VRN_FILE_ACCESS_DENIED},
    {STG_E_INVALIDNAME, _VRN_FILE_ACCESS_DENIED},      {STG_E_INVALIDFLAG, _VRN_FILE_OTHER},
    {STG_E_REVERTED, _VRN_FILE_ACCESS_DENIED},
};

bool stream_mode_writes(unsigned mode) { return (mode & (STGM_WRITE | STGM_READWRITE)) != 0; }

DVDB::storage_opener stream_target(IStorage* container, const char16_t* name, unsigned mode) {
  return [=](DVDB& target) { target.open_stream(container, name, mode, true); };
}

// Converts wide into UTF-8 in narrow (size bytes); a failure raises
// dv_err_file with the system's text.
void narrow_of(const char16_t* wide, char* narrow, size_t size) {
  if (int error = _VRN_utf16_to_utf8(wide, narrow, size)) {
    char text[kSystemTextSize];
    _VRN_system_error_text(error, text, sizeof text);
    throw dv_err_file("Converting wide-char to multi-byte failed: %s", text);
  }
}

}  // namespace

void DVDB::stream_path_of(IStorage* container, const char16_t* name, char* narrow) {
  if (container == nullptr)
    throw dv_err_invalid_pathname("The IStorage pointer to all dv_database methods must be non-NULL.");
  if (name == nullptr || *name == 0) throw dv_err_invalid_pathname("The pathname is empty.");
  char converted[kNarrowNameSize];
  narrow_of(name, converted, sizeof converted);
  const size_t n = std::strlen(converted);
  if (n >= _VRN_MAX_PATH) throw dv_err_invalid_pathname("The pathname \"%s\" is too long.", converted);
  std::memcpy(narrow, converted, n + 1);
}

void DVDB::stream_path_check(IStorage* container, const char16_t* name, char* narrow) {
  stream_path_of(container, name, narrow);
  if (stream_user(container, narrow) != nullptr)
    throw dv_err_database_in_use("The database %s exists, and is already in use.", narrow);
}

DVDB* DVDB::stream_user(IStorage* container, const char* narrow) {
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next)
    if (db->storage.is_in(container) && std::strcmp(db->pathname, narrow) == 0) return db;
  return nullptr;
}

void DVDB::open_stream(IStorage* container, const char16_t* name, unsigned mode, bool create) {
  const HRESULT hr = storage.open_stream(container, name, mode, create);
  if (SUCCEEDED(hr)) return;
  char text[kSystemTextSize];
  for (const stream_open_failure& f : kStreamOpenFailures) {
    if (f.result != hr) continue;
    _VRN_snprintf(text, sizeof text, "%s when creating or opening stream %s", _Storage_result_name(hr), pathname);
    raise_open_error(f.code, text);
  }
  _VRN_snprintf(text, sizeof text, "Unexpected error while creating or opening stream %s", pathname);
  raise_open_error(_VRN_FILE_OTHER, text);
}

DVDB* DVDB::create(IStorage* container, const char16_t* name, unsigned mode, unsigned as_size_mb) {
  _DV_int::initialize();
  _VRN_require_fault_handler();
  char narrow[_VRN_MAX_PATH];
  stream_path_check(container, name, narrow);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database can not be created inside a transaction (%s)", narrow);
  return make_and_create(narrow, stream_target(container, name, mode), as_size_mb);
}

// A stream opened without write access holds a read-only database: its
// pages could never be written back.
DVDB* DVDB::open(IStorage* container, const char16_t* name, unsigned mode, unsigned as_factor) {
  _DV_int::initialize();
  _VRN_require_fault_handler();
  char narrow[_VRN_MAX_PATH];
  stream_path_check(container, name, narrow);
  const int ro = stream_mode_writes(mode) ? 0 : 1;
  auto open_and_recover = [=](DVDB& db) {
    db.open_stream(container, name, mode, false);
    if (!ro) db.recover_stream();
  };
  return make_and_open(narrow, ro, open_and_recover, as_factor, false);
}

void DVDB::save_as(IStorage* container, const char16_t* name, unsigned mode) {
  check_not_transient();
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database (%s) can not be saved_as inside a transaction.", pathname);
  check_usable();
  if (name == nullptr && storage.is_in(container)) return save();
  char narrow[_VRN_MAX_PATH];
  stream_path_of(container, name, narrow);
  if (DVDB* user = stream_user(container, narrow)) {
    if (user == this) return save();
    throw dv_err_database_in_use("The database %s exists, and is already in use.", narrow);
  }
  if (read_only)
    throw dv_err_write_permission_denied("Attempt to save_as(%s) a readonly database (%s).", narrow, pathname);
  DVDB* target = nullptr;
  copy_image_to(narrow, stream_target(container, name, mode), true, target);
  continue_in(target);
}

void DVDB::copy(IStorage* container, const char16_t* name, unsigned mode) {
  check_usable();
  char narrow[_VRN_MAX_PATH];
  stream_path_check(container, name, narrow);
  if (_Transaction_state::in_progress() != nullptr)
    throw dv_err_trans("A database can not be copied inside a transaction (%s)", pathname);
  DVDB* target = nullptr;
  copy_image_to(narrow, stream_target(container, name, mode), false, target);
  target->close_and_free(close_mode::keep_file);
}

// The log is named after the container file and the stream, so that it is
// found again after a crash: "<container path>.<stream name>.log" beside
// the container. A container without a file gets a temporary log.
_DB_log* DVDB::make_stream_log() {
  if (!_Transaction_state::is_initialized()) return _DB_log::dummy();
  std::string base;
  if (!stream_log_base(base)) return _DB_log::open_for_update(pathname, true);
  return _DB_log::open_for_update(base.c_str(), false);
}

bool DVDB::stream_log_base(std::string& base) const {
  std::u16string wide_path;
  if (FAILED(storage.container->GetFilePath(&wide_path)) || wide_path.empty()) return false;
  char container_path[_VRN_MAX_PATH];
  narrow_of(wide_path.c_str(), container_path, sizeof container_path);
  _VRN_get_full_path(container_path);
  base = std::string(container_path) + "." + pathname;
  return true;
}

void DVDB::recover_stream() {
  _DB_header_super stored;
  _DB_read_super(storage, pathname, false, stored);
  std::string base;
  if (stored.recovery_word == 0 || !stream_log_base(base)) return;
  char log_path[_VRN_MAX_PATH];
  _VRN_add_extension(log_path, sizeof log_path, base.c_str(), "log");
  if (_VRN_access(log_path, 0) != 0) return;
  try {
    // The open that follows checks the stream's header and every page it
    // reads; its log goes once the replay is written.
    _DB_log_recover(base.c_str(), storage);
    _DB_log_remove(base.c_str());
  } catch (const dv_err& e) {
    throw dv_err_database_recovery("Error during recovery of database %s: %s.", pathname, e.get_report());
  }
}

}  // namespace dv_qem
