// DVDB, the internal object of one open database (or of the transient
// database). It is the very object callers hold as dv_database*. It owns the
// file, the database's address range, its page objects, the allocator, the
// log and the undo records, and it is the space the allocator grows.
//
// Everything here runs under the runtime thread lock.
//
// A closed database's object is never freed: it stays behind as a marked
// handle, so that a handle used after close is refused as no longer valid
// instead of reaching freed memory.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "db_format.h"
#include "db_space.h"
#include "dv_database.h"
#include "dv_platform.h"
#include "storage.h"

namespace dv_qem {

class _DB_allocator;
class _Page;
class _DB_log;
class _DB_undo;
class _Object_moves;

// Test hooks of _VRN_let_it_die: an internal assertion in the middle of a
// save (between the pages and the clean header) or a copy (before the final
// page 0).
constexpr dv4u _DVDB_DIE_IN_SAVE = 1;
constexpr dv4u _DVDB_DIE_IN_COPY = 2;

// Kinds of access a fault or touch asks for.
enum dv_mem_signal : int {
  dv_mem_signal_read = 0,
  dv_mem_signal_write = 1,
  dv_mem_signal_unknown = 2,  // "referencing": nothing to serve
};

class DVDB : public dv_database, public _DB_space {
 public:
  // Zeroed fields, read_only and a heap copy of path (a null path is an
  // internal assertion).
  DVDB(const char* path, int read_only);
  // Frees what the object owns. Only for an object that is not listed, not
  // in use and has no page objects.
  ~DVDB() override;
  DVDB(const DVDB&) = delete;
  DVDB& operator=(const DVDB&) = delete;

  static DVDB* of(dv_database* db) { return static_cast<DVDB*>(db); }
  static const DVDB* of(const dv_database* db) { return static_cast<const DVDB*>(db); }

  static constexpr const char* transient_name = "THE_TRANSIENT_DATABASE";
  // The transient database: made on first use, never opened, never freed.
  static DVDB* transient();
  bool is_transient() const { return this == transient(); }

  // ---- checks ---------------------------------------------------------------
  // The transient database: dv_err_database_transient.
  void check_not_transient() const;
  // Transient check, then: a closed handle, a database not in use and (with
  // recovery_check) one whose header needs recovery are refused.
  void check_usable(bool recovery_check = true) const;
  // A handle that is no longer (or never was) a database, such as null:
  // dv_err_database_is_deleted with the handle's value.
  [[noreturn]] static void refuse_invalid_handle(const dv_database* handle);
  // path made absolute into full (_VRN_MAX_PATH bytes); a null path and one
  // of _VRN_MAX_PATH characters or more are refused (dv_err_invalid_pathname).
  static void full_path_of(const char* path, char* full);
  // The path check: full_path_of, and a path an open database uses is
  // refused (dv_err_database_in_use).
  static void check_path(const char* path, char* full);

  // ---- lifecycle (each: the runtime lock is held; refusals as documented
  // in dv_database.h) ----------------------------------------------------------
  static DVDB* create(const char* path, int mode, int overwrite, unsigned as_size_mb);
  static DVDB* open(const char* path, int read_only, int create_mode, unsigned as_factor);
  static DVDB* lookup(const char* path, int create_mode);
  static int needs_recovery(const char* path);
  static void recover(const char* path);
  // Opens the recovered database at full read-only and self-checks it
  // (every page); raises what the open or the check raises.
  static void check_recovered(const char* full);
  void close_database();
  void destroy_database();
  void save();
  void save_as(const char* path, int mode, int overwrite);
  void copy(const char* path, int mode, int overwrite);

  // ---- lifecycle in a stream of a compound file (dvdb_stream.cpp; the path
  // is the stream's name in UTF-8) -------------------------------------------------
  static DVDB* create(IStorage* container, const char16_t* name, unsigned mode, unsigned as_size_mb);
  static DVDB* open(IStorage* container, const char16_t* name, unsigned mode, unsigned as_factor);
  void save_as(IStorage* container, const char16_t* name, unsigned mode);
  void copy(IStorage* container, const char16_t* name, unsigned mode);
  // The path check of the stream forms: a null container, a null or empty
  // name, a name that cannot be converted and one of _VRN_MAX_PATH bytes or
  // more are refused; narrow (_VRN_MAX_PATH bytes) receives the name in UTF-8.
  static void stream_path_of(IStorage* container, const char16_t* name, char* narrow);
  // The open database in the stream name of container, or null.
  static DVDB* stream_user(IStorage* container, const char* narrow);
  // The path check of a stream: stream_path_of, then a stream already open as
  // a database is refused with dv_err_database_in_use.
  static void stream_path_check(IStorage* container, const char16_t* name, char* narrow);

