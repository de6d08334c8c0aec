// Allocation requests: argument and size checks, rounding, the choice between
// page 0 (while the system group bootstraps), small and large strategies,
// and the growth of the image by whole pages.
#include <cstdint>

#include "alloc_internal.h"
#include "page_group.h"
#include "dv_assertions.h"

namespace dv_qem {

namespace {

constexpr dv4u kVectorHeaderSize = 4;
// No block may come near 2 GiB: it could never fit a 32-bit database.
constexpr std::uint64_t kLargestBlock = 0x7fff0000u;

}  // namespace

void* _DB_allocator::allocate(size_t size, const dv_typespec* ts, dv4u count, dv4u group) {
  if (ts == nullptr)
    throw dv_err_operator_new_args(
        "A non-null dv_typespec* argument must be supplied for persistent allocation");
  request r = make_request(size, ts, count, group);
  return allocate_request(r);
}

void* _DB_allocator::allocate_near(size_t size, const dv_typespec* ts, dv4u count, const void* hint,
                                   dv4u group) {
  if (ts == nullptr)
    throw dv_err("A non-null dv_typespec* argument must be supplied for persistent allocation");
  request r = make_request(size, ts, count, group);
  r.hint = hint_page(hint, group);
  return allocate_request(r);
}

_DB_allocator::request _DB_allocator::make_request(size_t size, const dv_typespec* ts, dv4u count,
                                                   dv4u group) {
  DV_ASSERT(group == system_page_group || group == user_page_group);
  // System pages are never relocated: they hold only self-relative links.
  DV_ASSERT(group == user_page_group || !ts->needs_relocation());
  request r;
  r.ts = ts;
  r.count = count;
  r.group = group;
  std::uint64_t type_size = ts->get_size();
  if (count != 0) {
    std::uint64_t wanted = type_size * count;
    if (size == wanted + kVectorHeaderSize) {
      r.vector_header = true;
    } else if (size != wanted) {
      throw dv_err_operator_new_args(
          "Error detected in array size.  The compiler is trying to allocate %d bytes, but the "
          "count/typespec given to persistent new requires %d bytes.",
          static_cast<int>(size), static_cast<int>(wanted));
    }
  } else if (size != type_size) {
    throw dv_err_operator_new_args(
        "Error detected in object size.  The compiler is trying to allocate %d bytes, but the "
        "typespec given to persistent new requires %d bytes.",
        static_cast<int>(size), static_cast<int>(type_size));
  }
  if (size > kLargestBlock)
    throw dv_err_alloc("A persistent object of %u bytes does not fit in a database",
                       static_cast<unsigned>(size));
  r.size = _Obj_header::block_size_for(static_cast<dv4u>(type_size), count, r.vector_header, false);
  return r;
}

_Page_header* _DB_allocator::hint_page(const void* hint, dv4u group) {
  if (hint == nullptr || !holds(hint)) return nullptr;
  const char* page = page_address(page_number(hint));
  if (const char* object = large_object_at(page)) page = object - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE;
  _Page_header* heap = heap_of_page(page);
  return heap->page_group() == group ? heap : nullptr;
}

void* _DB_allocator::allocate_request(request& r) {
  // The tag is settled before any page is touched: assigning it allocates
  // the type's name in the system group.
  types_->tag_of(r.ts);
  if (!group(r.group).classes_ready()) return allocate_in_page_zero(r);
  if (r.size > LARGEST_SMALL_PAYLOAD) return allocate_large(r);
  return allocate_small(r);
}

void* _DB_allocator::allocate_in_page_zero(request& r) {
  if (r.group != system_page_group)
    DV_ASSERTION_FAILED(page_group_eq_db_allocator_system_page_group);
  _Page_header* page = heap_of_page(start());
  if (page->page_group() != r.group)
    DV_ASSERTION_FAILED(pg_get_page_group_eq_page_group);
  if (page_number(page) != 0)
    DV_ASSERTION_FAILED(dba_which_page_pg_get_this_dvaddr_eq_0);
  void* result = page->findchunk(r.size, r.count, r.vector_header, r.ts, *types_);
  if (result == nullptr) DV_ASSERTION_FAILED(retval);
  return result;
}

void* _DB_allocator::take_from(_Page_header* page, const request& r) {
  dv4u before = page->largest_free();
  void* result = page->findchunk(r.size, r.count, r.vector_header, r.ts, *types_);
  if (result != nullptr) group(r.group).move_class(page_number(page), before, page->largest_free());
  return result;
}

char* _DB_allocator::grow_pages(_Page_group& g, dv4u n) {
  char* first = start() + size();
  const dv4u size_before = size();
  dv4u grown = 0;
  try {
    if (char* run = space_.grow_pages(n, grown)) {
      DV_ASSERT(run == first && grown == n);
      header()->super.db_size += n * DV_PAGE_SIZE;
      return first;
    }
    for (; grown < n; ++grown) {
      char* expected = start() + size();
      char* page = space_.grow_page();
      DV_ASSERT(page == expected);
      header()->super.db_size += DV_PAGE_SIZE;
    }
  } catch (...) {
    // Pages the database already gave stay in the image as pages of the group.
    header()->super.db_size = size_before + grown * DV_PAGE_SIZE;
    if (grown != 0) adopt_single_pages(g, first, grown);
    throw;
  }
  return first;
}

void _DB_allocator::adopt_single_pages(_Page_group& g, char* first, dv4u n) {
  for (dv4u i = 0; i < n; ++i) {
    char* page = first + i * DV_PAGE_SIZE;
    _Page_header* heap = heap_of_page(page);
    heap->set_up(g.number(), start(), DV_PAGE_SIZE);
    g.link_page(heap);
    note_in_memory(page_number(page));
    g.add_pending(page_number(page));
  }
  // Allocations made while the size classes are resized can use them.
  g.current = heap_of_page(first);
  g.pages_added(page_number(first) + n);
}

}  // namespace dv_qem
