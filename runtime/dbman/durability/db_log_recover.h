// Recovery of a database file (or stream) from its recovery log, after a
// crash while it was being written (its header still carries the recovery
// word).
#pragma once

#include "storage.h"

namespace dv_qem {

// Puts the database db (the database at db_path, its file or stream open
// read-write) back into its state before the interrupted write, from the
// complete log "<db_path>.log", then deletes the log. (A stream database's
// db_path is the base its log was named after, see DVDB::make_log.)
//
// The whole log is checked before the database file is touched, so every
// refusal leaves the file as it was (still marked) and the log in place:
//   dv_err_database_log       the log cannot be opened
//   dv_err_database_recovery  not a log, a log still in progress, a log of
//                             another database, another write's timestamp,
//                             any entry that is invalid or truncated, an
//                             entry following the end, an image of a page
//                             outside the size before the write, two images
//                             of one page that differ, a page 0 image or a
//                             file that disagrees with that size
// The page 0 in the file must hold a valid super-block (internal assertion).
//
// Replay: the first image logged for a page is its state before the write
// and is written back; the first growth entry gives the size before the
// write, to which the file is cut and which page 0 records; every page but
// page 0 and the cut are flushed; then page 0 (its logged image when there
// is one) is written with the recovery word and timestamp cleared and
// flushed; only then is the log deleted.
void _DB_log_recover(const char* db_path, _Storage& db);

}  // namespace dv_qem
