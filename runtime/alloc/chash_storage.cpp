// Allocation of hash dictionary slot tables, transient or in a database.
#include "chash_storage.h"

#include <cstdint>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

constexpr size_t kCountWordSize = sizeof(dv4u);  // the count word in front of slot 0

void* heap_allocate_zeroed(size_t bytes) { return _VRN_allocate_zeroed(1, bytes); }

const _Chash_block_source kHeap = {heap_allocate_zeroed, _VRN_free};
const _Chash_block_source* transient_source = &kHeap;

}  // namespace

// No database region exists in this library yet, so every owner is transient.
// Once the database list is kept, an owner inside an open database's address
// range answers true here.
bool _Chash_owner_is_persistent(const void* owner) { return false; }

void* _Chash_allocate_slots(const void* owner, unsigned count, unsigned slot_size) {
  std::uint64_t bytes = static_cast<std::uint64_t>(count) * slot_size + kCountWordSize;
  if (bytes > SIZE_MAX)
    throw dv_err_alloc("A hash table of %u slots of %u bytes does not fit in the address space",
                       count, slot_size);
  if (_Chash_owner_is_persistent(owner)) {
    // Tables of persistent dictionaries come from the database allocator
    // (persistent new of the slot type with a count, placed near owner).
    throw dv_err_not_supported("Hash tables inside a database need the database allocator "
                               "(owner 0x%x)", static_cast<unsigned>(reinterpret_cast<uintptr_t>(owner)));
  }
  auto* block = static_cast<char*>(transient_source->allocate_zeroed(static_cast<size_t>(bytes)));
  *reinterpret_cast<dv4u*>(block) = count;
  return block + kCountWordSize;
}

void _Chash_release_slots(const void* slots) {
  if (slots == nullptr) return;
  // Only transient blocks exist until tables can be allocated in a database;
  // those will go back to the database allocator here.
  auto* block = const_cast<char*>(static_cast<const char*>(slots)) - kCountWordSize;
  transient_source->release(block);
}

void _Chash_set_transient_block_source(const _Chash_block_source* source) {
  transient_source = source != nullptr ? source : &kHeap;
}

}  // namespace dv_qem
