// The undo object of a database: its two marker lists, stepping back and
// forth between them, and the undo limit.
#include "db_undo.h"

#include <atomic>
#include <vector>

#include "undo_records.h"
#include "world_stop.h"

namespace dv_qem {

namespace {

std::atomic<unsigned> max_undo_operations{0};

}  // namespace

unsigned _DB_max_undo_operations() { return max_undo_operations.load(); }
void _DB_set_max_undo_operations(unsigned n) { max_undo_operations.store(n); }

void _DB_undo::marker_list::push_head(_Undo_marker* m) {
  m->newer = nullptr;
  m->older = head;
  if (head != nullptr)
    head->newer = m;
  else
    tail = m;
  head = m;
}

_Undo_marker* _DB_undo::marker_list::pop_head() {
  _Undo_marker* m = head;
  if (m == nullptr) return nullptr;
  head = m->older;
  if (head != nullptr)
    head->newer = nullptr;
  else
    tail = nullptr;
  m->older = m->newer = nullptr;
  return m;
}

_Undo_marker* _DB_undo::marker_list::pop_tail() {
  _Undo_marker* m = tail;
  if (m == nullptr) return nullptr;
  tail = m->newer;
  if (tail != nullptr)
    tail->older = nullptr;
  else
    head = nullptr;
  m->older = m->newer = nullptr;
  return m;
}

void _DB_undo::marker_list::free_all() {
  while (head != nullptr) delete pop_head();
}

_DB_undo::_DB_undo(DVDB* db) : db_(db) {}

_DB_undo::~_DB_undo() { reset(); }

void _DB_undo::record_page(_Page* page, int lock_before, bool grew) {
  redo_list_.free_all();
  if (undo_list_.head != nullptr) undo_list_.head->record(page, lock_before, grew);
}

void _DB_undo::reset() {
  undo_list_.free_all();
  redo_list_.free_all();
  count_ = 0;
}

void _DB_undo::set_marker() {
  undo_list_.push_head(new _Undo_marker());
  ++count_;
  const unsigned limit = _DB_max_undo_operations();
  while (limit != 0 && count_ > limit) {
    delete undo_list_.pop_tail();
    --count_;
  }
  redo_list_.free_all();
}

void _DB_undo::undo(unsigned steps) { count_ -= apply(steps, undo_list_, redo_list_); }

void _DB_undo::redo(unsigned steps) { count_ += apply(steps, redo_list_, undo_list_); }

unsigned _DB_undo::apply(unsigned steps, marker_list& from, marker_list& to) {
  std::vector<_Undo_marker*> markers;
  size_t n_records = 0;
  for (_Undo_marker* m = from.head; m != nullptr && markers.size() < steps; m = m->older) {
    markers.push_back(m);
    for (_Undo_page* r = m->records(); r != nullptr; r = r->next) ++n_records;
  }
  if (markers.empty()) return 0;

  // Everything that allocates happens before the world stops, and is taken
  // back when part of it fails.
  std::vector<_Undo_page*> prepared;
  prepared.reserve(n_records);
  try {
    for (_Undo_marker* m : markers)
      for (_Undo_page* r = m->records(); r != nullptr; r = r->next) {
        r->prepare(*db_);
        prepared.push_back(r);
      }
  } catch (...) {
    for (_Undo_page* r : prepared) r->cancel(*db_);
    throw;
  }

  _VRN_stop_the_world();
  try {
    for (_Undo_marker* m : markers)
      for (_Undo_page* r = m->records(); r != nullptr; r = r->next) r->exchange();
  } catch (...) {
    _VRN_resume_the_world();
    throw;
  }
  _VRN_resume_the_world();

  for (_Undo_page* r : prepared) r->settle(*db_);
  for (size_t i = 0; i < markers.size(); ++i) to.push_head(from.pop_head());
  return static_cast<unsigned>(markers.size());
}

bool _DB_undo::holds(const _Page* page) const {
  for (const marker_list* list : {&undo_list_, &redo_list_})
    for (const _Undo_marker* m = list->head; m != nullptr; m = m->older)
      if (m->holds(page)) return true;
  return false;
}

}  // namespace dv_qem
