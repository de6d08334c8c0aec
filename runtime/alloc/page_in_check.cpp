// What a page read from the file must hold before the allocator relocates or
// uses it. Nothing here writes: a page that fails is refused as damaged
// before any of its bytes change.
#include <cstdint>

#include "alloc_internal.h"
#include "type_manager.h"

namespace dv_qem {

// The recorded base (the database start when the page was set up or last
// relocated) must be an address at which the image could have lain: not
// null, on a page boundary, with this page inside the 32-bit address space.
void _DB_allocator::check_base(const _Page_header* heap) const {
  const std::uint64_t base = reinterpret_cast<std::uintptr_t>(heap->database_start());
  const std::uint64_t page_end = base + std::uint64_t{page_number(heap->page_start()) + 1} * DV_PAGE_SIZE;
  if (base == 0 || base % DV_PAGE_SIZE != 0 || page_end > (std::uint64_t{1} << 32))
    _Alloc_corruption(_Alloc_check::base_invalid);
}

// A page (or region) read from the file: its group is 0 or 1, its base is
// sound, its heap passes the page self-check (every block lies in the heap
// and the blocks tile it with the sizes their tags name, so a tag of another
// size, tag 0 or a damaged list is refused before relocation writes), and a
// system page holds only types that need no relocation, as the allocator
// keeps it (a user page marked as a system page would otherwise go
// unrelocated).
void _DB_allocator::check_read_page(_Page_header* heap) {
  if (heap->page_group() > user_page_group) _Alloc_corruption(_Alloc_check::invalid_page_group);
  check_base(heap);
  heap->self_check(*types_);
  if (static_cast<std::uintptr_t>(heap->extent(*types_).end - start()) > size())
    _Alloc_corruption(_Alloc_check::region_beyond_image);
  if (heap->page_group() != system_page_group) return;
  heap->for_each_allocated(*types_, [&](_Obj_header* block) {
    if (types_->typespec_of(block->tag())->needs_relocation())
      _Alloc_corruption(_Alloc_check::user_type_on_system_page);
  });
}

}  // namespace dv_qem
