// Object moves: after objects were copied to new places and the moves
// recorded, every pointer in the database to an old place is rewritten.
#include <cstdint>
#include <vector>

#include "db_allocator.h"
#include "db_roots.h"
#include "dv_err.h"
#include "dvdb.h"
#include "object_cursor.h"
#include "object_moves.h"
#include "runtime_state.h"

namespace dv_qem {

namespace {

// The bytes of pages between two save points, when saving on the way.
constexpr uint64_t kPagesPerSaveUnit = 4096;

// The place a moved value now has ((void*)-1: none, the value becomes null).
void* moved(void* value, const _Object_moves& moves) {
  void* to = moves.lookup(value);
  if (to == nullptr) return value;
  return to == reinterpret_cast<void*>(-1) ? nullptr : to;
}

}  // namespace

void DVDB::fix_pointers(unsigned pages_per_save) {
  check_usable();
  if (moves == nullptr) return;
  const uint64_t save_distance = uint64_t{pages_per_save} * kPagesPerSaveUnit;
  const char* save_point = nullptr;
  {
    _DB_object_cursor cursor(this);
    for (cursor.first(); cursor.more(); cursor.next()) {
      void* object = nullptr;
      const dv_typespec* ts = nullptr;
      dv4u count = 0;
      cursor.current(object, ts, count);
      if (ts == nullptr || !ts->needs_relocation()) continue;
      const char* here = static_cast<const char*>(object);
      if (pages_per_save != 0) {
        if (save_point == nullptr) save_point = here;
        uint64_t distance = here > save_point ? here - save_point : save_point - here;
        if (distance > save_distance) {
          save();
          drop_pages(as_start, image_size());
          save_point = here;
        }
      }
      const dv4u size = ts->get_size();
      for (dv4u i = 0; i < (count == 0 ? 1 : count); ++i)
        const_cast<dv_typespec*>(ts)->do_relocation(static_cast<char*>(object) + i * size, moves);
    }
  }

  // The allocator's own links to user objects: the roots' values.
  _DB_roots roots(*allocator);
  std::vector<_DB_root*> all(roots.count());
  all.resize(roots.all(static_cast<dv4u>(all.size()), all.data()));
  for (_DB_root* root : all) {
    void* value = root->get_value(nullptr);
    if (value == nullptr) continue;
    void* to = moved(value, *moves);
    if (to != value) root->set_value(to, root->get_typespec());
  }

  delete moves;
  moves = nullptr;
  if (pages_per_save != 0) save();
}

}  // namespace dv_qem
