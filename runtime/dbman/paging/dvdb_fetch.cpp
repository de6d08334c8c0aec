// Serving a fault on a page of an open database: raising the lock of a page
// in memory, or reading the page from the file and relocating it.
//
// Every other guarded thread is held still while a page is filled, so no
// thread sees a page before it is read and relocated. The thread that holds
// them must not allocate meanwhile: every page object a fetch needs is made
// before the world stops, and freed after it resumes.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "db_allocator.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page.h"
#include "runtime_state.h"
#include "thread_registry.h"
#include "world_stop.h"

namespace dv_qem {

namespace {

// Holds every other guarded thread still from construction until resume()
// (or destruction), when wanted and unless thread locking is switched off.
class world_stop {
 public:
  explicit world_stop(bool wanted = true) : stopped_(wanted && !_DV_int::is_thread_locking_disabled()) {
    if (stopped_) _VRN_stop_the_world();
  }
  ~world_stop() { resume(); }
  world_stop(const world_stop&) = delete;
  world_stop& operator=(const world_stop&) = delete;
  void resume() {
    if (stopped_) {
      stopped_ = false;
      _VRN_resume_the_world();
    }
  }

 private:
  bool stopped_;
};

// Allocator lookups under way (under the thread lock); see below.
int lookups_in_progress = 0;

// While the fault service asks the allocator about a page's large object,
// the allocator may read pages of the database that are not in memory (the
// large-object map, a region's first page). Such reads are served as faults
// of their own: the thread is not in the filter and no address is in
// service for that time. A page read that way is fetched on its own, without
// a lookup of its own (which could need that very page) and without
// relocation: it holds the allocator's own structures (system pages, which
// are never relocated, and may lie inside a region of them), or the first
// page of a large object that needs no relocation (one that does is always
// in memory whole). The thread lock is held throughout.
class nested_faults_allowed {
 public:
  nested_faults_allowed()
      : self_(_VRN_thread_info_if_made()),
        in_handler_(self_ != nullptr ? self_->in_handler : 0),
        in_service_(_VRN_fault_in_service()) {
    if (self_ != nullptr) self_->in_handler = 0;
    _VRN_set_fault_in_service(nullptr);
    ++lookups_in_progress;
  }
  ~nested_faults_allowed() {
    --lookups_in_progress;
    if (self_ != nullptr) self_->in_handler = in_handler_;
    _VRN_set_fault_in_service(in_service_);
  }
  nested_faults_allowed(const nested_faults_allowed&) = delete;
  nested_faults_allowed& operator=(const nested_faults_allowed&) = delete;

