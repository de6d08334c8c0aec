// Allocation of hash dictionary slot tables, transient or in a database.
#include "chash_storage.h"

#include <cstdint>

#include "db_allocator.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "address_word.h"

namespace dv_qem {

namespace {

constexpr size_t kCountWordSize = sizeof(dv4u);  // the count word in front of slot 0

void* heap_allocate_zeroed(size_t bytes) { return _VRN_allocate_zeroed(1, bytes); }

const _Chash_block_source kHeap = {heap_allocate_zeroed, _VRN_free};
const _Chash_block_source* transient_source = &kHeap;

// The system type that a database's slot table of this key kind is made of.
const dv_typespec* persistent_slot_type(_Chash_key_kind kind, const void* owner) {
  const char* name = nullptr;
  switch (kind) {
    case _Chash_key_kind::string: name = "_Chash_slot<dv_char_star_nocopy>"; break;
    case _Chash_key_kind::pointer: name = "_Chash_slot<_DB_relative_offset<char,dv_int32> >"; break;
    case _Chash_key_kind::integer: break;
  }
  if (name == nullptr)
    throw dv_err_not_supported(
        "A hash dictionary with integer keys can not be kept in a database (owner 0x%x)", word_of(owner));
  const dv_typespec* ts = dv_typespec::get_typespec(name);
  DV_ASSERT(ts != nullptr && ts->get_size() == sizeof(_Chash_slot));
  return ts;
}

}  // namespace

bool _Chash_owner_is_persistent(const void* owner) { return _DB_allocator::serving(owner) != nullptr; }

bool _Chash_lies_with_owner(const void* owner, const void* begin, size_t n) {
  _DB_allocator* allocator = _DB_allocator::serving(owner);
  if (allocator == nullptr) return true;
  const char* first = static_cast<const char*>(begin);
  return n != 0 && allocator->holds(first) && static_cast<size_t>(allocator->start() + allocator->size() - first) >= n;
}

void* _Chash_allocate_slots(const void* owner, unsigned count, unsigned slot_size, _Chash_key_kind kind) {
  std::uint64_t bytes = static_cast<std::uint64_t>(count) * slot_size + kCountWordSize;
  if (bytes > SIZE_MAX)
    throw dv_err_alloc("A hash table of %u slots of %u bytes does not fit in the address space",
                       count, slot_size);
  char* block;
  if (_DB_allocator* allocator = _DB_allocator::serving(owner)) {
    const dv_typespec* slot_type = persistent_slot_type(kind, owner);
    DV_ASSERT(slot_size == slot_type->get_size());
    // An array with a vector header: the count word is that header.
    block = static_cast<char*>(allocator->allocate_near(static_cast<size_t>(bytes), slot_type, count,
                                                        owner, system_page_group));
  } else {
    block = static_cast<char*>(transient_source->allocate_zeroed(static_cast<size_t>(bytes)));
  }
  *reinterpret_cast<dv4u*>(block) = count;
  return block + kCountWordSize;
}

void _Chash_release_slots(const void* slots) {
  if (slots == nullptr) return;
  auto* block = const_cast<char*>(static_cast<const char*>(slots)) - kCountWordSize;
  if (_DB_allocator* allocator = _DB_allocator::serving(block)) {
    allocator->free(block);
    return;
  }
  transient_source->release(block);
}

void _Chash_set_transient_block_source(const _Chash_block_source* source) {
  transient_source = source != nullptr ? source : &kHeap;
}

}  // namespace dv_qem
