// The query and index entry points of dv_collection: the system has no query
// or index machinery, so each throws dv_err_not_supported with its name.
#include "dv_collection.h"
#include "dv_err.h"

namespace dv_qem {

namespace {
[[noreturn]] void unsupported(const char* name) { throw dv_err_not_supported("%s", name); }
}  // namespace

dv_collection& dv_collection::query(const char*, const char*, dv_bound_query*) const { unsupported("dv_collection::query"); }
dv_collection& dv_collection::query(const char*, dv_bound_query*, const char*) const { unsupported("dv_collection::query"); }
dv_collection& dv_collection::query(dv_bound_query*) const { unsupported("dv_collection::query"); }
void* dv_collection::query_pick(const char*, const char*, dv_bound_query*) const { unsupported("dv_collection::query_pick"); }
void* dv_collection::query_pick(const char*, dv_bound_query*, const char*) const { unsupported("dv_collection::query_pick"); }
void* dv_collection::query_pick(dv_bound_query*) const { unsupported("dv_collection::query_pick"); }
dv_collection& dv_collection::_this_query(dv_bound_query*) const { unsupported("dv_collection::_this_query"); }
void* dv_collection::_this_pick_query(dv_bound_query*) const { unsupported("dv_collection::_this_pick_query"); }
void* dv_collection::pick(const dv_index_path&, const dv_coll_range&) const { unsupported("dv_collection::pick"); }
void dv_collection::add_index(const dv_index_path&, dv_segment*) { unsupported("dv_collection::add_index"); }
void dv_collection::maintain_index_insert(const void*) { unsupported("dv_collection::maintain_index_insert"); }
void dv_collection::maintain_index_remove(const void*) { unsupported("dv_collection::maintain_index_remove"); }
void dv_collection::maintain_index_remove_for_sure(const void*) { unsupported("maintain_index_remove_for_sure"); }

}  // namespace dv_qem
