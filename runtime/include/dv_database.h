// The public database handle. A dv_database* that callers hold is the
// runtime's internal database object; this class has no state of its own.
// There is one segment and one cluster per database, so dv_segment and
// dv_cluster are this same class.
//
// Every operation takes the runtime thread lock for its whole duration and
// throws a dv_err on failure. An operation on a closed handle throws
// dv_err_database_not_open or dv_err_database_is_deleted and touches nothing;
// almost every operation on the transient database throws
// dv_err_database_transient.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class dv_database_root;
class IStorage;

class dv_database {
 public:
  // ---- making, opening and finding databases ------------------------------
  // Creates a database file at path with file mode `mode`. Without
  // overwrite an existing file is refused. The database gets as_size_mb MiB
  // of address range (8 MiB for 0). Requires a fault guard on this thread.
  static dv_database* create(const char* path, int mode, int overwrite, unsigned as_size_mb);
  // Opens the database at path. A missing file is created with file mode
  // create_mode (and an 8 MiB range) unless create_mode is 0. The address
  // range is as_factor times the database size (0: the default rule).
  // Requires a fault guard on this thread.
  static dv_database* open(const char* path, int read_only, int create_mode, unsigned as_factor);
  // Opens the database read-write (creating it when create_mode allows) and
  // closes it again. The handle returned is that closed database: non-null
  // says the database exists; is_open gives 0 for it and every other use is
  // refused as no longer valid.
  static dv_database* lookup(const char* path, int create_mode);
  // ---- databases in a stream of a compound file --------------------------
  // The stream is named by UTF-8 (converted to UTF-16 first) or UTF-16 text
  // and created or opened with the stream mode (dv_olestorage.h: an access,
  // STGM_SHARE_EXCLUSIVE, and STGM_CREATE to replace an existing stream).
  // The database is read and written through the stream exactly as through
  // a file. Each requires a fault guard on this thread.
  //
  // Creates a database in the stream; as_size_mb as for a file.
  static dv_database* create(IStorage* storage, const char* name, unsigned mode, unsigned as_size_mb);
  static dv_database* create(IStorage* storage, const char16_t* name, unsigned mode, unsigned as_size_mb);
  // Opens the database in the stream; a mode without write access opens it
  // read-only. as_factor as for a file. A database left in the middle of a
  // write is put back first from its log beside the container (when opened
  // for writing and the log is there).
  static dv_database* open(IStorage* storage, const char* name, unsigned mode, unsigned as_factor);
  static dv_database* open(IStorage* storage, const char16_t* name, unsigned mode, unsigned as_factor);

  // The database whose address range holds address, else the transient
  // database.
  static dv_database* of(const void* address);
  // The transient database: ordinary heap memory.
  static dv_database* get_transient_database();

  // ---- recovery -------------------------------------------------------------
  // 1 when the file at path was left in the middle of a write.
  static int needs_recovery(const char* path);
  // 1 when this open database's header says it needs recovery.
  int needs_recovery();
  // Puts the database at path back to its state before the interrupted write.
  static void recover(const char* path);

  // ---- closing, saving, copying --------------------------------------------
  // Closes without writing; unsaved changes are lost. The handle is invalid
  // afterwards.
  void close();
  // Closes and deletes the file. The handle is invalid afterwards.
  void destroy();
  // Writes every modified page (without transactions; with them commit writes).
  void save();
  // Writes the current contents to path and continues on that file; a null
  // path, or this database's own path, is save.
  void save_as(const char* path, int mode, int overwrite);
  // Writes the current contents (saved or not) to a new database at path;
  // this database stays as it is.
  void copy(const char* path, int mode, int overwrite) const;
  // The stream forms: the new database is a stream of storage created with
  // the stream mode. save_as with a null name and this database's own
  // storage, or onto its own stream, is save; a save_as that fails leaves
  // no stream behind.
  void save_as(IStorage* storage, const char* name, unsigned mode);
  void save_as(IStorage* storage, const char16_t* name, unsigned mode);
  void copy(IStorage* storage, const char* name, unsigned mode) const;
  void copy(IStorage* storage, const char16_t* name, unsigned mode) const;

  // ---- state -----------------------------------------------------------------
  // 1 when db is an open database (0 for null or a closed handle).
  static int is_open(const dv_database* db);
  int is_open_readonly();
  int is_writable();
  // 1 when a writable database has a modified page.
  int is_modified();
  // The database's page objects by lock state: none, read, write.
  void get_page_stats(unsigned& unlocked, unsigned& read_locked, unsigned& write_locked);
  // Bytes of the database image.
  unsigned size();
  void* as_start();
  unsigned as_size();
  // A new heap copy of the path; the caller frees it.
  char* get_pathname();

  // ---- named roots and schema paths (each needs a fault guard) ------------
  dv_database_root* create_root(const char* name);
  dv_database_root* find_root(const char* name) const;
  void get_all_roots(unsigned max, dv_database_root** out, unsigned& n) const;
  unsigned get_n_roots();
  void add_schema_path(const char* path);
  void remove_schema_path(const char* path);
  void remove_all_schema_paths(unsigned& n);
  void get_all_schema_paths(unsigned max, char** out, unsigned& n);
  unsigned get_n_schema_paths();
  // Renames a type in this database's type table. Both names must be
  // registered in this process (dv_err_unmarked_type otherwise).
  void rename_type(const char* old_name, const char* new_name);

  // ---- undo -------------------------------------------------------------------
  void set_undo_marker();
  void undo(unsigned steps);
  void redo(unsigned steps);
  int is_undoable();
  int is_redoable();

  // ---- object moves -----------------------------------------------------------
  // Records that the object at old_location now lives at new_location.
  void record_new_object_location(void* old_location, void* new_location);
  // Rewrites every pointer to a recorded old location; with pages_per_save
  // non-zero, saves and drops pages every so many pages on the way.
  void fix_pointers(unsigned pages_per_save);

  // ---- memory -------------------------------------------------------------------
  // Drops every page that is not modified; returns how many.
  unsigned return_all_pages();

  // ---- checks ---------------------------------------------------------------------
  // Raises dv_err_internal (or dv_err_heap_corruption) on any inconsistency.
  void self_check() const;
  // The same checks for the pages written since the last save only (their
  // page records, heaps and pointers): a cost that follows the transaction,
  // not the database.
  void self_check_written() const;
  // Prints the database, its allocator and its pages to standard output.
  void dump_contents() const;

  // ---- segment and cluster forms ------------------------------------------------
  static dv_database* get_transient_segment() { return get_transient_database(); }
  static dv_database* get_transient_cluster() { return get_transient_database(); }
  // The one cluster of this segment: the database itself.
  dv_database* create_cluster() { return this; }
  // A placement hint for persistent new: the address itself.
  static const void* with(const void* address) { return address; }

 protected:
  dv_database() = default;
  ~dv_database() = default;
};

using dv_segment = dv_database;
using dv_cluster = dv_database;

}  // namespace dv_qem
