// First-fit allocation inside a page heap (findchunk).
#include <cstdio>
#include <cstring>

#include "dv_platform.h"
#include "heap_corruption.h"
#include "page_header.h"
#include "address_word.h"

namespace dv_qem {

void* _Page_header::findchunk(dv4u size, dv4u count, bool vector_header, const dv_typespec* ts,
                              _Type_tag_source& tags) {
  DV_ASSERT(ts != nullptr);
  DV_ASSERT(size == _Obj_header::block_size_for(ts->get_size(), count, vector_header, false));
  _Heads h = heads();
  if (h.free == nullptr) _Heap_corruption(_Pg_check::free_list_empty);
  if (!h.free->is_free()) _Heap_corruption(_Pg_check::free_head_not_free);
  bool large_request = size > LARGEST_SMALL_PAYLOAD;
  if (large_request && !h.free->is_large_form()) return nullptr;
  if (!large_request && h.free->is_large_form())
    _Heap_corruption(_Pg_check::small_request_in_region);

  if (!large_request && !tracing()) {
    if (void* result = take_sole_free_block(h, size, count, vector_header, ts, tags)) {
      if (verifying()) self_check(tags);
      return result;
    }
  }

  if (tracing())
    _VRN_printf(
        "Entering _Page_header::findchunk.\n\treq sz = %d, typename = %s, count = %d, "
        "has_vector_header= %d\n",
        static_cast<int>(size), ts->get_name(), static_cast<int>(count), vector_header ? 1 : 0);

  _Heap_extent e = extent(h, tags);
  _Block_list_walk walk(&free_head, e, true);
  _Obj_header* chosen = walk.next();
  while (chosen != nullptr && chosen->free_payload() < size) chosen = walk.next();

  dv4u new_free_bytes = free_bytes();
  dv4u new_largest = largest_free();
  void* result = nullptr;
  if (chosen != nullptr) {
    if (chosen->prev_is_free()) _Heap_corruption(_Pg_check::chosen_block_prev_free);
    dv4u payload = chosen->free_payload();
    bool recompute_largest = !large_request && payload == largest_free();
    dv4u remainder = payload - size;
    bool extra_bytes = false;
    if (remainder > 0 && remainder <= EXTRA_BYTES_IN_BLOCK) {
      if (remainder != EXTRA_BYTES_IN_BLOCK) _Heap_corruption(_Pg_check::odd_remainder);
      extra_bytes = true;
      size += EXTRA_BYTES_IN_BLOCK;
      remainder = 0;
      if (tracing())
        _VRN_printf("\tAdded %d extra bytes - ", static_cast<int>(EXTRA_BYTES_IN_BLOCK));
    }
    if (tracing())
      _VRN_printf("\ttotal block size (with header) = %d\n",
                  static_cast<int>(size + OBJECT_HEADER_SIZE));
    if (!large_request && count > LARGEST_SMALL_ARRAY_COUNT)
      _Heap_corruption(_Pg_check::small_count_too_large);

    // Everything the writes below touch is checked first.
    _Obj_header* list_successor = walk.next();
    _Block_list_walk allocated(&allocated_head, e, false);
    allocated.next();
    _Obj_header* behind = nullptr;
    if (!e.region && chosen->object() + payload < e.end) {
      behind = _Obj_header::at(chosen->object() + payload);
      if (behind->is_free() || !behind->prev_is_free())
        _Heap_corruption(_Pg_check::following_block_damaged);
    }
    dv2u tag = tags.tag_of(ts);
    if (tag == 0) _Heap_corruption(_Pg_check::tag_zero);

    bool split = remainder > 0 && !large_request;
    bool others_free = h.free != chosen || list_successor != nullptr;
    if (split) {
      if (new_free_bytes < size + OBJECT_HEADER_SIZE)
        _Heap_corruption(_Pg_check::free_bytes_too_small);
      new_free_bytes -= size + OBJECT_HEADER_SIZE;
    } else if (others_free) {
      if (new_free_bytes < size) _Heap_corruption(_Pg_check::free_bytes_too_small);
      new_free_bytes -= size;
    } else {
      // A region keeps the whole pages behind its object as free bytes; they
      // come back with the object when it is freed.
      new_free_bytes = e.region ? HEAP_PAGE_SIZE * (remainder / HEAP_PAGE_SIZE) : 0;
    }
    if (recompute_largest) {
      new_largest = split ? remainder - OBJECT_HEADER_SIZE : 0;
      _Block_list_walk all(&free_head, e, true);
      while (_Obj_header* b = all.next())
        if (b != chosen && b->free_payload() > new_largest) new_largest = b->free_payload();
    }
    if (new_largest > new_free_bytes) _Heap_corruption(_Pg_check::largest_above_free_bytes);

    unlink_free(chosen);
    chosen->make_allocated(tag, count, vector_header, extra_bytes, large_request);
    push_allocated(chosen);
    std::memset(chosen->object(), 0, size);
    if (split) {
      _Obj_header* rest = _Obj_header::at(chosen->object() + size);
      rest->make_free(remainder, false);
      push_free(rest);
    } else if (behind != nullptr) {
      behind->set_prev_free(false);
    }
    _Page_header_layout::free_bytes = new_free_bytes;
    _Page_header_layout::largest_free = static_cast<dv2u>(new_largest);
    result = chosen->object();
  } else if (new_largest > new_free_bytes) {
    _Heap_corruption(_Pg_check::largest_above_free_bytes);
  }

  if (tracing())
    _VRN_printf("\tretval = %#x, page_header = %#x\nReturning from _Page_header::findchunk.\n",
                word_of(result), word_of(this));
  if (verifying()) self_check(tags);
  return result;
}

}  // namespace dv_qem

