// Checked walks over a page heap: the extent of the heap as its headers
// describe it, and a bounded iterator over one of its two block lists that
// refuses any link leading off the heap's block grid.
#pragma once

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
  _Obj_header* next();
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

}  // namespace dv_qem
