// DVDB, the internal object of one open database (or of the transient
// database). It is the very object callers hold as dv_database*.
#pragma once

#include "dv_database.h"
#include "dv_platform.h"

namespace dv_qem {

class _DB_allocator;
class _Page;
class _DB_log;
class _DB_undo;

// The open file (or compound-file stream) that holds a database's pages.
struct _Storage {
  _VRN_file* file = nullptr;
};

class DVDB : public dv_database {
 public:
  DVDB(const char* path, int read_only);
  ~DVDB();
  DVDB(const DVDB&) = delete;
  DVDB& operator=(const DVDB&) = delete;

  static DVDB* of(dv_database* db) { return static_cast<DVDB*>(db); }

  // Fields in their stored-object order.
  _DB_allocator* allocator = nullptr;  // null until the database is open
  dv4u as_size = 0;                    // bytes of address range reserved
  char* as_start = nullptr;            // address of page 0
  char* pathname = nullptr;            // heap copy of the path
  _Storage storage;
  int read_only = 0;
  int in_use = 0;                      // 1 from a successful create/open until close
  _Page* root_page = nullptr;          // page 0, head of the page list
  DVDB* next = nullptr;                // next database in the list, by as_start
  _DB_log* log = nullptr;
  _DB_undo* undo = nullptr;
  dv4u kill_flags = 0;                 // test hooks _DVDB_DIE_IN_SAVE / _IN_COPY
  void* moves = nullptr;               // recorded object moves
};

}  // namespace dv_qem
