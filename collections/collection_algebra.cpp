// The base class's set algebra and comparison slots (20, 23-48). The generic
// algebra is a library of its own that replaces these bodies; until it is
// linked each slot throws dv_err_not_supported with its qualified name, so a
// representation without its own implementation fails loudly.
#include "dv_collection.h"
#include "dv_err.h"

namespace dv_qem {

namespace {
[[noreturn]] void algebra_missing(const char* name) { throw dv_err_not_supported("%s", name); }
}  // namespace

int dv_collection::_ordered_equal(const dv_collection&) const { algebra_missing("dv_collection::_ordered_equal"); }
dv_collection& dv_collection::_assign(const void*) { algebra_missing("dv_collection::_assign"); }
dv_collection& dv_collection::_assign(const dv_collection&) { algebra_missing("dv_collection::_assign"); }
dv_collection& dv_collection::_assign_or(const void*) { algebra_missing("dv_collection::_assign_or"); }
dv_collection& dv_collection::_assign_or(const dv_collection&) { algebra_missing("dv_collection::_assign_or"); }
dv_collection& dv_collection::_assign_and(const void*) { algebra_missing("dv_collection::_assign_and"); }
dv_collection& dv_collection::_assign_and(const dv_collection&) { algebra_missing("dv_collection::_assign_and"); }
dv_collection& dv_collection::_assign_sub(const void*) { algebra_missing("dv_collection::_assign_sub"); }
dv_collection& dv_collection::_assign_sub(const dv_collection&) { algebra_missing("dv_collection::_assign_sub"); }
dv_collection& dv_collection::_or(const void*) const { algebra_missing("dv_collection::_or"); }
dv_collection& dv_collection::_or(const dv_collection&) const { algebra_missing("dv_collection::_or"); }
dv_collection& dv_collection::_and(const void*) const { algebra_missing("dv_collection::_and"); }
dv_collection& dv_collection::_and(const dv_collection&) const { algebra_missing("dv_collection::_and"); }
dv_collection& dv_collection::_sub(const void*) const { algebra_missing("dv_collection::_sub"); }
dv_collection& dv_collection::_sub(const dv_collection&) const { algebra_missing("dv_collection::_sub"); }
int dv_collection::_eq(const void*) const { algebra_missing("dv_collection::_eq"); }
int dv_collection::_eq(const dv_collection&) const { algebra_missing("dv_collection::_eq"); }
int dv_collection::_ne(const void*) const { algebra_missing("dv_collection::_ne"); }
int dv_collection::_ne(const dv_collection&) const { algebra_missing("dv_collection::_ne"); }
int dv_collection::_lt(const void*) const { algebra_missing("dv_collection::_lt"); }
int dv_collection::_lt(const dv_collection&) const { algebra_missing("dv_collection::_lt"); }
int dv_collection::_le(const void*) const { algebra_missing("dv_collection::_le"); }
int dv_collection::_le(const dv_collection&) const { algebra_missing("dv_collection::_le"); }
int dv_collection::_gt(const void*) const { algebra_missing("dv_collection::_gt"); }
int dv_collection::_gt(const dv_collection&) const { algebra_missing("dv_collection::_gt"); }
int dv_collection::_ge(const void*) const { algebra_missing("dv_collection::_ge"); }
int dv_collection::_ge(const dv_collection&) const { algebra_missing("dv_collection::_ge"); }

}  // namespace dv_qem
