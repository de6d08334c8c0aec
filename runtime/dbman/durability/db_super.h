// Building, validating and reading the super-block, the first 48 bytes of a
// database file, and the timestamp that marks one write of a database.
#pragma once

#include "db_format.h"
#include "storage.h"

namespace dv_qem {

// Fills the super-block of a new database whose page 0 is mapped at start:
// magic, start, database size one page, the system page size, version 1.2.
void _DB_build_super(_DB_header_super* super, const char* start);

// The validity of a super-block (_DB_super_validity), tested in order:
// magic, page size, version.
int _DB_validate_super(const _DB_header_super& super);

// Reads and checks the super-block of the database file at path:
//   shorter than the super-block, bad magic, bad page size, or a size or
//   start that cannot describe an image in this file (not a page multiple,
//   zero, larger than the file, wrapping the address space):
//     dv_err_not_a_database "%s is not a valid database."
//   another version: dv_err_version_mismatch
//   recovery word set (only with recovery_check):
//     dv_err_database_needs_recovery "The database %s needs to be recovered."
void _DB_read_super(_Storage& storage, const char* path, bool recovery_check, _DB_header_super& out);

// The stamp of one write: from the clock's seconds s and milliseconds ms,
// (s / 1000) x ms + 1 in 32-bit arithmetic; never 0.
dv4u _DB_write_stamp();

}  // namespace dv_qem
