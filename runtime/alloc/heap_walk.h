// Checked walks over a page heap: the extent of the heap as its headers
// describe it, and a bounded iterator over one of its two block lists that
// refuses any link leading off the heap's block grid.
#pragma once

#include "heap_corruption.h"
#include "heap_format.h"
#include "obj_header.h"

namespace dv_qem {

// The bytes a page heap spans.
struct _Heap_extent {
  char* first = nullptr;  // first block, behind the page header
  char* end = nullptr;    // one past the heap's last byte
  bool region = false;    // a multi-page region for one large object
  dv4u max_blocks = 0;    // most blocks the heap can hold (bounds every walk)

  // p is a block start: on the 8-byte grid from first, with room for a
  // header and the smallest payload before end.
  bool is_block_start(const char* p) const {
    return p >= first && p < end && (p - first) % BLOCK_ALIGNMENT == 0 &&
           static_cast<dv4u>(end - p) >= MIN_BLOCK_FOOTPRINT;
  }
  // footprint bytes from the block start p stay inside the heap.
  bool holds(const char* p, dv4u footprint) const {
    return p >= first && p <= end && footprint <= static_cast<dv4u>(end - p);
  }
};

// The free block in front of block, for a block whose header says one is
// there: the block its predecessor's footer leads to, when that is a free
// small block whose payload ends at block. Null when the footer leads to no
// such block (the heap is damaged).
_Obj_header* _Free_block_before(const _Heap_extent& e, const _Obj_header* block);

// Walks the allocated or the free list from its head field. Each block it
// returns lies on the grid, is in the state its list promises, leads back to
// its predecessor and (free blocks) has a payload inside the heap; anything
// else, or more blocks than the heap can hold, raises heap corruption.
class _Block_list_walk {
 public:
  _Block_list_walk(const dv2s* head_field, const _Heap_extent& extent, bool free_list)
      : extent_(extent), free_list_(free_list), link_(head_field) {}

  // The next block, or null after the last.
  inline _Obj_header* next();
  // The block returned before the last next() (null for the head).
  _Obj_header* previous() const { return before_current_; }

 private:
  const _Heap_extent& extent_;
  bool free_list_;
  const dv2s* link_;
  _Obj_header* current_ = nullptr;
  _Obj_header* before_current_ = nullptr;
  dv4u visited_ = 0;
};

// Inline: every walk of a page heap (the page-in checks, relocation) calls it
// once a block.
inline _Obj_header* _Block_list_walk::next() {
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
