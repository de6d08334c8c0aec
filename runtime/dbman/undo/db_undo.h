// The undo object of one database: the undo list (markers set, newest first)
// and the redo list (markers undone, the last undone first). The database
// makes it at its first undo marker, hands it every page at the page's
// first write since the newest marker, and resets it whenever the file
// takes the pages (save, save_as, commit, abort). Nothing of it is written
// to the file.
//
// Everything here runs under the runtime thread lock.
#pragma once

namespace dv_qem {

class DVDB;
class _Page;
class _Undo_marker;

class _DB_undo {
 public:
  explicit _DB_undo(DVDB* db);
  ~_DB_undo();
  _DB_undo(const _DB_undo&) = delete;
  _DB_undo& operator=(const _DB_undo&) = delete;

  // A page is being write-locked for a write (lock_before: its lock until
  // now; grew: a page new at the end of the image). The newest marker keeps
  // the page as it stands unless it has it already; the redo list is
  // emptied either way, since this write starts a new history.
  void record_page(_Page* page, int lock_before, bool grew);
  // Forgets every marker of both lists.
  void reset();
  // A new newest marker on the undo list; beyond the undo limit
  // (_DB_max_undo_operations, 0 = none) the oldest marker is forgotten. The
  // redo list is emptied.
  void set_marker();
  // Applies up to steps markers from the head of the undo list (redo: the
  // redo list) and moves each to the head of the other list. Every other
  // guarded thread is held still while pages change. The caller re-arms the
  // pages and resets the allocator afterwards.
  void undo(unsigned steps);
  void redo(unsigned steps);
  int is_undoable() const { return undo_list_.head != nullptr; }
  int is_redoable() const { return redo_list_.head != nullptr; }
  // Whether a marker of either list keeps a record of page: such a page
  // must stay in memory.
  bool holds(const _Page* page) const;
  // Markers on the undo list.
  unsigned undo_count() const { return count_; }

 private:
  // A list of markers: head is the one undo or redo takes next.
  struct marker_list {
    _Undo_marker* head = nullptr;
    _Undo_marker* tail = nullptr;
    void push_head(_Undo_marker* m);
    _Undo_marker* pop_head();
    _Undo_marker* pop_tail();
    void free_all();
  };

  // Applies up to steps markers from the head of from and moves them to the
  // head of to; returns how many.
  unsigned apply(unsigned steps, marker_list& from, marker_list& to);

  marker_list undo_list_;
  marker_list redo_list_;
  DVDB* db_;
  unsigned count_ = 0;  // markers on the undo list
};

// The most undo steps a database keeps (durnavel::set_maximum_undo_operations);
// 0 = no limit.
unsigned _DB_max_undo_operations();
void _DB_set_max_undo_operations(unsigned n);

}  // namespace dv_qem
