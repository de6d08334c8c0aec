// The allocator's life: subsystem start, construction and start-up (building
// a new database's header), the registry of live allocators, page addresses,
// the in-memory page set, and finding objects.
#include "db_allocator.h"

#include <cstdint>

#include "alloc_internal.h"
#include "db_header.h"
#include "dv_env.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "large_object_map.h"
#include "page_group.h"

namespace dv_qem {

namespace {

// Every live allocator, so that an address finds its allocator also while
// no database object lists it.
_DB_allocator* live_allocators = nullptr;

constexpr dv4u kMinimumInMemoryBits = 64;

std::uintptr_t value_of(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

bool switch_is_set(const char* name) {
  int set = 0;
  _VRN_getenv_bool(name, &set);
  return set != 0;
}

}  // namespace

void _DB_allocator::start_subsystem() {
  _Page_header::set_tracing(switch_is_set("DV_QEM_TRACE_ALLOC"));
  _Page_header::set_verifying(switch_is_set("DV_QEM_VERIFY_ALLOC"));
  _Page_header::check_page_size(_VRN_get_page_size());
}

_DB_allocator::_DB_allocator(_DB_space& space, bool creating)
    : space_(space),
      creating_(creating),
      types_(_Make_type_table(*this)),
      large_objects_(new _Large_object_map(*this)) {
  for (dv4u g = 0; g < 2; ++g) groups_[g].reset(new _Page_group(*this, g));
  next_live_ = live_allocators;
  live_allocators = this;
}

_DB_allocator::~_DB_allocator() {
  for (_DB_allocator** link = &live_allocators; *link != nullptr; link = &(*link)->next_live_) {
    if (*link == this) {
      *link = next_live_;
      break;
    }
  }
  _Bit_vector::destroy(in_memory_);
}

_DB_allocator* _DB_allocator::serving(const void* address) {
  if (_DB_space* space = _DB_space_holding(address); space != nullptr && space->space_allocator() != nullptr)
    return space->space_allocator()->holds(address) ? space->space_allocator() : nullptr;
  for (_DB_allocator* a = live_allocators; a != nullptr; a = a->next_live_)
    if (a->holds(address)) return a;
  return nullptr;
}

void _DB_allocator::start_up() {
  dv4u pages = page_count();
  in_memory_ = _Bit_vector::create(pages * 2 > kMinimumInMemoryBits ? pages * 2 : kMinimumInMemoryBits);
  in_memory_->set(0);
  if (creating_) {
    _DB_header_build(*header());
    types_->load();
    group(system_page_group).set_up_descriptor();
    group(user_page_group).set_up_descriptor();
    large_objects_->create();
  } else {
    check_stored_header();
    types_->load();
  }
}

void _DB_allocator::note_in_memory(dv4u n) {
  if (n >= in_memory_->n_bits) {
    // The set grows with the database (an import can add any number of pages).
    dv4u wanted = 2 * (n > page_count() ? n : page_count());
    _Bit_vector* larger = in_memory_->resized(wanted);
    _Bit_vector::destroy(in_memory_);
    in_memory_ = larger;
  }
  in_memory_->set(n);
}

void _DB_allocator::page_fetched(const char* page) {
  DV_ASSERT(page >= start());
  note_in_memory(page_number(page));
}

void _DB_allocator::forget_page(const char* page) {
  dv4u n = page_number(page);
  if (n < in_memory_->n_bits) in_memory_->clear(n);
  for (dv4u g = 0; g < 2; ++g) {
    _Page_header* current = group(g).current;
    if (current != nullptr && page_number(current) == n) group(g).current = nullptr;
  }
}

void _DB_allocator::reset() {
  in_memory_->init(in_memory_->n_bits);
  in_memory_->set(0);
  for (dv4u g = 0; g < 2; ++g) group(g).forget_transient_state();
  // An abort or undo may have taken back tags assigned meanwhile.
  types_->load();
}

char* _DB_allocator::large_object_at(const char* page) {
  if (page == start() || !holds(page)) return nullptr;
  // Most databases have no large object: their map is empty.
  if (large_objects_->entries() == 0) return nullptr;
  return large_objects_->object_at(page);
}

dv4u _DB_allocator::large_object_pages(const char* object) {
  char* region = const_cast<char*>(object) - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE;
  DV_ASSERT(value_of(region) % DV_PAGE_SIZE == 0 && holds(region) && region != start());
  _Heap_extent extent = heap_of_page(region)->extent(*types_);
  // A region reaches no further than the image.
  if (static_cast<std::uintptr_t>(extent.end - start()) > size()) _Alloc_corruption(_Alloc_check::region_beyond_image);
  return static_cast<dv4u>((extent.end - region) / DV_PAGE_SIZE);
}

dv4u _DB_allocator::mapped_region_pages(const char* object) {
  const char* region = object - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE;
  dv4u n = 0;
  for (const char* page = region; holds(page) && large_objects_->object_at(page) == object; page += DV_PAGE_SIZE) ++n;
  return n;
}

dv4u _DB_allocator::check_read_region(const char* object, dv4u mapped) {
  char* region = const_cast<char*>(object) - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE;
  if (value_of(region) % DV_PAGE_SIZE != 0 || !holds(region) || region == start())
    _Alloc_corruption(_Alloc_check::region_pages_unmapped);
  check_read_page(heap_of_page(region), false);
  const dv4u n = large_object_pages(object);
  if (n != mapped) _Alloc_corruption(_Alloc_check::region_pages_unmapped);
  return n;
}

bool _DB_allocator::large_object_info(const char* object, object_info& out) {
  const _Obj_header* block = _Obj_header::at(object - OBJECT_HEADER_SIZE);
  if (block->is_free()) return false;
  out = describe(const_cast<_Obj_header*>(block), *types_);
  return true;
}

_DB_allocator::object_info _DB_allocator::describe(_Obj_header* block, _Type_tag_source& tags) {
  object_info info;
  info.block = block;
  info.object = block->object() + (block->has_vector_header() ? sizeof(dv4u) : 0);
  info.ts = tags.typespec_of(block->tag());
  info.count = block->count();
  return info;
}

bool _DB_allocator::object_at(const void* address, object_info& out) {
  if (!holds(address)) return false;
  const char* page = start() + page_number(address) * DV_PAGE_SIZE;
  if (const char* object = large_object_at(page)) page = object - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE;
  bool found = false;
  heap_of_page(page)->for_each_allocated(*types_, [&](_Obj_header* block) {
    if (found) return;
    object_info info = describe(block, *types_);
    std::uint64_t extent = static_cast<std::uint64_t>(info.ts->get_size()) * (info.count != 0 ? info.count : 1);
    std::uintptr_t a = value_of(address);
    if (a >= value_of(info.object) && a - value_of(info.object) < extent) {
      out = info;
      found = true;
    }
  });
  return found;
}

}  // namespace dv_qem
