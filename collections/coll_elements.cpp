// Copying the elements of one collection into another through a snapshot
// cursor (so that copying a collection into itself cannot run forever).
#include "coll_elements.h"
#include "dv_cursor.h"

namespace dv_qem {

void _Coll_copy_elements(const dv_collection& from, dv_collection& to) {
  const bool ordered = (to.get_behavior() & dv_maintain_order) != 0;
  dv_cursor walk(from, dv_cursor::update_insensitive);
  void* e = nullptr;
  for (int more = walk.first(e); more != 0; more = walk.next(e)) {
    if (ordered)
      to.insert_last(e);
    else
      to.insert(e);
  }
}

}  // namespace dv_qem
