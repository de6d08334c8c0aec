// The undo records of one database, as the database sees them: handed each
// page at its write lock, reset after every write of the file, asked to set
// a marker and to undo or redo steps. Made on the first undo marker by the
// undo subsystem; a database without one has nothing to undo.
#pragma once

namespace dv_qem {

class DVDB;
class _Page;

class _DB_undo {
 public:
  virtual ~_DB_undo() = default;
  // A page is being write-locked; keep what undoing it needs.
  virtual void record_page(_Page* page) = 0;
  // Forgets every record (the file now holds the pages).
  virtual void reset() = 0;
  virtual void set_marker() = 0;
  virtual void undo(unsigned steps) = 0;
  virtual void redo(unsigned steps) = 0;
  virtual int is_undoable() = 0;
  virtual int is_redoable() = 0;
};

// Makes undo records; installed by the undo subsystem.
struct _DB_undo_maker {
  _DB_undo* (*make)(DVDB* db) = nullptr;
};

// The undo subsystem's entry point; empty until an undo subsystem installs it.
_DB_undo_maker& _DB_undo_subsystem();

// The most undo steps a database keeps (durnavel::set_maximum_undo_operations).
unsigned _DB_max_undo_operations();
void _DB_set_max_undo_operations(unsigned n);

}  // namespace dv_qem
