// The address checks of the string library: persistent addresses are always
// valid (their pages are read on first touch); any other range is checked
// against the process's memory map.
#include <cstdint>
#include <cstdio>

#include "durnavel.h"
#include "qem_string.h"

namespace {

constexpr std::uint64_t kPageSize = 4096;

// Whether every byte of [begin, end) lies in mappings that allow reading
// (and, with writable, writing). The map lists mappings in address order.
bool range_accessible(std::uint64_t begin, std::uint64_t end, bool writable) {
  std::FILE* maps = std::fopen("/proc/self/maps", "r");
  if (maps == nullptr) return false;
  char line[512];
  std::uint64_t covered = begin;
  bool accessible = false;
  while (!accessible && std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long long low = 0, high = 0;
    char permissions[5] = {};
    if (std::sscanf(line, "%llx-%llx %4s", &low, &high, permissions) != 3) continue;
    if (high <= covered) continue;
    if (low > covered || permissions[0] != 'r' || (writable && permissions[1] != 'w')) break;
    covered = high;
    accessible = covered >= end;
  }
  std::fclose(maps);
  return accessible;
}

std::uint64_t address_of(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// Whether the text of units of CHAR can be read: length units, or (length
// -1) up to its NUL, checked one page at a time before it is read.
template <class CHAR>
BOOL text_readable(const CHAR* text, int length) {
  if (dv_qem::durnavel::is_persistent(text)) return TRUE;
  if (text == nullptr) return FALSE;
  std::uint64_t begin = address_of(text);
  if (length >= 0) return range_accessible(begin, begin + static_cast<std::uint64_t>(length) * sizeof(CHAR), false);
  for (const CHAR* unit = text;;) {
    // To the end of the page holding the unit's last byte (a unit may
    // straddle two pages).
    std::uint64_t page_end = ((address_of(unit) + sizeof(CHAR) - 1) / kPageSize + 1) * kPageSize;
    if (!range_accessible(address_of(unit), page_end, false)) return FALSE;
    for (; address_of(unit) + sizeof(CHAR) <= page_end; ++unit) {
      if (*unit == 0) return TRUE;
    }
  }
}

}  // namespace

BOOL AfxQEMIsValidString(const char* text, int length) { return text_readable(text, length); }

BOOL AfxQEMIsValidString(const unsigned short* text, int length) { return text_readable(text, length); }

BOOL AfxQEMIsValidAddress(const void* p, UINT size, BOOL writable) {
  if (dv_qem::durnavel::is_persistent(p)) return TRUE;
  if (p == nullptr) return FALSE;
  std::uint64_t begin = address_of(p);
  std::uint64_t end = begin + (size == 0 ? 1 : size);
  return range_accessible(begin, end, writable != 0) ? TRUE : FALSE;
}
