// Where a database's address range goes inside the region: the first free
// range, the stored range when it is free, and room to grow after a range.
#include <cstdint>

#include "dv_err.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "runtime_state.h"
#include "address_word.h"

namespace dv_qem {

namespace {

uint64_t wide_word_of(const void* p) { return reinterpret_cast<uintptr_t>(p); }
char* as_address(uint64_t w) { return reinterpret_cast<char*>(static_cast<uintptr_t>(w)); }

uint64_t start_of(const DVDB* db) { return wide_word_of(db->space_start()); }
uint64_t end_of(const DVDB* db) { return wide_word_of(db->space_start()) + db->reserved_size(); }

}  // namespace

char* _DV_int::reserve_db_space_anywhere(dv4u r) {
  const dv4u page = get_page_size();
  uint64_t candidate = (wide_word_of(region_start_) + page - 1) & ~uint64_t{page - 1};
  if (databases_ == nullptr) {
    if (r > region_size_) reserve_address_space(r - region_size_);
  } else {
    // The gap after each database, up to the next one or the region end; the
    // space before the first database is left alone.
    for (const DVDB* db = databases_; db != nullptr; db = db->next_listed()) {
      uint64_t gap_start = end_of(db);
      const DVDB* following = db->next_listed();
      uint64_t gap_end = following != nullptr ? start_of(following) : wide_word_of(region_start_) + region_size_;
      uint64_t gap = gap_end > gap_start ? gap_end - gap_start : 0;
      if (gap >= r) {
        candidate = gap_start;
        break;
      }
      if (db->next_listed() == nullptr) {
        reserve_address_space(static_cast<dv4u>(r - gap));
        candidate = gap_start;
      }
    }
  }
  if (trace_level_ != 0)
    _VRN_printf("DV_int::reserve_db_space_anywhere(%d): 0x%x\n", static_cast<int>(r),
              static_cast<unsigned>(candidate));
  uint64_t region_end = wide_word_of(region_start_) + region_size_;
  if (candidate < wide_word_of(region_start_) || candidate + r > region_end || candidate % page != 0)
    throw dv_err_internal("About to return an invalid address space start: 0x%x", static_cast<unsigned>(candidate));
  return as_address(candidate);
}

int _DV_int::db_space_fits(const char* start, dv4u size) {
  uint64_t s = wide_word_of(start);
  uint64_t e = s + size;
  if (s < wide_word_of(region_start_) || e > wide_word_of(region_start_) + region_size_) return 0;
  for (const DVDB* db = databases_; db != nullptr; db = db->next_listed())
    if (s < end_of(db) && start_of(db) < e) return 0;
  return 1;
}

char* _DV_int::reserve_db_space_for(const char* name, char* start, dv4u r) {
  const dv4u page = get_page_size();
  DV_ASSERT(wide_word_of(start) % page == 0 && r % page == 0);
  uint64_t s = wide_word_of(start);
  uint64_t e = s + r;
  uint64_t region_end = wide_word_of(region_start_) + region_size_;
  // With no database open the range must lie in the region; below the
  // region it never can.
  if ((databases_ == nullptr && e > region_end) || s < wide_word_of(region_start_))
    throw dv_err_address_space_exhausted(
        "No address space is reserved at the requested start 0x%x, size %d.  Set DV_QEM_AS_START/SIZE to an "
        "alternate value (0x%x, %d).",
        word_of(start), static_cast<int>(r), word_of(region_start_), static_cast<int>(region_size_));
  if (databases_ != nullptr) {
    // before: the last database starting at or below start (null when start
    // lies before the first one); start lies in the gap that follows it.
    const DVDB* before = nullptr;
    for (const DVDB* db = databases_; db != nullptr && start_of(db) <= s; db = db->next_listed()) before = db;
    const DVDB* after = before != nullptr ? before->next_listed() : databases_;
    if ((before != nullptr && s < end_of(before)) || (after != nullptr && e > start_of(after)))
      throw dv_err_address_space_assigned(
          "Address space for database %s (0x%x,%d) is already assigned to another database", name,
          word_of(start), static_cast<int>(r));
    uint64_t gap_end = after != nullptr ? start_of(after) : region_end;
    if (e > gap_end) {
      if (after != nullptr) throw dv_err_address_space_exhausted("Out of address space left for database %s.", name);
      reserve_address_space(static_cast<dv4u>(e - region_end));
    }
  }
  if (trace_level_ != 0)
    _VRN_printf("DV_int::reserve_db_space_for(%s,0x%x,%d): 0x%x\n", name, word_of(start), static_cast<int>(r),
              word_of(start));
  return start;
}

int _DV_int::can_grow_db_space(const DVDB* db, dv4u r, dv4u& room) {
  uint64_t end = end_of(db);
  const DVDB* following = db->next_listed();
  uint64_t limit = following != nullptr ? start_of(following) : wide_word_of(region_start_) + region_size_;
  int can_grow = 0;
  room = 0;
  if (limit > end) {
    room = static_cast<dv4u>(limit - end);
    can_grow = 1;
  } else if (limit == end && db->next_listed() == nullptr) {
    reserve_address_space(r);
    room = r;
    can_grow = 1;
  }
  if (trace_level_ != 0)
    _VRN_printf("DV_int::can_grow_db_space(%s,%d,%d): %d\n", db->space_name(), static_cast<int>(r),
              static_cast<int>(room), can_grow);
  return can_grow;
}

}  // namespace dv_qem
