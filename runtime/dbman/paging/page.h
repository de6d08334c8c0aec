// _Page: one page of one open database, the file element that moves it
// between the database file and its place in the address range, with its
// lock state. A page object exists from the page's first touch (or its
// creation by growth) until it is dropped or the database closed.
//
//   LNONE  no access: the next touch reads the page from the file again
//   LR     read-only access
//   LW     read-write access; the page is written by the next save
//
// A page is logged at its first write lock after being read or saved. The
// states and their transitions: runtime/DESIGN.md, "The page state machine".
#pragma once

#include "dv_types.h"
#include "file_element.h"

namespace dv_qem {

class DVDB;
class _Page_runs;

class _Page : public _File_element {
 public:
  enum lock_state : int { LNONE = 0, LR = 1, LW = 2, _LBAD = 3 };
  enum page_flag_bits : dv4u {
    page_mapped = 1,   // its memory is committed
    page_rearmed = 2,  // write-locked but made read-only by an undo marker
  };

  // The page at address of db: not mapped, lock LNONE, in no list.
  _Page(DVDB* db, char* address);

  DVDB* get_db() const { return db; }
  int get_lock() const { return lock; }
  dv4u get_page_flags() const { return page_flags; }
  int is_mapped() const { return (page_flags & page_mapped) != 0; }
  int is_rearmed() const { return (page_flags & page_rearmed) != 0; }
  // Flags a write-locked page for re-arming: its next write faults again.
  void rearm();

  // Commits the page's memory with the access kind (dv_memory_kind); the
  // page must not be mapped.
  void map(int kind);
  // Marks the page mapped with the access kind: the caller committed its
  // memory together with its neighbours' (dv_map_memory_pages). The page
  // must not be mapped.
  void map_in_run(int kind);
  // Decommits the page's memory: lock LNONE, flags 0; with forget the
  // allocator drops what it knows of the page. The page must be mapped.
  void unmap(bool forget);
  // Sets the access of a mapped page (nothing for an unmapped one, nor for a
  // page that has that access already).
  void protect(int kind);
  // The access the page's memory has now (a dv_memory_kind).
  int get_protection() const { return protection; }
  // Locks the page LR (read-only) or LW (read-write). Write-locking hands the
  // page to the undo records (with its lock before, as a new page when grew)
  // and, unless re-armed, logs its before-image (as growth when grew) before
  // the page becomes writable; when that fails the page keeps its lock. An LW
  // page asked for LW that is not re-armed is left alone. A read-locked page
  // is no longer re-armed: it holds what the file holds.
  void set_lock(int l, bool grew = false);
  // Write-locks a mapped read-write page made by growth whose growth the
  // caller has logged already: hands it to the undo records as a new page.
  // When that fails the page keeps lock LNONE.
  void write_lock_grown();
  // Lock LNONE, no access, not re-armed: the next touch fetches the page again.
  void downgrade();
  // As set_lock(LR) and downgrade(), with the change of access left to runs
  // (made together with the page's neighbours').
  void read_lock(_Page_runs& runs);
  void downgrade(_Page_runs& runs);
  // Fills a mapped page with zeros.
  void zero();

  // ---- undo (page_undo.cpp); each leaves the page read-only ----------------
  // Exchanges the mapped page's contents, lock and re-arm flag with the page
  // image, lock and flags an undo record keeps.
  void swap_with_image(char* image, int& kept_lock, dv4u& kept_flags);
  // Copies the mapped page's contents, lock and re-arm flag out into an undo
  // record, then unmaps the page and has the allocator forget it.
  void move_out_to_image(char* image, int& kept_lock, dv4u& kept_flags);
  // Maps the page again with the contents, lock and flags an undo record
  // kept while it was out.
  void restore_from_image(const char* image, int kept_lock, dv4u kept_flags);

  // Raises dv_err_internal naming the first broken invariant.
  void self_check() const;
  // "   Page %4d 0x%x, buffer 0x%x, offset %6u, lock=%s%s\n" to standard output.
  void dump_line(int number) const;

  static const char* lock_name(int l);

 private:
  friend class _Page_runs;

  // Hands the page to the database's log: as growth (the image's size
  // before this page) or as its current contents.
  void log_before_image(bool grew);
  // Gives the page's memory the access kind unless it has it already.
  void set_protection(int kind);
  // The page's state is one the state machine allows (runtime/DESIGN.md,
  // "The page state machine"); an internal assertion names the rule broken.
  // Called at the end of every transition.
  void check_state() const;

  DVDB* db;
  int lock = LNONE;
  dv4u page_flags = 0;
  int protection = 0;  // dv_memory_kind of the page's memory; no access until mapped
};

}  // namespace dv_qem
