// Copying into persistent memory with the C library's routines.
//
// The store refuses a write (a read-only transaction, a page that cannot be
// read) by raising an exception from the fault the write causes. The C
// library's copy routines carry no unwind information for every instruction,
// so an exception raised from a fault inside one of them cannot unwind and
// ends the process. These wrappers first write every page of the destination
// in our own code (the byte that is there, back in place), so a refused write
// faults here, where it unwinds; then they let the C library copy.
#ifndef DV_PERSISTENT_COPY_H
#define DV_PERSISTENT_COPY_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dv_qem {

// The smallest unit whose protection the store changes: the processor's page.
constexpr std::uintptr_t kProtectionUnit = 4096;

// Faults in every page of [p, p + n) for writing, changing no byte.
inline void claim_for_write(void* p, std::size_t n) {
  if (n == 0) return;
  auto* const first = static_cast<volatile char*>(p);
  volatile char* const last = first + (n - 1);
  for (volatile char* c = first; c < last;
       c = reinterpret_cast<volatile char*>((reinterpret_cast<std::uintptr_t>(c) | (kProtectionUnit - 1)) + 1))
    *c = *c;
  *last = *last;
}

inline void* persistent_memmove(void* to, const void* from, std::size_t n) {
  claim_for_write(to, n);
  return std::memmove(to, from, n);
}

inline void* persistent_memcpy(void* to, const void* from, std::size_t n) {
  claim_for_write(to, n);
  return std::memcpy(to, from, n);
}

inline void* persistent_memset(void* to, int byte, std::size_t n) {
  claim_for_write(to, n);
  return std::memset(to, byte, n);
}

}  // namespace dv_qem

#endif
