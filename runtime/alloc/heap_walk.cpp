// The checked list walk of a page heap.
#include "heap_walk.h"

#include "heap_corruption.h"

namespace dv_qem {

_Obj_header* _Free_block_before(const _Heap_extent& e, const _Obj_header* block) {
  if (static_cast<dv4u>(block->address() - e.first) < MIN_BLOCK_FOOTPRINT) return nullptr;
  char* target = block->preceding_footer_target();
  if (!e.is_block_start(target)) return nullptr;
  _Obj_header* front = _Obj_header::at(target);
  if (!front->is_free() || front->is_large_form() || front->object() + front->free_payload() != block->address())
    return nullptr;
  return front;
}

}  // namespace dv_qem
