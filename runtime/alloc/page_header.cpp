// Page heap set-up, header accessors, the heap's extent and list edits.
#include "page_header.h"

#include <cstdint>

#include "heap_corruption.h"
#include "dv_assertions.h"

namespace dv_qem {

namespace {

dv4u round_up_to_pages(unsigned long long bytes) {
  return static_cast<dv4u>((bytes + HEAP_PAGE_SIZE - 1) / HEAP_PAGE_SIZE * HEAP_PAGE_SIZE);
}

}  // namespace

void _Page_header::check_page_size(unsigned system_page_size) {
  if (LARGEST_SMALL_ARRAY_COUNT != system_page_size - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE)
    DV_ASSERTION_FAILED(largest_small_array_fills_page);
}

bool _Page_header::is_page_zero() const { return self() - page_start() == DB_HEADER_SIZE; }

void _Page_header::set_up(dv4u group, const void* db_start, dv4u region_size) {
  dv4u offset = static_cast<dv4u>(self() - page_start());
  DV_ASSERT((offset == 0 && region_size >= HEAP_PAGE_SIZE && region_size % HEAP_PAGE_SIZE == 0) ||
            (offset == DB_HEADER_SIZE && region_size == HEAP_PAGE_SIZE - DB_HEADER_SIZE));
  dv4u payload = region_size - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE;
  _Page_header_layout::page_group = group;
  _Page_header_layout::free_bytes = payload;
  allocated_head = 0;
  free_head = 0;
  set_database_start(db_start);
  _Page_header_layout::next_page = 0;
  _Page_header_layout::largest_free =
      static_cast<dv2u>(region_size <= HEAP_PAGE_SIZE ? payload : 0);
  reserved = 0;
  _Obj_header* block = _Obj_header::at(first_block());
  block->make_free(region_size - PAGE_HEADER_SIZE, true);
  set_free_head(block);
}

char* _Page_header::database_start() const {
  return reinterpret_cast<char*>(static_cast<std::uintptr_t>(_Page_header_layout::database_start));
}

void _Page_header::set_database_start(const void* start) {
  _Page_header_layout::database_start = static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(start));
}

_Page_header* _Page_header::next_page() const {
  return at(resolve_self_relative(&(this->_Page_header_layout::next_page)));
}

void _Page_header::set_next_page(const _Page_header* page) {
  store_self_relative(&(this->_Page_header_layout::next_page), page);
}

_Obj_header* _Page_header::allocated_head_block() const {
  return _Obj_header::at(resolve_self_relative(&allocated_head));
}

_Obj_header* _Page_header::free_head_block() const {
  return _Obj_header::at(resolve_self_relative(&free_head));
}

void _Page_header::set_free_head(const _Obj_header* block) {
  store_self_relative(&free_head, block);
}

_Page_header::_Heads _Page_header::heads() const {
  // Until the extent is known only the first page is sure to be the heap's.
  _Heap_extent first_page;
  first_page.first = first_block();
  first_page.end = page_start() + HEAP_PAGE_SIZE;
  auto checked = [&](const dv2s* field) -> _Obj_header* {
    char* target = resolve_self_relative(field);
    if (target != nullptr && !first_page.is_block_start(target))
      _Heap_corruption(_Pg_check::link_not_a_block);
    return _Obj_header::at(target);
  };
  return {checked(&allocated_head), checked(&free_head)};
}

_Heap_extent _Page_header::extent(_Type_tag_source& tags) const { return extent(heads(), tags); }

_Heap_extent _Page_header::extent(const _Heads& h, _Type_tag_source& tags) const {
  _Heap_extent e;
  e.first = first_block();
  bool holds_large = h.allocated != nullptr && h.allocated->is_large_form();
  bool freed_large = h.free != nullptr && h.free->is_large_form();
  if (!holds_large && !freed_large) {
    e.end = page_start() + HEAP_PAGE_SIZE;
    e.max_blocks = static_cast<dv4u>(e.end - e.first) / MIN_BLOCK_FOOTPRINT;
    return e;
  }

  // A multi-page region: one block, at the start, holding its object or free.
  if (is_page_zero()) _Heap_corruption(_Pg_check::large_form_misplaced);
  unsigned long long size;
  if (holds_large) {
    if (h.allocated->is_free()) _Heap_corruption(_Pg_check::block_on_wrong_list);
    if (h.allocated->address() != e.first || h.free != nullptr)
      _Heap_corruption(_Pg_check::region_lists_invalid);
    if (h.allocated->tag() == 0) _Heap_corruption(_Pg_check::tag_zero);
    dv4u block = h.allocated->block_size(tags);
    if (block <= LARGEST_SMALL_PAYLOAD || _Page_header_layout::free_bytes % HEAP_PAGE_SIZE != 0)
      _Heap_corruption(_Pg_check::region_size_invalid);
    // The object's own pages, then the whole pages it left unused.
    size = round_up_to_pages(0ull + PAGE_HEADER_SIZE + OBJECT_HEADER_SIZE + block) +
           static_cast<unsigned long long>(_Page_header_layout::free_bytes);
  } else {
    if (!h.free->is_free()) _Heap_corruption(_Pg_check::free_head_not_free);
    if (h.free->address() != e.first || h.allocated != nullptr)
      _Heap_corruption(_Pg_check::region_lists_invalid);
    size = 0ull + h.free->free_payload() + PAGE_HEADER_SIZE + OBJECT_HEADER_SIZE;
    if (size % HEAP_PAGE_SIZE != 0) _Heap_corruption(_Pg_check::region_size_invalid);
  }
  std::uintptr_t start = reinterpret_cast<std::uintptr_t>(page_start());
  if (size < 2 * HEAP_PAGE_SIZE || size > 0xffffffffull - start)
    _Heap_corruption(_Pg_check::region_size_invalid);
  e.end = page_start() + size;
  e.region = true;
  e.max_blocks = 1;
  return e;
}

bool _Page_header::on_free_list(const _Heap_extent& extent, const _Obj_header* block) const {
  _Block_list_walk walk(&free_head, extent, true);
  while (_Obj_header* b = walk.next()) {
    if (b == block) {
      walk.next();  // its successor must lead back to it before it is unlinked
      return true;
    }
  }
  return false;
}

// Both block lists of a page are doubly linked through the block headers and
// hang from one head field of the page header; a large-form block (the one
// block of a multi-page region) carries no links and is the whole list.
void _Page_header::unlink(dv2s _Page_header_layout::*head, _Obj_header* block) {
  if (block->is_large_form()) {
    store_self_relative(&(this->*head), nullptr);
    return;
  }
  _Obj_header* prev = block->prev();
  _Obj_header* next = block->next();
  if (prev != nullptr)
    prev->set_next(next);
  else
    store_self_relative(&(this->*head), next);
  if (next != nullptr) next->set_prev(prev);
}

void _Page_header::push(dv2s _Page_header_layout::*head, _Obj_header* block) {
  if (block->is_large_form()) {
    store_self_relative(&(this->*head), block);
    return;
  }
  _Obj_header* old_head = _Obj_header::at(resolve_self_relative(&(this->*head)));
  block->set_prev(nullptr);
  block->set_next(old_head);
  if (old_head != nullptr) old_head->set_prev(block);
  store_self_relative(&(this->*head), block);
}

}  // namespace dv_qem