 private:
  _Thread_info* self_;
  dv4s in_handler_;
  const void* in_service_;
};

// A page whose memory must be read from the file: not in memory, or left
// without access to be read again.
bool needs_read(const _Page* page) { return !page->is_mapped() || page->get_lock() == _Page::LNONE; }

// Reads a page from the file into its memory, made writable for the moment.
void load(_Page* page) {
  if (page->is_mapped())
    page->protect(dv_memory_read_write);
  else
    page->map(dv_memory_read_write);
  page->read_from_file();
}

void add_once(std::vector<_Page*>& pages, _Page* page) {
  if (std::find(pages.begin(), pages.end(), page) == pages.end()) pages.push_back(page);
}

}  // namespace

int DVDB::serve_fault(char* address, int kind) {
  if (kind == dv_mem_signal_unknown) DV_ASSERTION_FAILED(sig_type_ne_dv_mem_signal_unknown);
  check_usable();
  if (kind == dv_mem_signal_write && read_only)
    throw dv_err_write_permission_denied("Attempt to write to a readonly database (%s).", pathname);
  char* page_address = page_of(address);
  const int l = kind == dv_mem_signal_write ? _Page::LW : _Page::LR;
  _Page* page = find_page(page_address);
  if (page != nullptr && !needs_read(page)) return upgrade_page(page, l);
  fetch_page(page_address, l);
  return 1;
}

int DVDB::upgrade_page(_Page* page, int l) {
  if (!page->is_mapped()) throw dv_err_internal("Can not upgrade an unmapped page.");
  if (l == _Page::LNONE) throw dv_err_internal("Page can not be upgraded to LNONE.");
  if (l == _Page::LW && read_only)
    throw dv_err_write_permission_denied("Attempt to write-fault into a readonly database (%s).", pathname);
  const int before = page->get_lock();
  const bool rearmed = page->is_rearmed();
  if (l < before || (l == before && !(l == _Page::LW && rearmed))) return 0;
  page->set_lock(l);
  if (l == _Page::LW && !rearmed && allocator != nullptr) {
    // The pages of a large object that is relocated as a whole are written
    // (and logged, and read again after an abort) together; they are all in
    // memory.
    char* object = nullptr;
    dv4u n_pages = 0;
    {
      nested_faults_allowed reads;
      object = allocator->large_object_at(page->get_buffer());
      _DB_allocator::object_info info;
      if (object != nullptr && allocator->large_object_info(object, info) && info.ts != nullptr &&
          info.ts->needs_relocation())
        n_pages = allocator->large_object_pages(object);
    }
    const char* head = page_of(object);
    for (dv4u i = 0; i < n_pages; ++i) {
      _Page* other = find_page(head + i * _DV_int::get_page_size());
      DV_ASSERT(other != nullptr && other->is_mapped());
      other->set_lock(_Page::LW);
    }
  }
  return page->get_lock() != before;
}

void DVDB::fetch_page(char* page_address, int l) {
  if (l == _Page::LNONE) throw dv_err_internal("Page can not be fetched with LNONE.");
  if (l == _Page::LW && read_only)
    throw dv_err_write_permission_denied("Attempt to write-fault into a readonly database (%s).", pathname);
  if (lookups_in_progress > 0) return fetch_single(page_address, l, false);
  char* object = nullptr;
  if (allocator != nullptr) {
    nested_faults_allowed reads;
    object = allocator->large_object_at(page_address);
  }
  // The lookup may have read this very page (a page of the allocator's own).
  _Page* page = find_page(page_address);
  if (page != nullptr && !needs_read(page)) {
    upgrade_page(page, l);
    return;
  }
  if (object == nullptr)
    fetch_single(page_address, l, true);
  else
    fetch_in_large_object(page_address, object, l);
}

_Page* DVDB::page_to_fill(char* page_address, std::vector<_Page*>& made) {
  if (_Page* page = find_page(page_address)) return page;
  _Page* page = listed_page(page_address);
  made.push_back(page);
  return page;
}

_Page* DVDB::listed_page(char* page_address) {
  if (_Page* page = find_page(page_address)) return page;
  _Page* page = new _Page(this, page_address);
  enter_page(page);
  return page;
}

void DVDB::abandon_pages(const std::vector<_Page*>& pages) {
  for (_Page* page : pages) {
    if (allocator != nullptr) allocator->forget_page(page->get_buffer());
    drop_page(page, false);
  }
}

void DVDB::fetch_single(char* page_address, int l, bool relocate) {
  _Page* page = listed_page(page_address);
  {
    world_stop stop;
    try {
      load(page);
      if (allocator != nullptr) {
        allocator->page_fetched(page->get_buffer());
        if (relocate) allocator->relocate_page(page->get_buffer());
      }
      page->protect(dv_memory_read_only);
    } catch (...) {
      if (page->is_mapped()) page->unmap(false);
      stop.resume();
      abandon_pages({page});
      throw;
    }
  }
  page->set_lock(l);
}

// The page lies in the large object at object. Its first page tells the
// object's type: when that needs relocation, every page of the object is
// read from the file and the object relocated as a whole (so pages of it
// that were still in memory are read again too); otherwise only the first
// page and the faulting one are read.
void DVDB::fetch_in_large_object(char* page_address, char* object, int l) {
  const dv4u page_size = _DV_int::get_page_size();
  char* head_address = page_of(object);
  std::vector<_Page*> made;
  made.reserve(2);
  _Page* target = page_to_fill(page_address, made);
  _Page* head = page_to_fill(head_address, made);
  std::vector<_Page*> loaded;
  loaded.reserve(2);
  std::vector<_Page*> run;

  // Failure: the pages read so far lose their memory while the world is
  // still stopped; then every page the fetch touched (with whole, every page
  // of the object) is given up.
  auto give_up = [&](world_stop& stop, bool whole_object) {
    for (_Page* page : loaded)
      if (page->is_mapped()) page->unmap(false);
    stop.resume();
    std::vector<_Page*> pages = loaded;
    for (_Page* page : made) add_once(pages, page);
    if (whole_object)
      for (_Page* page : run) add_once(pages, page);
    abandon_pages(pages);
  };

  // The lookups of phase 1 run with the world stopped, where no other page
  // may be fetched: whatever the lookup of the first page reads is brought
  // in now, and so is the map's record of the region's pages, checked
  // against the first page each time that page is read (a fault on another
  // page of a region whose first page is in memory walks no map).
  const bool head_read = needs_read(head);
  dv4u mapped_pages = 0;
  {
    nested_faults_allowed reads;
    allocator->large_object_at(head_address);
    if (head_read) mapped_pages = allocator->mapped_region_pages(object);
  }

  // Phase 1: the first page, read when needed, gives the object's type and
  // extent. A page read here stays without access until the object is
  // complete.
  bool whole = false;
  dv4u n_pages = 0;
  {
    world_stop stop(head_read);
    try {
      if (head_read) {
        load(head);
        loaded.push_back(head);
        allocator->page_fetched(head->get_buffer());
      }
      // The region is the pages the map gives its object, whatever is read.
      if (head_read) allocator->check_read_region(object, mapped_pages);
      _DB_allocator::object_info info;
      whole = allocator->large_object_info(object, info) && info.ts != nullptr && info.ts->needs_relocation();
      if (whole) n_pages = allocator->large_object_pages(object);
      if (head_read) head->protect(dv_memory_no_access);
    } catch (...) {
      give_up(stop, false);
      throw;
    }
  }

  // Phase 2: the rest of the object, or the faulting page alone.
  if (whole) {
    if (page_address >= head_address + uint64_t{n_pages} * page_size)
      DV_ASSERTION_FAILED(root_lg_obj_page_eq_root_page_again);
    run.reserve(n_pages);
    made.reserve(made.size() + n_pages);
    for (dv4u i = 0; i < n_pages; ++i) run.push_back(page_to_fill(head_address + i * page_size, made));
    loaded.reserve(n_pages + 1);
  }
  {
    world_stop stop;
    try {
      if (!whole) {
        if (target != head && needs_read(target)) {
          load(target);
          loaded.push_back(target);
        }
      } else {
        for (_Page* page : run) {
          if (page->get_lock() == _Page::LW)
            DV_ASSERTION_FAILED(page_get_lock_ne_page_lw);
          if (page == head && head_read) {
            head->protect(dv_memory_read_write);
            continue;
          }
          load(page);
          loaded.push_back(page);
        }
        allocator->relocate_large_object(object);
      }
      for (_Page* page : loaded) page->protect(dv_memory_read_only);
    } catch (...) {
      give_up(stop, whole);
      throw;
    }
  }

  // Locks: the faulting page gets the fault's lock, so does every page of a
  // whole object; a first page read only for its type is read-locked.
  target->set_lock(l);
  for (_Page* page : loaded)
    if (page != target) page->set_lock(whole ? l : _Page::LR);
  for (_Page* page : made)
    if (!page->is_mapped()) drop_page(page, false);
}

}  // namespace dv_qem