  // ---- the file or stream -------------------------------------------------------
  // How the storage of a database being made is opened.
  using storage_opener = std::function<void(DVDB&)>;
  // Opens the file at pathname with the platform flags; a failure raises the
  // error of the file-open code.
  void open_file(int flags, int mode);
  // Creates (create) or opens the stream name of container with the stream
  // mode; a failure raises the error of the file-open code it maps to.
  void open_stream(IStorage* container, const char16_t* name, unsigned mode, bool create);
  // Raises the error of a failed file open (code: _VRN_file_error) with the
  // system's text.
  [[noreturn]] void raise_open_error(int code, const char* text) const;
  // The log of a database opened for writing. A file database: a log file
  // beside the database when transactions are initialised or logging is on,
  // else the shared log that records nothing. A stream database: a log file
  // beside its container file, named after the container and the stream
  // (a temporary one for a container without a file), when transactions
  // are initialised; else the shared log.
  _DB_log* make_log();
  // Writes every write-locked page behind a dirty header, then marks the
  // header clean (the save of a database without transactions; commit).
  void write_pages();
  // Sets (dirty, with stamp) or clears the recovery mark in page 0 and makes
  // it durable: a dirty mark writes the two mark words alone (the rest of
  // the file's page 0 stays as it was until the pages are written), a clean
  // mark the whole page 0. Page 0 must be writable (write_pages keeps it so
  // from the dirty mark to the clean mark).
  void mark_header(bool dirty, dv4u stamp);

  // ---- transactions (dvdb_transaction.cpp) --------------------------------
  // Commit of an update transaction: every writable open database writes its
  // modified pages; the first failure propagates.
  static void commit_all();
  // Abort: every writable open database discards its changes since its last
  // write; every database is reverted even when one fails, then the first
  // failure propagates.
  static void revert_all();

  // ---- the image --------------------------------------------------------------
  _DB_header_super* super() const { return reinterpret_cast<_DB_header_super*>(as_start); }
  // Bytes of the image in use (the header's database size).
  dv4u image_size() const;
  // The page address of address.
  static char* page_of(const void* address);

  // ---- pages ------------------------------------------------------------------
  _Page* find_page(const char* page_address) const;
  // Enters a page in the page list (page 0 becomes its head).
  void enter_page(_Page* page);
  // Takes a page out of the page list.
  void remove_page(_Page* page);
  // Serves one fault (or touch) of kind on address: upgrades the page's lock
  // or fetches it. Returns 1 when something was done.
  int serve_fault(char* address, int kind);
  // Raises a present page's lock to l; 1 when its lock changed.
  int upgrade_page(_Page* page, int l);
  // Reads the page at page_address from the file with lock l, relocating it
  // (with the rest of its large object when that needs relocation).
  void fetch_page(char* page_address, int l);
  // Drops the unmodified pages of [from, from + size) cut to the image
  // (page 0 and pages undo records keep stay); returns how many.
  unsigned drop_pages(const char* from, dv4u size);
  void page_stats(unsigned& unlocked, unsigned& read_locked, unsigned& write_locked) const;
  // Notes that page became write-locked (_Page calls it at every change of
  // its lock to LW): a write or an abort then visits the pages noted since
  // the last one instead of every page of the database.
  void note_write_locked(const _Page* page);
  // The write-locked pages, in ascending order of offset.
  std::vector<_Page*> write_locked_pages();

  // ---- undo and object moves --------------------------------------------------
  void set_undo_marker();
  void undo_steps(unsigned steps, bool redo);
  // Whether an undo record keeps page (it is not dropped then).
  bool held_by_undo(const _Page* page) const;
  void record_move(void* old_location, void* new_location);
  // Rewrites every pointer of the user objects and the roots' values that
  // the recorded moves name, then forgets the moves; with pages_per_save,
  // saves and drops every page whenever the walk has gone that many pages
  // on, and saves at the end.
  void fix_pointers(unsigned pages_per_save);

  // ---- checks and printing ----------------------------------------------------
  void self_check();
  // The checks of self_check for the pages written since the last save.
  void self_check_written();
  void dump_contents();

  // ---- _DB_space ------------------------------------------------------------------
  char* space_start() const override { return as_start; }
  void make_room(dv4u n_pages) override;
  char* grow_page() override;
  char* grow_pages(dv4u n_pages, dv4u& given) override;
  void will_write(char* first, dv4u n_pages) override;
  _DB_allocator* space_allocator() const override { return allocator; }
  const char* space_name() const override { return pathname; }

  // ---- state ------------------------------------------------------------------
  // Bytes of address range reserved for the image.
  dv4u reserved_size() const { return as_size; }
  // Places the object's address range at start, size bytes (a database that
  // is not listed; for fixtures standing in for an open database).
  void place_at(char* start, dv4u size) {
    as_start = start;
    as_size = size;
  }
  // Attaches the allocator (null: none, as while the database is being made).
  void set_allocator(_DB_allocator* a) { allocator = a; }
  bool is_read_only() const { return read_only != 0; }
  _Storage& file_storage() { return storage; }
  // The next database in the list of open databases (by address), or null;
  // the list keeps it.
  DVDB* next_listed() const { return next; }
  void set_next_listed(DVDB* db) { next = db; }
  _DB_log* database_log() const { return log; }
  // The undo records, or null.
  _DB_undo* undo_records() const { return undo; }
  // Test hooks _DVDB_DIE_IN_SAVE / _IN_COPY.
  void set_kill_flags(dv4u flags) { kill_flags = flags; }