namespace dv_qem {

// A page being filled has one free block, behind the objects allocated so
// far; each request takes the front of it. Everything the general path
// would check on the way is checked here on the few headers involved; a page
// that is not in exactly that state, or fails a check, goes the general way,
// which finds and reports the damage.
void* _Page_header::take_sole_free_block(const _Heads& h, dv4u size, dv4u count, bool vector_header,
                                         const dv_typespec* ts, _Type_tag_source& tags) {
  _Obj_header* chosen = h.free;
  if (*chosen->prev_link_field() != 0 || *chosen->next_link_field() != 0) return nullptr;
  const dv4u payload = chosen->free_payload();
  if (payload < size || payload != free_bytes() || payload != largest_free()) return nullptr;
  const char* page_end = page_start() + HEAP_PAGE_SIZE;
  if (payload % BLOCK_ALIGNMENT != 0 || payload < MIN_BLOCK_FOOTPRINT - OBJECT_HEADER_SIZE ||
      payload > static_cast<dv4u>(page_end - chosen->object()))
    return nullptr;
  if (chosen->prev_is_free() || count > LARGEST_SMALL_ARRAY_COUNT) return nullptr;
  _Obj_header* newest = h.allocated;
  if (newest != nullptr &&
      (newest->is_free() || newest->is_large_form() || *newest->prev_link_field() != 0))
    return nullptr;

  dv4u remainder = payload - size;
  bool extra_bytes = false;
  if (remainder > 0 && remainder <= EXTRA_BYTES_IN_BLOCK) {
    if (remainder != EXTRA_BYTES_IN_BLOCK) return nullptr;
    extra_bytes = true;
    size += EXTRA_BYTES_IN_BLOCK;
    remainder = 0;
  }
  _Obj_header* behind = nullptr;
  if (remainder == 0 && chosen->object() + payload < page_end) {
    behind = _Obj_header::at(chosen->object() + payload);
    if (behind->is_free() || !behind->prev_is_free()) return nullptr;
  }
  const dv2u tag = tags.tag_of(ts);
  if (tag == 0) _Heap_corruption(_Pg_check::tag_zero);

  unlink_free(chosen);
  chosen->make_allocated(tag, count, vector_header, extra_bytes, false);
  push_allocated(chosen);
  std::memset(chosen->object(), 0, size);
  if (remainder > 0) {
    _Obj_header* rest = _Obj_header::at(chosen->object() + size);
    rest->make_free(remainder, false);
    push_free(rest);
    _Page_header_layout::free_bytes = remainder - OBJECT_HEADER_SIZE;
    _Page_header_layout::largest_free = static_cast<dv2u>(remainder - OBJECT_HEADER_SIZE);
  } else {
    if (behind != nullptr) behind->set_prev_free(false);
    _Page_header_layout::free_bytes = 0;
    _Page_header_layout::largest_free = 0;
  }
  return chosen->object();
}

}  // namespace dv_qem
