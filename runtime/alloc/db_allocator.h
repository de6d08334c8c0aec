// _DB_allocator: the persistent allocator of one open database. It places
// objects in the database's pages (system group for the runtime's own
// structures, user group for everything persistent new creates), frees them,
// grows the image through its _DB_space, keeps the type tags of the database
// (its type manager) and the large-object map, and relocates pages as they
// are read.
//
// Everything here runs under the runtime thread lock, which the public entry
// points take; nothing here locks by itself.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "db_format.h"
#include "db_space.h"
#include "dv_bitvector.h"
#include "dv_typespec.h"
#include "page_header.h"
#include "type_tags.h"

namespace dv_qem {

class _Large_object_map;
class _Page_group;

// Most pages a growth for small objects adds at once: the most an image
// can end in that nothing uses yet.
constexpr dv4u MAX_GROWTH_STEP = 16;

class _DB_allocator {
 public:
  // Once per process, before the first allocator: reads DV_QEM_TRACE_ALLOC
  // and DV_QEM_VERIFY_ALLOC (set = on) and checks the page size.
  static void start_subsystem();

  // Binds to the database whose header lies at space.space_start(). When
  // creating, page 0 holds a fresh super-block (mapped read-write) and
  // start_up builds the rest of the header: the page groups, their size
  // classes and the large-object map. When opening, nothing is written.
  _DB_allocator(_DB_space& space, bool creating);
  ~_DB_allocator();
  _DB_allocator(const _DB_allocator&) = delete;
  _DB_allocator& operator=(const _DB_allocator&) = delete;
  // Runs before any other operation: builds the header when creating, then
  // loads the type tags and enters page 0 as the only page in memory.
  void start_up();

  // The allocator of the open database whose image holds address, or null:
  // the allocator of the database listed for that address, else the live
  // allocator whose image holds it (one not, or not yet, entered in a
  // database object).
  static _DB_allocator* serving(const void* address);

  _DB_header* header() const { return reinterpret_cast<_DB_header*>(space_.space_start()); }
  char* start() const { return space_.space_start(); }
  // Bytes of the image in use (the header's database size), and in pages.
  dv4u size() const { return header()->super.db_size; }
  dv4u page_count() const { return size() / DV_PAGE_SIZE; }
  // Whether address lies in the image.
  bool holds(const void* address) const {
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t s = reinterpret_cast<std::uintptr_t>(start());
    return a >= s && a - s < size();
  }
  dv4u page_number(const void* address) const {
    return static_cast<dv4u>((reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(start())) /
                             DV_PAGE_SIZE);
  }
  char* page_address(dv4u page_number) const { return start() + page_number * DV_PAGE_SIZE; }
  // The heap header of the page or region starting at page (page 0: behind
  // the database header).
  _Page_header* heap_of_page(const char* page) const {
    return _Page_header::of_page(const_cast<char*>(page), page == start());
  }
  _Type_table& types() { return *types_; }
  _Large_object_map& large_objects() { return *large_objects_; }
  _Page_group& group(dv4u number) { return *groups_[number]; }

  // ---- allocation -------------------------------------------------------
  // count 0 allocates one object of ts; count n an array of n (size n x ts
  // size, or that + 4 for an array with a 4-byte vector header, which the
  // result then starts with). Size mismatches and a null ts throw
  // dv_err_operator_new_args with the fixed texts. The result is zeroed and
  // never straddles a page unless it is a large object. The system group
  // takes only types that need no relocation (its pages are never
  // relocated).
  void* allocate(size_t size, const dv_typespec* ts, dv4u count, dv4u group);
  // The same, placed near hint: on the hint's page when it is a page of the
  // group with room (a hint inside a large object stands for that object).
  // A null ts throws plain dv_err.
  void* allocate_near(size_t size, const dv_typespec* ts, dv4u count, const void* hint,
                      dv4u group);
  // Frees the object at address (an object's own address; an array with a
  // vector header by the address allocate returned). An address inside a
  // large object other than its start throws dv_err "Attempt to pass an
  // invalid address to free"; anything else that is not an object throws
  // dv_err_heap_corruption.
  void free(void* address);

  // ---- paging -----------------------------------------------------------
  // The page at page was read from the file: allocation looks at pages in
  // memory first. Reads nothing from the page. (Pages the allocator has the
  // database grow, it enters itself.)
  void page_fetched(const char* page);
  // The page is no longer in memory (dropped or unmapped). Reads nothing
  // from the page.
  void forget_page(const char* page);
  // The large object whose region covers page (its object address, also
  // for a region whose object was freed), or null.
  char* large_object_at(const char* page);
  // Number of pages of the region of the large object at object (all of
  // them: drop or fetch them together). Reads the region's first page.
  dv4u large_object_pages(const char* object);
  // The pages from object's first page on that the large-object map gives
  // object, one after another. Reads the map only.
  dv4u mapped_region_pages(const char* object);
  // The region of the large object at object, read from the file, as a
  // page read must be (its first page passes the page check) and agreeing
  // with mapped, the pages the map gives it (else the region is refused as
  // damaged: a tag of a larger type would take in other heaps' pages).
  // Returns its number of pages. Reads the region's first page.
  dv4u check_read_region(const char* object, dv4u mapped);
  // Relocates the objects of the page or region starting at page by
  // (current start - start recorded in its heap header) and records the
  // current start; virtual-table pointers are restored even at delta 0.
  // System pages are left alone. A region needs all its pages in memory.
  void relocate_page(char* page);
  // The same for the region of the large object at object.
  void relocate_large_object(char* object);
  // Forgets the in-memory page set (page 0 stays), the current pages and
  // reloads the type tags (after an abort or an undo replaced pages under
  // the allocator).
  void reset();

