// Placing an object that fits one page: the hint page, the current page, the
// size classes over pages in memory, the size classes over all pages (with a
// scan budget), a free region split back into single pages, and growth.
#include <cstdint>

#include "alloc_internal.h"
#include "large_object_map.h"
#include "page_group.h"
#include "dv_assertions.h"

namespace dv_qem {

namespace {

bool same_page(const void* a, const void* b) {
  return reinterpret_cast<std::uintptr_t>(a) / DV_PAGE_SIZE == reinterpret_cast<std::uintptr_t>(b) / DV_PAGE_SIZE;
}

}  // namespace

void* _DB_allocator::allocate_small(request& r) {
  _Page_group& g = group(r.group);
  void* result = nullptr;
  if (r.hint != nullptr && r.hint->largest_free() >= r.size) {
    result = take_from(r.hint, r);
    if (result != nullptr) g.current = r.hint;
  }
  if (result == nullptr) result = small_from_memory(g, r);
  if (result == nullptr) result = small_from_classes(g, r);
  if (result == nullptr && split_free_region(g)) {
    result = small_from_memory(g, r);
    if (result == nullptr) DV_ASSERTION_FAILED(retval);
  }
  if (result == nullptr) result = small_by_growth(g, r);
  if (!same_page(static_cast<char*>(result) + r.size - 1, result))
    DV_ASSERTION_FAILED(same_page_dvaddr_retval_plus_req_sz_minus_1_retval);
  return result;
}

void* _DB_allocator::small_from_memory(_Page_group& g, request& r) {
  if (g.current != nullptr && g.current->largest_free() >= r.size) {
    if (void* result = take_from(g.current, r)) return result;
  }
  for (int c = N_SIZE_CLASSES - 1; c >= 0 && g.class_limit(c) >= r.size; --c) {
    const _Bit_vector& pages = *g.class_vector(c);
    dv4u n = 0;
    for (dv4u from = 0; _Find_set_in_both(pages, *in_memory_, from, n); from = n + 1) {
      _Page_header* page = heap_of_page(page_address(n));
      if (page->largest_free() < r.size) continue;
      if (void* result = take_from(page, r)) {
        g.current = page;
        return result;
      }
    }
  }
  return nullptr;
}

void* _DB_allocator::small_from_classes(_Page_group& g, request& r) {
  dv4u group_pages = g.desc().n_pages;
  dv4u budget = group_pages <= 8 ? group_pages : group_pages / 8;
  dv4u examined = 0;
  for (int c = N_SIZE_CLASSES - 1; c >= 0; --c) {
    dv4u limit = g.class_limit(c);
    if (limit < r.size || limit < SMALLEST_SCANNED_LIMIT) break;
    const _Bit_vector& pages = *g.class_vector(c);
    dv4u n = 0;
    for (bool more = pages.first_set(n); more; more = pages.next_set(n)) {
      if (examined == budget) return nullptr;
      ++examined;
      _Page_header* page = heap_of_page(page_address(n));  // may read the page in
      if (page->largest_free() < r.size) continue;
      if (void* result = take_from(page, r)) {
        g.current = page;
        return result;
      }
    }
  }
  return nullptr;
}

bool _DB_allocator::split_free_region(_Page_group& g) {
  _Bit_vector* free_regions = g.free_regions();
  dv4u n = 0;
  if (free_regions == nullptr || !free_regions->first_set(n)) return false;
  char* region = page_address(n);
  _Page_header* heap = heap_of_page(region);
  _Heap_extent extent = heap->extent(*types_);
  if (!extent.region || heap->allocated_head_block() != nullptr)
    _Alloc_corruption(_Alloc_check::free_region_invalid);
  dv4u n_pages = static_cast<dv4u>((extent.end - region) / DV_PAGE_SIZE);

  space_.will_write(region, n_pages);
  // Out of the vector first, so that allocations the map makes while it
  // shrinks can not pick the same region.
  free_regions->clear(n);
  try {
    large_objects_->remove(region, n_pages);
  } catch (...) {
    g.free_regions()->set(n);
    throw;
  }
  // The first page keeps the region's place in the group's list.
  _Page_header* next = heap->next_page();
  heap->set_up(g.number(), start(), DV_PAGE_SIZE);
  heap->set_next_page(next);
  g.add_pending(n);
  adopt_single_pages(g, region + DV_PAGE_SIZE, n_pages - 1);
  g.current = heap;
  return true;
}

dv4u _DB_allocator::small_growth_pages(const _Page_group& g) const {
  // The user group grows by about a quarter of the database, the system
  // group (a few pages of bit vectors, type names and maps) by a quarter of
  // itself; either step is bounded, so that the image never ends in more
  // than MAX_GROWTH_STEP pages that nothing uses.
  const dv4u base = g.number() == system_page_group ? g.desc().n_pages : page_count();
  const dv4u n = (base + 1) / 32 * 8 + 1;
  return n < MAX_GROWTH_STEP ? n : MAX_GROWTH_STEP;
}

void* _DB_allocator::small_by_growth(_Page_group& g, request& r) {
  // Adopting new pages can take room in them for the group's own page
  // vectors, which grow with the database: when that leaves no new page
  // room for the request, the group grows once more.
  constexpr int growth_attempts = 3;
  for (int attempt = 0; attempt < growth_attempts; ++attempt) {
    dv4u n = small_growth_pages(g);
    space_.make_room(n);
    char* first = grow_pages(g, n);
    adopt_single_pages(g, first, n);
    for (dv4u i = 0; i < n; ++i) {
      _Page_header* page = heap_of_page(first + i * DV_PAGE_SIZE);
      if (page->largest_free() < r.size) continue;
      if (void* result = take_from(page, r)) {
        g.current = page;
        return result;
      }
    }
  }
  DV_ASSERTION_FAILED(rv);
}

}  // namespace dv_qem
