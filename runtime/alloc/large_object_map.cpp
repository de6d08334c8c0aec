// The large-object map: making it, entering and removing regions.
#include "large_object_map.h"

#include <new>

#include "db_allocator.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "self_relative.h"

namespace dv_qem {

namespace {

constexpr dv4u kMapSizeHint = 10;

const dv_typespec* map_typespec() {
  static const dv_typespec* ts = dv_typespec::get_typespec("_DB_large_object_map");
  DV_ASSERT(ts != nullptr && ts->get_size() == sizeof(_DB_large_object_hash));
  return ts;
}

}  // namespace

void _Large_object_map::create() {
  void* storage = allocator_.allocate(sizeof(_DB_large_object_hash), map_typespec(), 0,
                                      system_page_group);
  auto* map = ::new (storage) _DB_large_object_hash(kMapSizeHint);
  store_self_relative(&allocator_.header()->large_object_map, map);
}

_DB_large_object_hash& _Large_object_map::hash() const {
  char* map = resolve_self_relative(&allocator_.header()->large_object_map);
  DV_ASSERT(map != nullptr);
  return *reinterpret_cast<_DB_large_object_hash*>(map);
}

char* _Large_object_map::object_at(const void* page) const {
  return const_cast<char*>(hash().pick(static_cast<const char*>(page)));
}

void _Large_object_map::enter(const char* first, dv4u n_pages, const char* object) {
  if (!(n_pages > 1)) DV_ASSERTION_FAILED(n_pages_gt_1);
  _DB_large_object_hash& map = hash();
  dv4u entered = 0;
  try {
    for (; entered < n_pages; ++entered) {
      const char* page = first + entered * DV_PAGE_SIZE;
      map.insert(page, object);
      if (map.pick(page) != object) DV_ASSERTION_FAILED(map_pick_iptr_eq_ptr);
    }
  } catch (...) {
    // A failed growth keeps the map without the pair it was entering.
    for (dv4u i = 0; i < entered; ++i) map.remove(first + i * DV_PAGE_SIZE);
    throw;
  }
}

void _Large_object_map::remove(const char* first, dv4u n_pages) {
  _DB_large_object_hash& map = hash();
  const char* object = map.pick(first);
  dv4u removed = 0;
  try {
    for (; removed < n_pages; ++removed) map.remove(first + removed * DV_PAGE_SIZE);
  } catch (...) {
    // A failed shrink keeps the pair it was removing; the others go back.
    for (dv4u i = 0; i < removed; ++i) map.insert(first + i * DV_PAGE_SIZE, object);
    throw;
  }
}

}  // namespace dv_qem
