// How the heap reports a damaged page: dv_err_heap_corruption with
// "Heap corruption detected during alloc or free. (<unit>,<check>)", where
// the unit is the code that found it and the number names the check.
#pragma once

namespace dv_qem {

// Checks made by the block header (unit "obj_header").
enum class _Obj_check : int {
  block_size_overflow = 1,  // typespec size x count does not fit the address space
};

// Checks made by the page heap (unit "pg_header").
enum class _Pg_check : int {
  free_list_empty = 1,              // findchunk on a page with no free block
  free_head_not_free = 2,           // the free-list head is not a free block
  small_request_in_region = 3,      // a multi-page region serves large objects only
  chosen_block_prev_free = 4,       // a free block claims a free predecessor
  odd_remainder = 5,                // a fit that leaves 1 to 7 bytes
  small_count_too_large = 6,        // small block with a count above 4064
  tag_zero = 7,                     // the type manager gave (or a block holds) tag 0
  free_bytes_too_small = 8,         // free bytes smaller than the free blocks they count
  largest_above_free_bytes = 9,     // largest free payload above the free bytes
  address_outside_heap = 10,        // freed address not inside this heap
  not_an_allocated_block = 11,      // freed address is no block of the allocated list
  large_flag_mismatch = 12,         // large form disagrees with the caller's flag
  block_beyond_heap = 13,           // a block's footprint runs past the heap's end
  preceding_not_free = 14,          // bit 13 set but no free block in front
  following_block_damaged = 15,     // the block behind disagrees about its predecessor
  link_not_a_block = 16,            // a link leads outside the heap or off the block grid
  list_too_long = 17,               // a list has more blocks than the heap can hold
  block_on_wrong_list = 18,         // allocated block on the free list or the reverse
  back_link_mismatch = 19,          // next block's previous link does not lead back
  free_size_invalid = 20,           // free payload not a positive multiple of 8 in the heap
  large_form_misplaced = 21,        // large form anywhere but a region's first block
  region_size_invalid = 22,         // a region that is not at least two whole pages
  region_lists_invalid = 23,        // a region with more than its one block
  footer_mismatch = 24,             // a free block's footer does not lead back to it
  free_block_prev_free = 25,        // two free blocks side by side
  missing_prev_free_bit = 26,       // block behind a free block lacks bit 13
  largest_free_wrong = 27,          // largest-free field differs from the free list
  map_region_page_missing = 28,     // a region page the large-object map does not give back
  map_single_page_present = 29,     // a single page found in the large-object map
  blocks_do_not_tile = 30,          // blocks overlap, leave gaps or are on no list
  header_field_invalid = 31,        // page group above 1 or reserved field not 0
  map_region_extends_further = 32,  // the map gives the region's object for the page behind it
  vector_header_without_count = 33,  // a single object (count 0) claims a vector header
};

[[noreturn]] void _Heap_corruption(_Obj_check check);
[[noreturn]] void _Heap_corruption(_Pg_check check);
// For the units above the page heap (the persistent allocator: "pers_alloc").
[[noreturn]] void _Heap_corruption(const char* unit, int check);

// "Attempt to free an already freed block at persistent address %#x".
[[noreturn]] void _Heap_double_free(const void* object);
// The tag-0 message of a freed object (an array freed without vector delete).
[[noreturn]] void _Heap_tag_zero_on_free(const void* object);

}  // namespace dv_qem
