// The heap inside one database page: the 24-byte page header that lies in
// place on the page, first-fit allocation, freeing with coalescing of
// neighbours, the self-check, the dump and the allocation trace. The same
// header opens a multi-page region that holds one large object.
//
// A page heap never trusts what it reads: every link is checked to lead to a
// block of this heap before it is followed, every walk is bounded, and an
// operation that finds damage raises dv_err_heap_corruption before it writes
// anything. It has no lock of its own; callers hold the runtime's thread lock.
#pragma once

#include <cstdint>

#include "heap_format.h"
#include "heap_walk.h"
#include "obj_header.h"
#include "type_tags.h"

namespace dv_qem {

// The large-object map as the self-check sees it: which large object covers
// the page starting at page (null when none).
class _Large_object_lookup {
 public:
  virtual ~_Large_object_lookup() = default;
  virtual const void* object_covering(const void* page) const = 0;
};

class _Page_header : private _Page_header_layout {
 public:
  // The header at header_address: the start of a page or region, or
  // DB_HEADER_SIZE into page 0.
  static _Page_header* at(void* header_address) {
    return static_cast<_Page_header*>(header_address);
  }
  // The header of the page at page_start (behind the database header on page 0).
  static _Page_header* of_page(void* page_start, bool page_zero) {
    return at(static_cast<char*>(page_start) + (page_zero ? DB_HEADER_SIZE : 0));
  }
  // Raises the internal assertion
  // "LARGEST_SMALL_ARRAY_COUNT == _DV_int::get_page_size() - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE"
  // unless the system page size is the heap's page size (allocator start-up).
  static void check_page_size(unsigned system_page_size);

  // Sets up an empty heap of region_size bytes from this header: a whole
  // page (HEAP_PAGE_SIZE), page 0 (HEAP_PAGE_SIZE - DB_HEADER_SIZE, header at
  // DB_HEADER_SIZE) or n >= 2 whole pages for one large object. The one free
  // block is filled with FREED_FILL_BYTE.
  void set_up(dv4u page_group, const void* database_start, dv4u region_size);

  // First-fit allocation of a block of size bytes (already rounded: the block
  // size of count objects of ts, with a vector header when asked). Returns the
  // zeroed object, or null when no free block fits (or size exceeds a single
  // page's heap). The tag of ts is taken from tags (assigned on first use).
  void* findchunk(dv4u size, dv4u count, bool has_vector_header, const dv_typespec* ts,
                  _Type_tag_source& tags);
  // Frees the object at object, which must be a block of this page's
  // allocated list; large says the caller found it in the large-object map.
  // Coalesces with free neighbours. Any other address, a double free or a
  // damaged page raises dv_err_heap_corruption and leaves the page unchanged.
  void freechunk(void* object, bool large, _Type_tag_source& tags);

  // Checks every invariant of the heap; with map, also that a region's pages
  // (allocated or freed) all map to its object and that a single page is not
  // in the map. Damage raises dv_err_heap_corruption; the two accounting
  // checks raise dv_err_internal assertions.
  void self_check(_Type_tag_source& tags, const _Large_object_lookup* map = nullptr) const;
  // Prints one line per allocated block (newest first), then one per free
  // block, to standard output.
  void dump(_Type_tag_source& tags) const;
  // Calls visit(_Obj_header*) for each allocated block, newest first
  // (checked walk).
  template <class Visit>
  void for_each_allocated(_Type_tag_source& tags, Visit&& visit) const {
    const _Heap_extent e = extent(tags);
    _Block_list_walk walk(&allocated_head, e, false);
    while (_Obj_header* block = walk.next()) visit(block);
  }

  dv4u page_group() const { return _Page_header_layout::page_group; }
  dv4u free_bytes() const { return _Page_header_layout::free_bytes; }
  dv2u largest_free() const { return _Page_header_layout::largest_free; }
  char* database_start() const;
  void set_database_start(const void* start);
  _Page_header* next_page() const;
  void set_next_page(const _Page_header* page);
  // Heads of the two lists, unchecked (null when empty).
  _Obj_header* allocated_head_block() const;
  _Obj_header* free_head_block() const;
  // The allocated list's head, checked to be the start of a block on the
  // first page (dv_err_heap_corruption otherwise); null when empty.
  _Obj_header* checked_allocated_head() const { return heads().allocated; }
  // The page this header lies on, and whether it is page 0's heap.
  char* page_start() const {
    return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(this) &
                                   ~static_cast<std::uintptr_t>(HEAP_PAGE_SIZE - 1));
  }
  bool is_page_zero() const;
  // The bytes this heap spans, from its headers (checked).
  _Heap_extent extent(_Type_tag_source& tags) const;

  // Switches of the allocation trace (standard output) and of the self-check
  // after every findchunk and freechunk; the allocator start-up sets them from
  // DV_QEM_TRACE_ALLOC and DV_QEM_VERIFY_ALLOC.
  static void set_tracing(bool on) { trace_on_ = on; }
  static bool tracing() { return trace_on_; }
  static void set_verifying(bool on) { verify_on_ = on; }
  static bool verifying() { return verify_on_; }

 private:
  // The allocation trace and the self-check after every findchunk and
  // freechunk (process-wide switches).
  static inline bool trace_on_ = false;
  static inline bool verify_on_ = false;
  struct _Heads {
    _Obj_header* allocated = nullptr;
    _Obj_header* free = nullptr;
  };
  // Where a free neighbour merges into a freed block, worked out before any write.
  struct _Coalesce_plan {
    char* start = nullptr;
    dv4u footprint = 0;
    _Obj_header* preceding = nullptr;  // free block merged in front
    _Obj_header* following = nullptr;  // free block merged behind
    dv4u free_bytes = 0;
  };

  char* self() const { return reinterpret_cast<char*>(const_cast<_Page_header*>(this)); }
  char* first_block() const { return self() + PAGE_HEADER_SIZE; }
  _Heads heads() const;
  _Heap_extent extent(const _Heads& heads, _Type_tag_source& tags) const;
  bool on_free_list(const _Heap_extent& extent, const _Obj_header* block) const;
  // findchunk's path for a small request on a page whose only free block
  // holds it; null when the page is in any other state.
  void* take_sole_free_block(const _Heads& h, dv4u size, dv4u count, bool vector_header,
                             const dv_typespec* ts, _Type_tag_source& tags);
  _Coalesce_plan coalesce(const _Heap_extent& extent, _Obj_header* block, dv4u footprint) const;
  // The list whose head is the field head (allocated_head or free_head).
  void unlink(dv2s _Page_header_layout::*head, _Obj_header* block);
  void push(dv2s _Page_header_layout::*head, _Obj_header* block);
  void unlink_free(_Obj_header* block) { unlink(&_Page_header::free_head, block); }
  void push_free(_Obj_header* block) { push(&_Page_header::free_head, block); }
  void unlink_allocated(_Obj_header* block) { unlink(&_Page_header::allocated_head, block); }
  void push_allocated(_Obj_header* block) { push(&_Page_header::allocated_head, block); }
  void set_free_head(const _Obj_header* block);
  void check_region_map(const _Heap_extent& extent, const _Large_object_lookup& map) const;
};

static_assert(sizeof(_Page_header) == PAGE_HEADER_SIZE);

}  // namespace dv_qem
