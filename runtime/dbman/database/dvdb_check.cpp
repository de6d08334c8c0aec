// The self-check of an open database and the dump of its contents.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "db_allocator.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "page.h"
#include "runtime_state.h"
#include "address_word.h"

namespace dv_qem {

void DVDB::self_check() {
  check_usable();
  if (next != nullptr) {
    DV_ASSERT_THAT(word_of(as_start) < word_of(next->as_start), dv4u_as_start_lt_dv4u_next_as_start);
    DV_ASSERT_THAT(uint64_t{word_of(as_start)} + as_size <= word_of(next->as_start), as_end_le_next_as_start);
  }
  DV_ASSERT_THAT(root_page != nullptr, root_page);
  const _Page* last = nullptr;
  size_t listed = 0;
  for (const _File_element* e = root_page; e != nullptr; e = e->get_next()) {
    last = static_cast<const _Page*>(e);
    last->self_check();
    DV_ASSERT_THAT(find_page(last->get_buffer()) == last, find_page_pg_get_buffer_eq_pg);
    ++listed;
  }
  DV_ASSERT_THAT(listed == pages_by_offset_.size(), listed_eq_pages_by_offset_size);
  // Every write-locked page is among the pages noted write-locked.
  std::vector<dv4u> noted = write_locked_offsets_;
  std::sort(noted.begin(), noted.end());
  for (const auto& [offset, page] : pages_by_offset_)
    DV_ASSERT(page->get_lock() != _Page::LW || std::binary_search(noted.begin(), noted.end(), offset));
  const _File_element* pg = last;
  while (pg->get_prev() != nullptr) {
    static_cast<const _Page*>(pg)->self_check();
    pg = pg->get_prev();
  }
  DV_ASSERT_THAT(pg == root_page, pg_eq_root_page);
  allocator->self_check();
}

void DVDB::self_check_written() {
  check_usable();
  DV_ASSERT_THAT(root_page != nullptr, root_page);
  std::vector<const char*> written;
  for (const _Page* page : write_locked_pages()) {
    page->self_check();
    DV_ASSERT_THAT(find_page(page->get_buffer()) == page, find_page_pg_get_buffer_eq_pg);
    written.push_back(page->get_buffer());
  }
  allocator->self_check_heaps_of(written);
}

void DVDB::dump_contents() {
  check_usable();
  _VRN_printf("DATABASE %s\n=====================================================\n%s, AS [0x%x, %u], size %u\n",
              pathname, read_only ? "R/O" : "R/W", word_of(as_start), as_size, image_size());
  allocator->dump();
  _VRN_printf("Dumping page info\n=================\n");
  const dv4u page_size = _DV_int::get_page_size();
  for (const _File_element* e = root_page; e != nullptr; e = e->get_next())
    static_cast<const _Page*>(e)->dump_line(static_cast<int>(e->get_offset() / page_size));
}

}  // namespace dv_qem
