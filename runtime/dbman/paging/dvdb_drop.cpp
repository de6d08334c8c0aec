// Dropping unmodified pages from memory: the next touch reads them again.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "db_allocator.h"
#include "dvdb.h"
#include "page.h"
#include "runtime_state.h"

namespace dv_qem {

unsigned DVDB::drop_pages(const char* from, dv4u size) {
  check_usable();
  const uintptr_t image_start = reinterpret_cast<uintptr_t>(as_start);
  const uintptr_t image_end = image_start + image_size();
  const uintptr_t begin = std::max(reinterpret_cast<uintptr_t>(from), image_start);
  const uintptr_t end = std::min(uint64_t{reinterpret_cast<uintptr_t>(from)} + size, uint64_t{image_end});
  if (begin >= end) return 0;
  const char* first = page_of(reinterpret_cast<const char*>(begin));
  const char* last = page_of(reinterpret_cast<const char*>(end - 1));
  auto in_range = [&](const char* p) { return p >= first && p <= last; };

  unsigned dropped = 0;
  std::vector<_Page*> object_pages;
  // Walk the pages from the last one down while they lie at or above the
  // first page of the range; cursor is the offset the walk goes on below.
  dv4u cursor = UINT32_MAX;
  for (;;) {
    auto at = pages_by_offset_.lower_bound(cursor);
    if (at == pages_by_offset_.begin()) break;
    _Page* page = std::prev(at)->second;
    char* address = page->get_buffer();
    if (address < first) break;
    cursor = page->get_offset();
    if (page->get_offset() == 0 || page->get_lock() == _Page::LW || held_by_undo(page)) continue;

    char* object = allocator != nullptr ? allocator->large_object_at(address) : nullptr;
    if (object == nullptr) {
      if (address <= last) {
        drop_page(page, true);
        ++dropped;
      }
      continue;
    }

    // The pages of a large object in memory go together: all of them when
    // the object starts in the range or one of them lies in it, and none of
    // them is modified or kept by undo; otherwise none. The walk goes on below the object.
    char* object_page = page_of(object);
    const dv4u object_offset = static_cast<dv4u>(object_page - as_start);
    object_pages.clear();
    bool touches_range = in_range(object_page);
    bool modified = false;
    for (auto it = pages_by_offset_.lower_bound(object_offset);
         it != pages_by_offset_.end() && allocator->large_object_at(it->second->get_buffer()) == object; ++it) {
      object_pages.push_back(it->second);
      touches_range = touches_range || in_range(it->second->get_buffer());
      modified = modified || it->second->get_lock() == _Page::LW || held_by_undo(it->second);
    }
    cursor = std::min(cursor, object_offset);
    if (!touches_range || modified) continue;
    for (_Page* p : object_pages) {
      drop_page(p, p->get_buffer() == object_page);
      ++dropped;
    }
  }
  return dropped;
}

}  // namespace dv_qem
