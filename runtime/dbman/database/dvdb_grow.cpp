// Growing a database at the end of its image: room in the address range,
// and new zeroed write-locked pages.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "db_log.h"
#include "dv_err.h"
#include "dv_transaction.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"
#include "runtime_state.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

// What the range grows by at a time, at least.
constexpr uint64_t kGrowthStep = 0x200000;

}  // namespace

void DVDB::make_room(dv4u n_pages) {
  check_usable();
  if (_Transaction_state::is_initialized() && _Transaction_state::current_type() != dv_transaction::update)
    throw dv_err_trans("Attempt allocate memory in database (%s) with no update transaction in progress.", pathname);
  if (read_only) throw dv_err_write_permission_denied("Can not grow a read_only database (%s).", pathname);
  const uint64_t page = _DV_int::get_page_size();
  const uint64_t needed = uint64_t{image_size()} + uint64_t{n_pages} * page;
  while (as_size < needed) {
    uint64_t want = std::max(kGrowthStep, (needed - as_size + page - 1) / page * page);
    dv4u room = 0;
    if (want > UINT32_MAX - as_size || !_DV_int::can_grow_db_space(this, static_cast<dv4u>(want), room) || room == 0)
      throw dv_err_address_space_exhausted(
          "Cannot grow address space for database %s. Allocating new page failed.", pathname);
    as_size += static_cast<dv4u>(std::min<uint64_t>(room, want));
  }
}

char* DVDB::grow_page() {
  make_room(1);
  char* address = as_start + image_size();
  DV_ASSERT(find_page(address) == nullptr);
  _Page* page = new _Page(this, address);
  enter_page(page);
  try {
    page->map(dv_memory_read_write);
    page->zero();
    page->set_lock(_Page::LW, true);
  } catch (...) {
    drop_page(page, false);
    throw;
  }
  return address;
}

char* DVDB::grow_pages(dv4u n_pages, dv4u& given) {
  given = 0;
  make_room(n_pages);
  const dv4u page_size = _DV_int::get_page_size();
  char* first = as_start + image_size();
  std::vector<_Page*> made;
  made.reserve(n_pages);
  try {
    for (dv4u i = 0; i < n_pages; ++i) {
      char* address = first + i * page_size;
      DV_ASSERT(find_page(address) == nullptr);
      _Page* page = new _Page(this, address);
      enter_page(page);
      made.push_back(page);
    }
    // One protection change and one log write for the run; every growth is
    // logged before any of its pages is handed out.
    dv_map_memory_pages(first, n_pages, dv_memory_read_write);
    for (_Page* page : made) page->map_in_run(dv_memory_read_write);
    log->log_growth_run(image_size(), n_pages);
    for (_Page* page : made) {
      page->zero();
      page->write_lock_grown();
      ++given;
    }
  } catch (...) {
    for (size_t i = given; i < made.size(); ++i) drop_page(made[i], false);
    throw;
  }
  return first;
}

void DVDB::drop_page(_Page* page, bool forget) {
  if (page->is_mapped()) page->unmap(forget);
  remove_page(page);
  delete page;
}

void DVDB::will_write(char* first, dv4u n_pages) {
  for (dv4u i = 0; i < n_pages; ++i) serve_fault(first + i * _DV_int::get_page_size(), dv_mem_signal_write);
}

}  // namespace dv_qem
