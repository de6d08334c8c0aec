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

_Obj_header* _Block_list_walk::next() {
  if (link_ == nullptr) return nullptr;
  char* target = resolve_self_relative(link_);
  before_current_ = current_;
  if (target == nullptr) {
    link_ = nullptr;
    current_ = nullptr;
    return nullptr;
  }
  if (++visited_ > extent_.max_blocks) _Heap_corruption(_Pg_check::list_too_long);
  if (!extent_.is_block_start(target)) _Heap_corruption(_Pg_check::link_not_a_block);
  _Obj_header* block = _Obj_header::at(target);
  if (block->is_free() != free_list_) _Heap_corruption(_Pg_check::block_on_wrong_list);

  if (block->is_large_form()) {
    if (!extent_.region || target != extent_.first || current_ != nullptr)
      _Heap_corruption(_Pg_check::large_form_misplaced);
    link_ = nullptr;  // the large forms have no list links
  } else {
    if (extent_.region) _Heap_corruption(_Pg_check::region_lists_invalid);
    if (reinterpret_cast<char*>(block->prev()) != reinterpret_cast<char*>(current_))
      _Heap_corruption(_Pg_check::back_link_mismatch);
    if (free_list_) {
      dv4u payload = block->free_payload();
      if (payload < MIN_BLOCK_FOOTPRINT - OBJECT_HEADER_SIZE || payload % BLOCK_ALIGNMENT != 0 ||
          !extent_.holds(target, payload + OBJECT_HEADER_SIZE))
        _Heap_corruption(_Pg_check::free_size_invalid);
    }
    link_ = block->next_link_field();
  }
  current_ = block;
  return block;
}

}  // namespace dv_qem
