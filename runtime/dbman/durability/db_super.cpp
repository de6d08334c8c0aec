// The super-block: construction at creation, validation, and the checks made
// when a file is opened.
#include "db_super.h"

#include <cstdint>
#include <cstring>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

constexpr int kReleaseMajor = 3;
constexpr int kReleaseMinor = 0;
constexpr int kReleaseMaintenance = 2;

dv4u address_word(const void* p) { return static_cast<dv4u>(reinterpret_cast<uintptr_t>(p)); }

// A super-block whose fields cannot describe an image mapped at its start
// address. A clean image must also lie wholly in the file; a file left in the
// middle of a write may be shorter until it is recovered.
bool describes_no_image(const _DB_header_super& s, uint64_t file_size) {
  const dv4u page = _VRN_get_page_size();
  if (s.db_size == 0 || s.db_size % page != 0) return true;
  if (s.as_start == 0 || s.as_start % page != 0) return true;
  if (uint64_t{s.as_start} + s.db_size > (uint64_t{1} << 32)) return true;
  return s.recovery_word == 0 && s.db_size > file_size;
}

}  // namespace

void _DB_build_super(_DB_header_super* super, const char* start) {
  std::memset(super, 0, sizeof *super);
  std::memcpy(super->magic, DB_MAGIC, sizeof DB_MAGIC);
  super->as_start = address_word(start);
  super->db_size = _VRN_get_page_size();
  super->page_size = _VRN_get_page_size();
  super->major_version = DB_FORMAT_MAJOR;
  super->minor_version = DB_FORMAT_MINOR;
  if (super->as_start != address_word(super))
    DV_ASSERTION_FAILED(as_start_eq_dv4u_this);
}

int _DB_validate_super(const _DB_header_super& super) {
  if (std::strncmp(super.magic, DB_MAGIC, sizeof super.magic) != 0) return super_bad_magic;
  if (super.page_size != _VRN_get_page_size()) return super_bad_page_size;
  if (super.major_version != DB_FORMAT_MAJOR || super.minor_version != DB_FORMAT_MINOR)
    return super_bad_version;
  return super_valid;
}

void _DB_read_super(_Storage& storage, const char* path, bool recovery_check, _DB_header_super& out) {
  size_t n = storage.read_at(&out, sizeof out, 0);
  int validity = n < sizeof out ? super_bad_magic : _DB_validate_super(out);
  if (validity == super_bad_magic || validity == super_bad_page_size)
    throw dv_err_not_a_database("%s is not a valid database.", path);
  if (validity == super_bad_version)
    throw dv_err_version_mismatch(
        "Database %s has a format version %d.%d, which is incompatible with format %d.%d of this "
        "Durnavel/QEM Release (%d.%d.%d)",
        path, out.major_version, out.minor_version, DB_FORMAT_MAJOR, DB_FORMAT_MINOR, kReleaseMajor,
        kReleaseMinor, kReleaseMaintenance);
  if (recovery_check && out.recovery_word != 0)
    throw dv_err_database_needs_recovery("The database %s needs to be recovered.", path);
  if (describes_no_image(out, static_cast<uint64_t>(storage.size())))
    throw dv_err_not_a_database("%s is not a valid database.", path);
}

dv4u _DB_write_stamp() {
  dv4u seconds = 0;
  unsigned milliseconds = 0;
  _VRN_ftime(seconds, milliseconds);
  dv4u micro = milliseconds * 1000;
  return (seconds / 1000) * (micro / 1000) + 1;
}

}  // namespace dv_qem
