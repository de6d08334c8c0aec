// Recovery of a database file (or stream) from its recovery log, after a
// crash while it was being written (its header still carries the recovery
// word).
#pragma once

#include <utility>
#include <vector>

#include "storage.h"

namespace dv_qem {

// What a replay wrote over: the database file's bytes before it, so that
// undo puts the file back byte for byte (page 0 last).
struct _DB_log_replayed {
  off_t file_size = 0;
  std::vector<char> page0;                                  // page 0 as it was
  std::vector<std::pair<off_t, std::vector<char>>> pages;  // (offset, bytes) written over or cut off
  void undo(_Storage& db) const;
};

// Puts the database db (the database at db_path, its file or stream open
// read-write) back into its state before the interrupted write, from the
// complete log "<db_path>.log"; returns what it wrote over. (A stream database's
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
//                             file that disagrees with that size, an end
//                             entry before the end the header records, an
//                             image whose two records of its page differ
// The page 0 in the file must hold a valid super-block (internal assertion).
//
// Replay: the first image logged for a page is its state before the write
// and is written back; the first growth entry gives the size before the
// write, to which the file is cut and which page 0 records; every page but
// page 0 and the cut are flushed; then page 0 (its logged image when there
// is one) is written with the recovery word and timestamp cleared and
// flushed.
//
// The log is not deleted here: the caller checks the recovered database
// first, then deletes the log (_DB_log_remove), or takes the replay back
// (undo) and keeps the log when the check fails.
_DB_log_replayed _DB_log_recover(const char* db_path, _Storage& db);

// Deletes the log "<db_path>.log" of a recovered database.
void _DB_log_remove(const char* db_path);

}  // namespace dv_qem
