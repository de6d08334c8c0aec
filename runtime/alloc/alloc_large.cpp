// Placing an object larger than a page's heap: a free region (near the hint,
// in memory, anywhere), else a new region of whole pages at the image's end,
// entered in the large-object map.
#include <cstdint>

#include "alloc_internal.h"
#include "large_object_map.h"
#include "page_group.h"
#include "dv_assertions.h"

namespace dv_qem {

void* _DB_allocator::allocate_large(request& r) {
  _Page_group& g = group(r.group);
  dv4u n_pages = (r.size + PAGE_HEADER_SIZE + OBJECT_HEADER_SIZE + DV_PAGE_SIZE - 1) / DV_PAGE_SIZE;
  DV_ASSERT(n_pages > 1);
  void* result = large_from_free_regions(g, r);
  if (result == nullptr) result = large_by_growth(g, r, n_pages);
  std::uintptr_t first = reinterpret_cast<std::uintptr_t>(result);
  if ((first + r.size - 1) / DV_PAGE_SIZE == first / DV_PAGE_SIZE)
    DV_ASSERTION_FAILED(not_same_page_dvaddr_retval_plus_req_sz_minus_1_retval);
  return result;
}

void* _DB_allocator::large_from_free_regions(_Page_group& g, request& r) {
  _Bit_vector* free_regions = g.free_regions();
  if (free_regions == nullptr) return nullptr;
  auto take = [&](dv4u n) -> void* {
    _Page_header* region = heap_of_page(page_address(n));
    if (region->free_bytes() < r.size) return nullptr;
    _Heap_extent extent = region->extent(*types_);
    space_.will_write(page_address(n), static_cast<dv4u>((extent.end - page_address(n)) / DV_PAGE_SIZE));
    void* result = take_from(region, r);
    if (result != nullptr) free_regions->clear(n);
    return result;
  };
  if (r.hint != nullptr && !r.hint->is_page_zero()) {
    dv4u n = page_number(r.hint);
    if (n < free_regions->n_bits && free_regions->test(n)) {
      if (void* result = take(n)) return result;
    }
  }
  dv4u n = 0;
  for (dv4u from = 0; _Find_set_in_both(*free_regions, *in_memory_, from, n); from = n + 1)
    if (void* result = take(n)) return result;
  for (bool more = free_regions->first_set(n); more; more = free_regions->next_set(n))
    if (void* result = take(n)) return result;
  return nullptr;
}

void* _DB_allocator::large_by_growth(_Page_group& g, request& r, dv4u n_pages) {
  dv4u pages = page_count();
  space_.make_room(n_pages + (n_pages + pages) / 32 * 8);
  char* region = grow_pages(g, n_pages);
  _Page_header* heap = heap_of_page(region);
  heap->set_up(g.number(), start(), n_pages * DV_PAGE_SIZE);
  char* object = region + PAGE_HEADER_SIZE + OBJECT_HEADER_SIZE;
  try {
    large_objects_->enter(region, n_pages, object);
  } catch (...) {
    adopt_single_pages(g, region, n_pages);
    throw;
  }
  g.link_page(heap);
  for (dv4u i = 0; i < n_pages; ++i) note_in_memory(page_number(region) + i);
  g.pages_added(page_number(region) + n_pages);
  void* result = take_from(heap, r);
  if (result != object) DV_ASSERTION_FAILED(retval);
  return result;
}

}  // namespace dv_qem
