// The address region: its reservation from the environment or the defaults,
// its growth at the end, its release, and the questions asked about it.
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "dv_env.h"
#include "dv_err.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "runtime_state.h"
#include "address_word.h"

namespace dv_qem {

namespace {

constexpr uint64_t kAddressLimit = uint64_t{1} << 32;

uint64_t wide_word_of(const void* p) { return reinterpret_cast<uintptr_t>(p); }
char* as_address(uint64_t w) { return reinterpret_cast<char*>(static_cast<uintptr_t>(w)); }

// Reserves [start, start + size) exactly; null when taken or beyond the
// 32-bit address space.
char* reserve_exactly(uint64_t start, dv4u size) {
  if (start == 0 || start + size > kAddressLimit) return nullptr;
  return dv_try_reserve_memory(as_address(start), size);
}

}  // namespace

void _DV_int::set_region(char* start, dv4u size) {
  region_start_ = start;
  region_size_ = size;
  dv_set_memory_region(start, size);
}

void _DV_int::reserve_address_space(dv4u n) {
  const dv4u page = get_page_size();
  if (n == 0) {
    DV_ASSERT(region_size_ == 0);
    dv4u env_start = _VRN_getenv_integer("DV_QEM_AS_START", nullptr, page);
    dv4u env_size = _VRN_getenv_integer("DV_QEM_AS_SIZE", nullptr, page);
    dv4u start = env_start != 0 ? env_start : default_start_;
    dv4u size = env_size != 0 ? env_size : default_size_;
    if (trace_level_ != 0) _VRN_printf("DV_int::reserve_address_space(0x%x,%d)\n", start, static_cast<int>(size));
    char* reserved = reserve_exactly(start, size);
    if (reserved == nullptr && env_start == 0) reserved = dv_try_reserve_memory(nullptr, size);
    if (reserved == nullptr)
      throw dv_err_out_of_virtual_memory("dv_get_address_space:VirtualAlloc(0x%x, %d) failed", start,
                                         static_cast<int>(size));
    set_region(reserved, size);
    return;
  }
  DV_ASSERT(region_size_ != 0);
  uint64_t end = wide_word_of(region_start_) + region_size_;
  if (trace_level_ != 0)
    _VRN_printf("DV_int::reserve_address_space(0x%x,%d)\n", static_cast<unsigned>(end), static_cast<int>(n));
  if (reserve_exactly(end, n) == nullptr)
    throw dv_err_out_of_virtual_memory("dv_get_address_space:VirtualAlloc(0x%x, %d) failed",
                                       static_cast<unsigned>(end), static_cast<int>(n));
  set_region(region_start_, region_size_ + n);
}

void _DV_int::release_address_space() {
  dv_unreserve_memory(region_start_, region_size_);
  set_region(nullptr, 0);
}

char* _DV_int::get_region_start() { return region_start_; }
dv4u _DV_int::get_region_size() { return region_size_; }

int _DV_int::is_persistent(const void* address) {
  uint64_t a = wide_word_of(address);
  uint64_t start = wide_word_of(region_start_);
  return a >= start && a - start < region_size_ ? 1 : 0;
}

dv4u _DV_int::compute_ptr_hash(const void* address) {
  const DVDB* db = lookup_DVDB_by_address(address);
  dv4u offset = word_of(address) - (db != nullptr ? word_of(db->space_start()) : 0u);
  return offset * 9987001u;
}

void _VRN_set_default_address_space(char* start, unsigned size) {
  _VRN_thread_lock lock;
  if (_DV_int::region_size_ != 0) return;
  const dv4u page = _DV_int::get_page_size();
  _DV_int::default_start_ = word_of(start) & ~(page - 1);
  _DV_int::default_size_ = static_cast<dv4u>((uint64_t{size} + page - 1) & ~uint64_t{page - 1});
}

}  // namespace dv_qem
