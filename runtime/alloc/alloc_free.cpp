// Freeing persistent objects: a large object frees its whole region, which
// is kept as a free region for later allocations; a small object goes back
// to its page's heap and the page moves between size classes.
#include "alloc_internal.h"
#include "page_group.h"

namespace dv_qem {

namespace {

[[noreturn]] void invalid_address() { throw dv_err("Attempt to pass an invalid address to free"); }

}  // namespace

void _DB_allocator::free(void* address) {
  if (!holds(address)) invalid_address();
  char* page = page_address(page_number(address));
  if (char* object = large_object_at(page)) {
    if (object != address) invalid_address();
    char* region = object - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE;
    _Page_header* heap = heap_of_page(region);
    if (heap->page_group() > user_page_group) _Alloc_corruption(_Alloc_check::invalid_page_group);
    _Page_group& g = group(heap->page_group());
    dv4u n = page_number(region);
    // Room for the region's bit first: that may allocate, and may fail.
    g.fit_free_regions(n);
    space_.will_write(region, large_object_pages(object));
    heap->freechunk(address, true, *types_);
    g.free_regions()->set(n);
    return;
  }
  _Page_header* heap = heap_of_page(page);
  if (heap->page_group() > user_page_group) _Alloc_corruption(_Alloc_check::invalid_page_group);
  dv4u before = heap->largest_free();
  heap->freechunk(address, false, *types_);
  group(heap->page_group()).move_class(page_number(page), before, heap->largest_free());
}

}  // namespace dv_qem
