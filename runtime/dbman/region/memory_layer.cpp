// The memory layer over mmap, mprotect, madvise and munmap.
#include "memory_layer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "address_word.h"

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

namespace dv_qem {

namespace {

std::atomic<char*> region_start{nullptr};
std::atomic<dv4u> region_size{0};
std::atomic<int> tracing{0};

constexpr size_t kTextSize = 512;

int protection_of(int kind) {
  switch (kind) {
    case dv_memory_no_access:
      return PROT_NONE;
    case dv_memory_read_only:
      return PROT_READ;
    case dv_memory_read_write:
      return PROT_READ | PROT_WRITE;
  }
  DV_ASSERTION_FAILED(kind_ge_0_and_kind_le_2);
}

const char* protection_name(int kind) {
  static const char* const names[] = {"PAGE_NOACCESS", "PAGE_READONLY", "PAGE_READWRITE"};
  return names[kind];
}

// True when [address, address + size) lies inside the region. Page
// operations refuse anything else: mprotect or madvise on memory the runtime
// does not own would change or wipe it.
bool inside_region(const void* address, dv4u size) {
  uint64_t start = reinterpret_cast<uintptr_t>(region_start.load());
  uint64_t end = start + region_size.load();
  uint64_t a = reinterpret_cast<uintptr_t>(address);
  return start != 0 && a >= start && a + size <= end;
}

bool is_page_aligned(const void* address) {
  return reinterpret_cast<uintptr_t>(address) % dv_memory_page_size() == 0;
}

// Takes the access away from every mapped page of the range; pages that are
// not mapped have none to take.
void protect_pages_no_access(char* address, dv4u size) {
  const dv4u page = dv_memory_page_size();
  for (dv4u offset = 0; offset < size; offset += page) {
    char* p = address + offset;
    if (mprotect(p, page, PROT_NONE) != 0 && errno != ENOMEM)
      _VRN_signal_system_errorf(errno, "dv_protect_memory: VirtualProtect(0x%x, %d, PAGE_NOACCESS) failed",
                           word_of(p), static_cast<int>(page));
  }
}

}  // namespace

dv4u dv_memory_page_size() {
  static const dv4u page_size = static_cast<dv4u>(sysconf(_SC_PAGESIZE));
  return page_size;
}

void dv_set_memory_region(void* start, dv4u size) {
  region_size.store(0);
  region_start.store(static_cast<char*>(start));
  region_size.store(size);
}

char* dv_memory_region_start() { return region_start.load(); }
dv4u dv_memory_region_size() { return region_size.load(); }

void dv_set_memory_tracing(int on) { tracing.store(on); }

char* dv_try_reserve_memory(void* address, dv4u size) {
  int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
  if (address != nullptr) flags |= MAP_FIXED_NOREPLACE;
  void* p = mmap(address, size, PROT_NONE, flags, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  // Old kernels and the user-mode emulator treat a taken fixed range as a
  // mere hint and map elsewhere: that is a failure too.
  if (address != nullptr && p != address) {
    munmap(p, size);
    errno = EEXIST;
    return nullptr;
  }
  return static_cast<char*>(p);
}

char* dv_reserve_memory(dv4u size, void* address) {
  if (tracing.load()) _VRN_printf("dv_reserve_memory(%d, 0x%x)\n", static_cast<int>(size), word_of(address));
  if (address != nullptr) {
    if (address != region_start.load()) throw dv_err_internal("dv_reserve_memory for the wrong address");
    if (size != region_size.load()) throw dv_err_internal("dv_reserve_memory for the wrong size");
    return static_cast<char*>(address);
  }
  char* p = dv_try_reserve_memory(nullptr, size);
  if (p == nullptr)
    _VRN_signal_system_errorf(errno, "dv_reserve_memory: VirtualAlloc(0,%d) returned NULL", static_cast<int>(size));
  return p;
}

void dv_protect_memory(void* address, dv4u size, int kind) {
  if (tracing.load())
    _VRN_printf("dv_protect_memory(0x%x, %d, %d)\n", word_of(address), static_cast<int>(size), kind);
  int protection = protection_of(kind);
  char* p = static_cast<char*>(address);
  if (kind == dv_memory_no_access) {
    if (!inside_region(address, size))
      _VRN_signal_system_errorf(ENOMEM, "dv_protect_memory: VirtualProtect(0x%x, %d, PAGE_NOACCESS) failed",
                           word_of(address), static_cast<int>(size));
    if (mprotect(p, size, protection) != 0) protect_pages_no_access(p, size);
    return;
  }
  int error_number = inside_region(address, size) ? 0 : ENOMEM;
  if (error_number == 0 && mprotect(p, size, protection) != 0) error_number = errno;
  if (error_number != 0)
    _VRN_signal_system_errorf(error_number, "dv_protect_memory: VirtualProtect(0x%x, %d) returned FALSE",
                         word_of(address), static_cast<int>(size));
}

void dv_map_memory(void* address, dv4u size, int kind) {
  if (tracing.load())
    _VRN_printf("dv_map_memory(0x%x, %d, %d)\n", word_of(address), static_cast<int>(size), kind);
  if (size != dv_memory_page_size()) throw dv_err_internal("dv_map_memory called for non-page length");
  if (!is_page_aligned(address)) throw dv_err_internal("dv_map_memory called for non-page-aligned address");
  int protection = protection_of(kind);
  int error_number = inside_region(address, size) ? 0 : ENOMEM;
  if (error_number == 0 && mprotect(address, size, protection) != 0) error_number = errno;
  if (error_number != 0)
    _VRN_signal_system_errorf(error_number, "dv_map_memory: VirtualAlloc(0x%x, %d, MEM_COMMIT, %s) failed",
                         word_of(address), static_cast<int>(size), protection_name(kind));
}

void dv_map_memory_pages(void* address, dv4u n_pages, int kind) {
  if (tracing.load())
    _VRN_printf("dv_map_memory_pages(0x%x, %u, %d)\n", word_of(address), static_cast<unsigned>(n_pages), kind);
  if (!is_page_aligned(address)) throw dv_err_internal("dv_map_memory called for non-page-aligned address");
  const uint64_t size = uint64_t{n_pages} * dv_memory_page_size();
  int protection = protection_of(kind);
  int error_number = size <= UINT32_MAX && inside_region(address, static_cast<dv4u>(size)) ? 0 : ENOMEM;
  if (error_number == 0 && mprotect(address, static_cast<size_t>(size), protection) != 0) error_number = errno;
  if (error_number != 0)
    _VRN_signal_system_errorf(error_number, "dv_map_memory: VirtualAlloc(0x%x, %u, MEM_COMMIT, %s) failed",
                         word_of(address), static_cast<unsigned>(size), protection_name(kind));
}

void dv_unmap_memory(void* address, dv4u size) {
  if (tracing.load()) _VRN_printf("dv_unmap_memory(0x%x, %d)\n", word_of(address), static_cast<int>(size));
  if (size != dv_memory_page_size()) throw dv_err_internal("dv_unmap_memory called for non-page length");
  if (!is_page_aligned(address)) throw dv_err_internal("dv_unmap_memory called for non-page-aligned address");
  int error_number = inside_region(address, size) ? 0 : ENOMEM;
  if (error_number == 0 &&
      (madvise(address, size, MADV_DONTNEED) != 0 || mprotect(address, size, PROT_NONE) != 0))
    error_number = errno;
  if (error_number != 0)
    _VRN_signal_system_errorf(error_number, "dv_unmap_memory: VirtualFree(0x%x, %d, MEM_DECOMMIT",
                         word_of(address), static_cast<int>(size));
}

void dv_unreserve_memory(void* address, dv4u size) {
  if (tracing.load()) _VRN_printf("dv_unreserve_memory(0x%x, %d)\n", word_of(address), static_cast<int>(size));
  if (munmap(address, size) != 0)
    _VRN_signal_system_errorf(errno, "dv_unreserve_memory: VirtualFree(0x%x, %d, MEM_RELEASE) failed",
                         word_of(address), static_cast<int>(size));
}

}  // namespace dv_qem
