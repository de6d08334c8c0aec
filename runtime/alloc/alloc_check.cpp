// The allocator's self-check (page lists, page heaps with the large-object
// map, size classes, free regions, the map, pointer validation) and dump.
#include <algorithm>

#include "alloc_internal.h"
#include "dv_platform.h"
#include "large_object_map.h"
#include "page_group.h"

namespace dv_qem {

void _DB_allocator::self_check() {
  dv4u region_pages = check_group(group(system_page_group)) + check_group(group(user_page_group));
  _DB_large_object_hash& map = large_objects_->hash();
  map.self_check();
  // Every region's pages are in the map (page self-checks); nothing else is.
  if (map.cardinality() != region_pages) _Alloc_corruption(_Alloc_check::map_entries_mismatch);
}

dv4u _DB_allocator::check_group(_Page_group& g) {
  const _Page_group_desc& d = g.desc();
  if (d.group != g.number() || d.flags != 0 || !g.classes_ready())
    _Alloc_corruption(_Alloc_check::descriptor_invalid);

  dv4u listed = 0;
  dv4u single_pages = 0;
  dv4u region_pages = 0;
  for (_Page_header* heap = g.first_page(); heap != nullptr; heap = heap->next_page()) {
    if (++listed > page_count()) _Alloc_corruption(_Alloc_check::list_too_long);
    char* page = heap->page_start();
    if (!holds(heap) || heap != heap_of_page(page)) _Alloc_corruption(_Alloc_check::page_outside_image);
    if (heap->page_group() != g.number()) _Alloc_corruption(_Alloc_check::page_group_mismatch);
    if (check_heap(g, heap))
      region_pages += static_cast<dv4u>((heap->extent(*types_).end - page) / DV_PAGE_SIZE);
    else
      ++single_pages;
  }
  if (listed != d.n_pages) _Alloc_corruption(_Alloc_check::list_count);

  dv4u marked = 0;
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c) {
    const _Bit_vector& members = *g.class_vector(c);
    if (members.count != members.count_set_bits()) _Alloc_corruption(_Alloc_check::class_count);
    marked += members.count;
  }
  if (marked != single_pages) _Alloc_corruption(_Alloc_check::class_membership);

  if (const _Bit_vector* free_regions = g.free_regions()) {
    if (free_regions->count != free_regions->count_set_bits())
      _Alloc_corruption(_Alloc_check::class_count);
    dv4u n = 0;
    for (bool more = free_regions->first_set(n); more; more = free_regions->next_set(n)) {
      if (n == 0 || n >= page_count()) _Alloc_corruption(_Alloc_check::free_region_invalid);
      char* region = page_address(n);
      _Page_header* heap = heap_of_page(region);
      if (heap->page_group() != g.number() || heap->allocated_head_block() != nullptr ||
          !heap->extent(*types_).region ||
          large_objects_->object_at(region) != region + PAGE_HEADER_SIZE + OBJECT_HEADER_SIZE)
        _Alloc_corruption(_Alloc_check::free_region_invalid);
    }
  }
  return region_pages;
}

bool _DB_allocator::check_heap(_Page_group& g, _Page_header* heap) {
  check_base(heap);
  heap->self_check(*types_, large_objects_.get());
  const dv4u n = page_number(heap->page_start());
  const bool region = heap->extent(*types_).region;
  const unsigned expected_class = region ? N_SIZE_CLASSES : g.class_of(heap->largest_free());  // a region is in no class
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c) {
    const _Bit_vector& members = *g.class_vector(c);
    bool marked = n < members.n_bits && members.test(n);
    if (marked != (c == expected_class)) _Alloc_corruption(_Alloc_check::class_membership);
  }
  validate_heap(heap);
  return region;
}

void _DB_allocator::self_check_heaps_of(const std::vector<const char*>& pages) {
  std::vector<_Page_header*> heaps;
  for (const char* page : pages) {
    if (!holds(page)) continue;  // grown past the image's recorded end: not yet a heap
    const char* start = page;
    if (const char* object = large_objects_->object_at(page)) start = page_address(page_number(object));
    _Page_header* heap = heap_of_page(start);
    if (std::find(heaps.begin(), heaps.end(), heap) == heaps.end()) heaps.push_back(heap);
  }
  for (_Page_header* heap : heaps) {
    const dv4u number = heap->page_group();
    if (number != system_page_group && number != user_page_group) _Alloc_corruption(_Alloc_check::page_group_mismatch);
    _Page_group& g = group(number);
    if (g.desc().group != number || g.desc().flags != 0 || !g.classes_ready())
      _Alloc_corruption(_Alloc_check::descriptor_invalid);
    check_heap(g, heap);
  }
}

void _DB_allocator::dump() {
  _VRN_printf("Dumping contents of system pages\n================================\n");
  for (_Page_header* heap = group(system_page_group).first_page(); heap != nullptr; heap = heap->next_page())
    heap->dump(*types_);
  _VRN_printf("Dumping contents of user pages\n==============================\n");
  for (_Page_header* heap = group(user_page_group).first_page(); heap != nullptr; heap = heap->next_page())
    heap->dump(*types_);
}

}  // namespace dv_qem
