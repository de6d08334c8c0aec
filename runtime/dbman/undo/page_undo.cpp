// The page operations of undo and redo: exchanging a page with the image an
// undo record keeps, moving a new page out into a record and back. They
// change memory only (no allocation): the caller holds every other thread
// still meanwhile.
#include <algorithm>
#include <cstring>
#include <utility>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"

namespace dv_qem {

void _Page::swap_with_image(char* image, int& kept_lock, dv4u& kept_flags) {
  DV_ASSERT_THAT(is_mapped(), is_mapped);
  set_protection(dv_memory_read_write);
  std::swap_ranges(buffer, buffer + size, image);
  std::swap(lock, kept_lock);
  if (lock == LW) db->note_write_locked(this);
  const dv4u mine = page_flags & ~dv4u{page_mapped};
  page_flags = page_mapped | kept_flags;
  kept_flags = mine;
  protect(dv_memory_read_only);
  check_state();
}

void _Page::move_out_to_image(char* image, int& kept_lock, dv4u& kept_flags) {
  DV_ASSERT_THAT(is_mapped(), is_mapped);
  set_protection(dv_memory_read_only);
  std::memcpy(image, buffer, size);
  kept_lock = lock;
  kept_flags = page_flags & ~dv4u{page_mapped};
  unmap(true);
}

void _Page::restore_from_image(const char* image, int kept_lock, dv4u kept_flags) {
  map(dv_memory_read_write);
  std::memcpy(buffer, image, size);
  lock = kept_lock;
  if (lock == LW) db->note_write_locked(this);
  page_flags = page_mapped | kept_flags;
  protect(dv_memory_read_only);
  check_state();
}

}  // namespace dv_qem
