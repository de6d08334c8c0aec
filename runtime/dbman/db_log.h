// The recovery log of one writable database, as the database sees it: told
// when a write of the database file begins and ends, handed the before-image
// of each page at its first write lock, and closed with the database.
//
// A read-only database has no log. Without a log subsystem able to make log
// files, and whenever logging is off, a database gets the shared log that
// records nothing.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class DVDB;
class _Page;

class _DB_log {
 public:
  virtual ~_DB_log() = default;

  // The database file is about to be overwritten by the write marked stamp:
  // the log is completed and made durable first.
  virtual void begin_write(dv4u stamp) = 0;
  // The write has ended (or was abandoned): the log starts afresh.
  virtual void end_write() = 0;
  // Records page before it changes: with grew, that the database grew by
  // this new page (the old size); else the page's current contents. The page
  // is mapped and write-locked.
  virtual void log_page(_Page* page, bool grew) = 0;
  // Closes the log, deleting its file when delete_file is set or when the
  // log is not complete. The log object is freed (the shared one is kept).
  virtual void close(bool delete_file) = 0;
};

// Makes logs with files; installed by the log subsystem.
struct _DB_log_maker {
  // A new log for db: a file beside the database, or a temporary file.
  _DB_log* (*make)(DVDB* db, bool temporary) = nullptr;
  // Replays the log of db, a database opened for recovery whose header says
  // it needs recovery, and clears the header's mark.
  void (*recover)(DVDB* db) = nullptr;
};

// The log subsystem's entry points; empty until a log subsystem installs them.
_DB_log_maker& _DB_log_subsystem();

// The shared log that records nothing.
_DB_log* _DB_dummy_log();

// The log a database gets when it is opened for writing. A file database
// gets a log file beside it when transactions are initialised or logging is
// on; a database kept in a stream gets a temporary log file when
// transactions are initialised. Otherwise, or without a log subsystem, the
// shared log that records nothing.
_DB_log* _DB_make_log(DVDB* db, bool in_stream);

}  // namespace dv_qem