 private:
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
  _Object_moves* moves = nullptr;      // recorded object moves

  // How a database is closed.
  enum class close_mode { keep_file, delete_file, delete_file_reporting };

  static DVDB* make_and_create(const char* full, const storage_opener& open, unsigned as_size_mb);
  static DVDB* make_and_open(const char* full, int read_only, const storage_opener& open, unsigned as_factor,
                             bool recovery_check);
  void create_image(const storage_opener& open, unsigned as_size_mb);
  void open_image(const storage_opener& open, unsigned as_factor, bool recovery_check);
  _DB_log* make_stream_log();
  // The name the log of this stream database is made from, "<container
  // path>.<stream name>" (the container's full path); false for a container
  // without a file.
  bool stream_log_base(std::string& base) const;
  // A stream database left in the middle of a write is put back from its
  // log when the log lies beside its container; without the log it opens
  // as it is and needs recovery.
  void recover_stream();
  // Closes the database: pages dropped, list left, file closed or deleted,
  // log closed, everything it owns released. A handle callers hold is then
  // kept as a marked handle; an object no caller has seen is freed. A failed
  // delete is reported only with delete_file_reporting.
  void close_and_retire(close_mode mode);
  void close_and_free(close_mode mode);
  void close_image(close_mode mode);
  // The object is closed: not listed, not in use, no page 0.
  void check_releasable() const;
  // Frees what the object owns.
  void release();
  // Frees the page objects left after a failed close (their memory is left).
  void discard_page_objects();
  // Writes the current image to a new database at full whose storage open
  // makes, and leaves it open in target. On failure the target is closed:
  // its file or stream deleted when the failure came before it was marked as
  // being written (or always, with delete_on_any_failure), else kept with
  // that mark.
  void copy_image_to(const char* full, const storage_opener& open, bool delete_on_any_failure, DVDB*& target);
  // The end of save_as: the database goes on in target's storage under
  // target's path, and target is discarded.
  void continue_in(DVDB* target);
  // Reads the page at page_address alone (relocating its objects with
  // relocate) and locks it l.
  void fetch_single(char* page_address, int l, bool relocate);
  void fetch_in_large_object(char* page_address, char* object, int l);
  // The page object of page_address; one made for it is also added to made.
  _Page* page_to_fill(char* page_address, std::vector<_Page*>& made);
  // The page object of page_address, made and entered when there is none.
  _Page* listed_page(char* page_address);
  // Gives up pages of a failed fetch: unmapped with the world stopped (by
  // the caller), then forgotten, unlisted and freed.
  void abandon_pages(const std::vector<_Page*>& pages);
  // Drops one page: unmapped, unlisted, freed.
  void drop_page(_Page* page, bool forget);
  // Discards the changes since the last write: new pages dropped, modified
  // pages left without access (the next touch reads them again), page 0 read
  // again, the allocator, the log and the undo records reset.
  void revert_changes();
  // Puts page 0 back as the file holds it (relocated start kept), read-locked.
  void reread_page0();
  // After a write that may have reached the file in part: the database is
  // refused as needing recovery until it is closed and recovered, and every
  // page but page 0 (read-locked) is left without access.
  void refuse_after_failed_write();
  // Every page but page 0 without access, page 0 read-locked.
  void release_pages();
  // Read-locks the write-locked pages written (the write of the pages is
  // done; written as write_locked_pages() gave them) and makes them and page
  // 0 (writable for the marks) read-only, one call per run of adjacent
  // pages; then no page is write-locked and the notes start afresh.
  void read_lock_written_pages(const std::vector<_Page*>& written);
  // Flags every write-locked page for re-arming and makes every accessible
  // page read-only, so the next write to any page faults.
  void rearm_pages();

  std::map<dv4u, _Page*> pages_by_offset_;  // every page object, page 0 included
  // Offsets of the pages that became write-locked since the last write or
  // abort, in the order they did, each once or more. Every write-locked page
  // is among them (checked by self_check); some may have left that lock or
  // their page object may be gone.
  std::vector<dv4u> write_locked_offsets_;
};

// The dead-handle marker: read_only and in_use of a closed database's object.
constexpr int DVDB_DELETED_MARK = static_cast<int>(0xDDDDDDDDu);

// Test hook: sets kill_flags of db.
void _VRN_let_it_die(DVDB* db, dv4u flags);

}  // namespace dv_qem
