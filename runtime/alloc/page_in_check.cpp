// What a page read from the file must hold before the allocator relocates or
// uses it. Nothing here writes: a page that fails is refused as damaged
// before any of its bytes change.
#include <cstdint>

#include "alloc_internal.h"
#include "db_header.h"

namespace dv_qem {

// The recorded base (the database start when the page was set up or last
// relocated) must be an address at which the image could have lain: not
// null, on a page boundary, with this page inside the 32-bit address space;
// and, where the header keeps the starts the database has been mapped at,
// one of them (a base moved by whole pages would move every pointer of the
// page by as much).
void _DB_allocator::check_base(const _Page_header* heap) const {
  const std::uint64_t base = reinterpret_cast<std::uintptr_t>(heap->database_start());
  const std::uint64_t page_end = base + std::uint64_t{page_number(heap->page_start()) + 1} * DV_PAGE_SIZE;
  if (base == 0 || base % DV_PAGE_SIZE != 0 || page_end > (std::uint64_t{1} << 32))
    _Alloc_corruption(_Alloc_check::base_invalid);
  if (!_DB_start_known(*header(), static_cast<dv4u>(base))) _Alloc_corruption(_Alloc_check::base_unknown);
}

// A region is filled with FREED_FILL_BYTE when it is set up or freed, and
// allocation zeroes only the object's block: the rest of the object's last
// page (but for the stale footer at the region's very end) still holds the
// fill. So the block size the object's tag and count give must end exactly
// where the fill begins; a tag of another type would have the relocation
// write over the object. Nor may the fill begin inside the block: the bytes
// between the object's end and the block's alignment were zeroed with the
// block and belong to no object, so when all of them hold the fill the
// block header claims more than was allocated (a vector-header flag set on
// an array that has none would have the relocation move every pointer of
// the array at the wrong place).
void _DB_allocator::check_region_tail(_Page_header* heap, const _Heap_extent& extent) {
  _Obj_header* block = heap->allocated_head_block();
  if (block == nullptr) return;
  const dv4u type_size = types_->typespec_of(block->tag())->get_size();
  const dv4u count = block->count();
  const dv4u object_bytes =
      type_size * (count != 0 ? count : 1) + (count != 0 && block->has_vector_header() ? sizeof(dv4u) : 0);
  const dv4u aligned_bytes = _Obj_header::block_size_for(type_size, count, block->has_vector_header(), false);
  if (aligned_bytes > object_bytes) {
    const char* padding = block->object() + object_bytes;
    const char* padding_end = block->object() + aligned_bytes;
    while (padding < padding_end && static_cast<dv1u>(*padding) == FREED_FILL_BYTE) ++padding;
    if (padding == padding_end) _Alloc_corruption(_Alloc_check::region_tail_invalid);
  }
  const char* end = block->object() + block->block_size(*types_);
  const std::uintptr_t offset = static_cast<std::uintptr_t>(end - heap->page_start());
  const char* page_end = heap->page_start() + (offset + DV_PAGE_SIZE - 1) / DV_PAGE_SIZE * DV_PAGE_SIZE;
  const char* fill_end = page_end < extent.end - FREE_BLOCK_FOOTER_SIZE ? page_end : extent.end - FREE_BLOCK_FOOTER_SIZE;
  for (const char* p = end; p < fill_end; ++p)
    if (static_cast<dv1u>(*p) != FREED_FILL_BYTE) _Alloc_corruption(_Alloc_check::region_tail_invalid);
}

// A page (or region) read from the file: its group is 0 or 1, its base is
// one the database has had,
// sound, its heap passes the page self-check (every block lies in the heap
// and the blocks tile it with the sizes their tags name, so a tag of another
// size, tag 0 or a damaged list is refused before relocation writes), and a
// system page holds only types that need no relocation, as the allocator
// keeps it (a user page marked as a system page would otherwise go
// unrelocated), and a user page none of the runtime's own types.
void _DB_allocator::check_read_page(_Page_header* heap, bool region_in_memory) {
  if (heap->page_group() > user_page_group) _Alloc_corruption(_Alloc_check::invalid_page_group);
  check_base(heap);
  if (!region_in_memory) {
    // The first page of a region alone: the heap check would read its end.
    // Its one block is checked by the caller against the large-object map.
    const _Obj_header* block = heap->checked_allocated_head();
    if (block != nullptr && heap->page_group() != system_page_group && block->tag() >= first_system_tag &&
        block->tag() < max_builtin_tag)
      _Alloc_corruption(_Alloc_check::system_type_on_user_page);
    return;
  }
  heap->self_check(*types_);
  const _Heap_extent extent = heap->extent(*types_);
  if (static_cast<std::uintptr_t>(extent.end - start()) > size())
    _Alloc_corruption(_Alloc_check::region_beyond_image);
  if (extent.region) check_region_tail(heap, extent);
  if (heap->page_group() != system_page_group) {
    // A user page never holds the runtime's own structures: an object
    // retagged as one would go unrelocated with its stored virtual-table word.
    heap->for_each_allocated(*types_, [&](_Obj_header* block) {
      if (block->tag() >= first_system_tag && block->tag() < max_builtin_tag)
        _Alloc_corruption(_Alloc_check::system_type_on_user_page);
    });
    return;
  }
  heap->for_each_allocated(*types_, [&](_Obj_header* block) {
    if (types_->typespec_of(block->tag())->needs_relocation())
      _Alloc_corruption(_Alloc_check::user_type_on_system_page);
  });
}

}  // namespace dv_qem
