// The public operations of dv_collection that add something to their slot,
// and the base class's defaults of the protocol slots that have one.
#include "dv_coll_err.h"
#include "dv_coll_session.h"
#include "dv_collection.h"
#include "coll_messages.h"

namespace dv_qem {

void* dv_collection::remove_first() {
  const void* out = nullptr;
  return _remove_first(out) != 0 ? const_cast<void*>(out) : nullptr;
}

void* dv_collection::remove_last() {
  const void* out = nullptr;
  return _remove_last(out) != 0 ? const_cast<void*>(out) : nullptr;
}

void* dv_collection::retrieve_first() const {
  const void* out = nullptr;
  return _retrieve_first(out) != 0 ? const_cast<void*>(out) : nullptr;
}

void* dv_collection::retrieve_last() const {
  const void* out = nullptr;
  return _retrieve_last(out) != 0 ? const_cast<void*>(out) : nullptr;
}

void* dv_collection::pick() const { return _empty() ? nullptr : _pick(); }

void* dv_collection::only() const {
  unsigned n = _cardinality();
  if (n == 0) return nullptr;
  if (n > 1) dv_coll_raise<coll_msg::only_on_several_elements>();
  return _only();
}

void dv_collection::check_rep_invariants() const {
  _VRN_session_lock lock;
  _VRN_get_subsystem_local_coll(_Session::get_current(0));
  _check_rep_invariants();
}

dv_collection* dv_collection::_get_innermost_collection() { return this; }

int dv_collection::_remove_all(const void* e) {
  if (!_contains(e)) return 0;
  while (_remove(e) != 0) {
  }
  return 1;
}

void dv_collection::_unbind_cursor(dv_cursor&) const {}
unsigned dv_collection::_update_cardinality() { return _cardinality(); }
unsigned dv_collection::_cardinality_estimate() const { return _cardinality(); }
int dv_collection::_cardinality_is_maintained() const { return 1; }
void dv_collection::_re_initialize(unsigned) {}
int dv_collection::has_indexes() const { return 1; }

void dv_collection::_add_index(const dv_index_path&, int, const void*, dv_cluster*) {
  throw dv_err_not_supported("%s", "dv_collection::_add_index");
}

void dv_collection::_destroy() {}
int dv_collection::_is_user_coll() const { return 1; }
void dv_collection::_set_untransformed(int) {}
void dv_collection::evolve_rep() {}

}  // namespace dv_qem
