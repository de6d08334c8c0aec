// The recovery log of a database opened for update. Before a page is first
// changed its unchanged image is appended to the log, and growth of the
// database records the size before it grew. Before modified pages are written
// to the database file the log is completed and flushed; after a crash in
// that write, _DB_log_recover (db_log_recover.h) puts the logged images back.
//
// The database drives the log through one write:
//   "a write with stamp S begins"  -> complete(S), before the database header
//                                     is marked (recovery word 1, stamp S)
//   "the write ended" (after the header is clean again, and on abort)
//                                  -> reset()
// In the file, the entries of a log in progress run up to the first empty
// slot (an entry's worth of zeros, written behind each appended entry) or the
// file's end; a complete log ends with its end entry, and so does the file.
//
// The log works on files and page buffers only; checking that a page is
// mapped, write-locked and of this database is the caller's part.
//
// Every call runs under the runtime thread lock.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class _DB_log {
 public:
  _DB_log(const _DB_log&) = delete;
  _DB_log& operator=(const _DB_log&) = delete;

  // Creates (or replaces) the log of the database at db_path, read-write with
  // mode 0644, and writes and flushes a header in progress. The log file is
  // "<db_path>.log" (platform extension rule); with temporary set it is a new
  // file in the temporary directory named after the database file. The
  // directory of a new log file is flushed once, so the name is durable.
  // Refusals: dv_err_database_log "Database Log \"%s\" open/create error:
  // \"%s\"" when the file cannot be made or a name does not fit the header
  // (127 characters); dv_err_cant_write_to_file when the header cannot be
  // written or flushed (nothing is left behind then).
  static _DB_log* open_for_update(const char* db_path, bool temporary);
  // The shared log of databases without transactions or logging: every call
  // does nothing.
  static _DB_log* dummy();
  // Start-up of the log subsystem, once per process before the first
  // database: its only process-wide state is the shared do-nothing log,
  // which this makes.
  static void start_subsystem();

  // Appends a page-image entry followed by the page_size bytes at image, the
  // page at byte offset of the database file. The log must be in progress
  // ("header->in_progress()"); page_size must be the log's page size and
  // offset a multiple of it. A failed write: dv_err_cant_write_to_file.
  virtual void log_page(dv4u offset, const void* image, dv4u page_size) = 0;
  // Appends a growth entry: the database was old_size bytes before it grew
  // (nonzero, a multiple of the page size). The log must be in progress.
  virtual void log_growth(dv4u old_size) = 0;
  // Appends n_pages growth entries with one write, the entries n_pages calls
  // of log_growth would append for the sizes old_size, old_size + one page,
  // and so on: the database grew by n_pages pages one after another. On a
  // failed write none of them is appended.
  virtual void log_growth_run(dv4u old_size, dv4u n_pages) = 0;
  // Appends the end entry, cuts the file after it (entries an earlier write
  // left behind), marks the header complete ("-OK", in progress 0,
  // timestamp), writes it and flushes the log: from here a crash is undone by
  // recovery, and the file ends with the end entry. timestamp is nonzero ("tstamp") and the log in progress
  // ("p!=in_progress()"). A failed write or flush raises
  // dv_err_cant_write_to_file and leaves the log in progress.
  virtual void complete(dv4u timestamp) = 0;
  // Makes the log empty and in progress again for the next write: header
  // "BAD", in progress 1, timestamp 0 and an empty slot behind it written at
  // offset 0, flushed. The file keeps its length (old entries behind the
  // empty slot, never replayed): the next write's entries go over them.
  virtual void reset() = 0;
  // Closes the log, deleting its file when it is still in progress or
  // delete_file is set. Ends the log: the pointer must not be used again.
  virtual void close(bool delete_file) = 0;
  // The log file's path; null for the dummy log.
  virtual const char* path() const = 0;

 protected:
  _DB_log() = default;
  ~_DB_log() = default;
};

}  // namespace dv_qem
