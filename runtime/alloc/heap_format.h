// Stored layout of the in-page heap: the 24-byte page header that opens every
// heap page (or multi-page region) and the 8-byte header in front of every
// block. These bytes go to the database file unchanged; every offset here is
// part of the file format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "db_format.h"
#include "dv_err.h"
#include "dv_types.h"
#include "self_relative.h"

namespace dv_qem {

// ---- sizes ------------------------------------------------------------------
constexpr dv4u HEAP_PAGE_SIZE = DV_PAGE_SIZE;     // the heap fills the database's pages
constexpr dv4u PAGE_HEADER_SIZE = 24;             // bytes of a page header
constexpr dv4u OBJECT_HEADER_SIZE = 8;            // bytes of a block header
constexpr dv4u EXTRA_BYTES_IN_BLOCK = 8;          // remainder kept inside an allocated block
constexpr dv4u LARGEST_SMALL_ARRAY_COUNT = 4064;  // largest count in word 0's 12 bits
// The largest payload one page holds; anything bigger takes a multi-page region.
constexpr dv4u LARGEST_SMALL_PAYLOAD = HEAP_PAGE_SIZE - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE;
constexpr dv4u FREE_BLOCK_FOOTER_SIZE = 4;  // i32 at the end of every free block
constexpr dv4u BLOCK_ALIGNMENT = 8;         // every block and payload size is a multiple
constexpr dv4u MIN_BLOCK_FOOTPRINT = OBJECT_HEADER_SIZE + 8;  // header + smallest payload
constexpr dv1u FREED_FILL_BYTE = 0xBA;                        // fill of regions that become free

static_assert(LARGEST_SMALL_PAYLOAD == LARGEST_SMALL_ARRAY_COUNT);
static_assert(PAGE_HEADER_SIZE % BLOCK_ALIGNMENT == 0 && DB_HEADER_SIZE % BLOCK_ALIGNMENT == 0);

// ---- word 0 of a block header --------------------------------------------------
constexpr dv2u BLOCK_COUNT_MASK = 0x0fff;     // array count of a small allocated block
constexpr dv2u BLOCK_LARGE_FORM = 0x0fff;     // count bits all set: the large form
constexpr dv2u BLOCK_EXTRA_BYTES = 0x1000;    // block carries EXTRA_BYTES_IN_BLOCK more
constexpr dv2u BLOCK_PREV_FREE = 0x2000;      // the block just before this one is free
constexpr dv2u BLOCK_VECTOR_HEADER = 0x4000;  // object starts with a 4-byte vector header
constexpr dv2u BLOCK_FREE = 0x8000;           // the block is free

// Page header, at offset 0 of a page or region (offset DB_HEADER_SIZE of page 0).
struct _Page_header_layout {
  dv4u page_group;      // 0 system pages, 1 user pages
  dv4u free_bytes;      // sum of free payloads; in a region holding its object,
                        // the whole pages left behind the object
  dv2s allocated_head;  // self-relative: newest allocated block, 0 none
  dv2s free_head;       // self-relative: first free block, 0 none
  dv4u database_start;  // address of the database's first page at set-up or last relocation
  dv4s next_page;       // self-relative (32-bit): next page header of the same group, 0 last
  dv2u largest_free;    // largest free payload of a single page; 0 in a region
  dv2u reserved;        // 0
};

static_assert(sizeof(_Page_header_layout) == PAGE_HEADER_SIZE);
static_assert(offsetof(_Page_header_layout, page_group) == 0);
static_assert(offsetof(_Page_header_layout, free_bytes) == 4);
static_assert(offsetof(_Page_header_layout, allocated_head) == 8);
static_assert(offsetof(_Page_header_layout, free_head) == 10);
static_assert(offsetof(_Page_header_layout, database_start) == 12);
static_assert(offsetof(_Page_header_layout, next_page) == 16);
static_assert(offsetof(_Page_header_layout, largest_free) == 20);
static_assert(offsetof(_Page_header_layout, reserved) == 22);

// Block header, immediately in front of the object (object = block + 8).
// Forms, chosen by word 0:
//   allocated small: word1 = type tag, prev/next = allocated-list links
//   allocated large (count bits 0xfff): word1 = type tag, prev+next = u32 count
//   free small (0x8000): word1 = payload size, prev/next = free-list links
//   free large (0x8000 | 0xfff): word1 unused, prev+next = u32 payload size
// A free block ends with an i32 self-relative footer leading back to its header.
struct _Obj_header_layout {
  dv2u word0;      // flags (bits 12-15) and count (bits 0-11), see BLOCK_*
  dv2u word1;      // type tag (allocated) or payload size (free, small form)
  dv2s prev_link;  // self-relative link to the previous block of the list
  dv2s next_link;  // self-relative link to the next block of the list
};

static_assert(sizeof(_Obj_header_layout) == OBJECT_HEADER_SIZE);
static_assert(offsetof(_Obj_header_layout, word0) == 0);
static_assert(offsetof(_Obj_header_layout, word1) == 2);
static_assert(offsetof(_Obj_header_layout, prev_link) == 4);
static_assert(offsetof(_Obj_header_layout, next_link) == 6);
constexpr size_t LARGE_FORM_VALUE_OFFSET = 4;  // u32 of the large forms

}  // namespace dv_qem
