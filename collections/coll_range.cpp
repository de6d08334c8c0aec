// dv_coll_range: range cursors are not supported, so nothing makes one.
#include "dv_coll_range.h"
#include "dv_err.h"

namespace dv_qem {

namespace {
[[noreturn]] void no_ranges() { throw dv_err_not_supported("%s", "dv_coll_range::dv_coll_range()"); }
[[noreturn]] void no_fix_up() { throw dv_err_not_supported("%s", "dv_coll_range::fix_up_range"); }
}  // namespace

dv_coll_range::dv_coll_range(int, int) { no_ranges(); }
dv_coll_range::dv_coll_range(int, float) { no_ranges(); }
dv_coll_range::dv_coll_range(int, double) { no_ranges(); }
dv_coll_range::dv_coll_range(int, const void*) { no_ranges(); }
dv_coll_range::dv_coll_range(int, const void*, int, const void*) { no_ranges(); }
dv_coll_range::dv_coll_range(const dv_coll_range&) { no_ranges(); }
void dv_coll_range::fix_up_range(const char*) { no_fix_up(); }
void dv_coll_range::fix_up_range(int) { no_fix_up(); }

}  // namespace dv_qem
