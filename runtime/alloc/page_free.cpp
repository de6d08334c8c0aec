// Freeing inside a page heap (freechunk) and the merging of a freed block
// with its free neighbours (coalesce).
#include <cstdint>
#include <cstdio>

#include "dv_platform.h"
#include "heap_corruption.h"
#include "page_header.h"
#include "address_word.h"

namespace dv_qem {

namespace {

std::uintptr_t value_of(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// Checks a block may be freed: the large form as the caller says, a tag, a
// count that fits the small form.
void check_freeable(const _Obj_header* block, bool large) {
  if (block->is_large_form() != large) _Heap_corruption(_Pg_check::large_flag_mismatch);
  if (block->tag() == 0) _Heap_tag_zero_on_free(block->object());
  if (!block->is_large_form() && block->count() > LARGEST_SMALL_ARRAY_COUNT)
    _Heap_corruption(_Pg_check::small_count_too_large);
}

}  // namespace

void _Page_header::freechunk(void* object, bool large, _Type_tag_source& tags) {
  _Heads h = heads();
  if (h.free != nullptr && !h.free->is_free()) _Heap_corruption(_Pg_check::free_head_not_free);
  // A region's extent comes from its object's size, so its object is checked first.
  if (h.allocated != nullptr && h.allocated->is_large_form() && !h.allocated->is_free() &&
      h.allocated->object() == object)
    check_freeable(h.allocated, large);
  _Heap_extent e = extent(h, tags);

  std::uintptr_t address = value_of(object);
  if (address < value_of(e.first) + OBJECT_HEADER_SIZE || address >= value_of(e.end))
    _Heap_corruption(_Pg_check::address_outside_heap);
  // Only a block found on the allocated list is trusted; the bytes in front
  // of any other address may be anything.
  char* block_address = static_cast<char*>(object) - OBJECT_HEADER_SIZE;
  _Obj_header* block = nullptr;
  _Block_list_walk walk(&allocated_head, e, false);
  while (_Obj_header* b = walk.next()) {
    if (b->address() == block_address) {
      block = b;
      walk.next();  // its successor must lead back to it before it is unlinked
      break;
    }
  }
  if (block == nullptr) {
    if (e.is_block_start(block_address) && on_free_list(e, _Obj_header::at(block_address)))
      _Heap_double_free(object);
    _Heap_corruption(_Pg_check::not_an_allocated_block);
  }
  check_freeable(block, large);
  dv4u footprint = block->block_size(tags) + OBJECT_HEADER_SIZE;
  if (!e.holds(block->address(), footprint)) _Heap_corruption(_Pg_check::block_beyond_heap);

  if (tracing())
    _VRN_printf(
        "In _Page_header::freechunk.\n\tchunk = %#x, page_header = %#x, chunk_size (with header) "
        "= %d, count = %d, vector_header = %d, typename = %s\n",
        word_of(object), word_of(this), static_cast<int>(footprint),
        static_cast<int>(block->count()), block->has_vector_header() ? 1 : 0,
        tags.typespec_of(block->tag())->get_name());

  _Coalesce_plan plan = coalesce(e, block, footprint);

  unlink_allocated(block);
  if (plan.preceding != nullptr) unlink_free(plan.preceding);
  if (plan.following != nullptr) unlink_free(plan.following);
  _Obj_header* freed = _Obj_header::at(plan.start);
  freed->make_free(plan.footprint, true);
  push_free(freed);
  char* behind = plan.start + plan.footprint;
  if (!e.region && behind < e.end) _Obj_header::at(behind)->set_prev_free(true);
  _Page_header_layout::free_bytes = plan.free_bytes;
  dv4u payload = plan.footprint - OBJECT_HEADER_SIZE;
  if (payload <= LARGEST_SMALL_PAYLOAD && payload > largest_free())
    _Page_header_layout::largest_free = static_cast<dv2u>(payload);

  if (verifying()) self_check(tags);
}

_Page_header::_Coalesce_plan _Page_header::coalesce(const _Heap_extent& e, _Obj_header* block,
                                                    dv4u footprint) const {
  _Coalesce_plan plan;
  plan.start = block->address();
  plan.footprint = footprint;
  if (block->is_large_form()) {
    // The whole region becomes free again, the pages behind the object included.
    plan.footprint = static_cast<dv4u>(e.end - e.first);
    plan.free_bytes = plan.footprint - OBJECT_HEADER_SIZE;
    return plan;
  }

  dv4u free_bytes_left = free_bytes();
  if (block->prev_is_free()) {
    _Obj_header* front = _Free_block_before(e, block);
    if (front == nullptr || !on_free_list(e, front)) _Heap_corruption(_Pg_check::preceding_not_free);
    if (free_bytes_left < front->free_payload()) _Heap_corruption(_Pg_check::free_bytes_too_small);
    free_bytes_left -= front->free_payload();
    plan.preceding = front;
    plan.start = front->address();
    plan.footprint += front->free_footprint();
    if (tracing())
      _VRN_printf(
          "\t\tIn _Page_header::coalesce() - consolidating with previous\n\t\tobj_head = %#x, "
          "new_free_block_head = %#x, total_size = %d\n",
          word_of(block), word_of(plan.start), static_cast<int>(plan.footprint));
  }

  char* behind = block->address() + footprint;
  if (behind < e.end) {
    _Obj_header* next = _Obj_header::at(behind);
    if (next->is_free()) {
      if (next->is_large_form() || !on_free_list(e, next))
        _Heap_corruption(_Pg_check::following_block_damaged);
      if (free_bytes_left < next->free_payload()) _Heap_corruption(_Pg_check::free_bytes_too_small);
      free_bytes_left -= next->free_payload();
      plan.following = next;
      plan.footprint += next->free_footprint();
      if (tracing())
        _VRN_printf(
            "\t\tIn _Page_header::coalesce() - consolidating w/ next\n\t\tobj_head = %#x, "
            "new_free_block_head = %#x, total_size = %d\n",
            word_of(block), word_of(plan.start), static_cast<int>(plan.footprint));
    } else if (next->prev_is_free()) {
      _Heap_corruption(_Pg_check::following_block_damaged);
    }
  }
  plan.free_bytes = free_bytes_left + plan.footprint - OBJECT_HEADER_SIZE;
  return plan;
}

}  // namespace dv_qem