  // ---- objects ------------------------------------------------------------
  // An allocated object: its address (behind any vector header), typespec,
  // element count (0 = one object) and block header.
  struct object_info {
    void* object = nullptr;
    const dv_typespec* ts = nullptr;
    dv4u count = 0;
    _Obj_header* block = nullptr;
  };
  static object_info describe(_Obj_header* block, _Type_tag_source& tags);
  // The allocated object (of either group) whose extent (ts size x
  // max(count, 1) from its address) holds address; false for none.
  bool object_at(const void* address, object_info& out);
  // The allocated large object at object (an address large_object_at gave:
  // its block's object, which for an array is its vector header); false when
  // that block is free. Reads the region's first page.
  bool large_object_info(const char* object, object_info& out);

  // Checks both groups: page lists and counts, every page heap with the
  // large-object map, size classes and free-page vectors, the map itself,
  // then validates the pointers of every object (findings go to standard
  // error). Damage throws dv_err_heap_corruption or dv_err_internal.
  void self_check();
  // The same checks for the heaps holding the given pages only (a region's
  // page stands for its whole region); the groups' lists and counts and the
  // map as a whole are not walked.
  void self_check_heaps_of(const std::vector<const char*>& pages);
  // Prints the system pages, then the user pages, to standard output.
  void dump();

 private:
  struct request;

  // Checks size against ts and count (the fixed texts) and rounds it.
  request make_request(size_t size, const dv_typespec* ts, dv4u count, dv4u group);
  _Page_header* hint_page(const void* hint, dv4u group);
  void* allocate_request(request& r);
  void* allocate_in_page_zero(request& r);
  void* allocate_small(request& r);
  void* small_from_memory(_Page_group& g, request& r);
  void* small_from_classes(_Page_group& g, request& r);
  bool split_free_region(_Page_group& g);
  void* small_by_growth(_Page_group& g, request& r);
  // Pages a growth for a small object of g adds.
  dv4u small_growth_pages(const _Page_group& g) const;
  void* allocate_large(request& r);
  void* large_from_free_regions(_Page_group& g, request& r);
  void* large_by_growth(_Page_group& g, request& r, dv4u n_pages);
  // findchunk on page, moving the page between size classes when its
  // largest free payload changed.
  void* take_from(_Page_header* page, const request& r);
  // Has the database add n pages at the image's end and returns the first;
  // when it fails part way, the pages added so far become single pages of g.
  char* grow_pages(_Page_group& g, dv4u n);
  // The n pages from first become single pages of g: set up, linked at the
  // head of its list, counted, in memory and marked in their size classes;
  // the first becomes g's current page.
  void adopt_single_pages(_Page_group& g, char* first, dv4u n);
  void note_in_memory(dv4u page_number);
  void relocate_heap(_Page_header* heap);
  // Refuses a page read from the file that is damaged (page_in_check.cpp).
  // (The end of a region's object is checked only with the whole region in
  // memory.)
  void check_read_page(_Page_header* heap, bool region_in_memory = true);
  void check_base(const _Page_header* heap) const;
  void check_region_tail(_Page_header* heap, const _Heap_extent& extent);
  // Refuses a stored header whose fields lead nowhere they may
  // (header_check.cpp); runs at start-up before anything trusts them.
  void check_stored_header();
  // The validation walk of a heap's objects (relocation.cpp): a value
  // validate_ptr refuses (a wild pointer, see DESIGN.md) fails the
  // self-check with dv_err_illegal_pointer naming it and its page.
  void validate_heap(_Page_header* heap);
  [[noreturn]] void refuse_wild_pointer(const char* element, const dv4s* offsets, const dv_typespec* ts) const;
  // Checks one group's pages; returns the number of pages in its regions.
  dv4u check_group(_Page_group& g);
  // Checks one listed heap of g: its base, blocks, size class and pointers.
  // Returns whether it is a region.
  bool check_heap(_Page_group& g, _Page_header* heap);

  _DB_space& space_;
  bool creating_;
  std::unique_ptr<_Type_table> types_;
  std::unique_ptr<_Large_object_map> large_objects_;
  std::unique_ptr<_Page_group> groups_[2];
  // Pages of the database in memory, by page number (one set serves both
  // groups: each group's size-class and free-page vectors hold only its own
  // pages).
  _Bit_vector* in_memory_ = nullptr;
  _DB_allocator* next_live_ = nullptr;  // the live allocators, for serving()
};

}  // namespace dv_qem
