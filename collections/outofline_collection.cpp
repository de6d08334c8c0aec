// The out-of-line facade: generation with its representation, ownership,
// copies and the forwarding slots that add something.
#include "coll_elements.h"
#include "dv_coll_err.h"
#include "dv_coll_rep_registry.h"
#include "dv_outofline_collection.h"

namespace dv_qem {

namespace {

// A transient representation of other's kind holding other's elements.
dv_collection* transient_copy_of(const dv_collection& other) {
  char kind[16];
  dv_collection::bits_to_rep(kind, other.get_behavior());
  dv_collection* rep = _Coll_make_rep(kind, _Coll_placement::in(dv_database::get_transient_database()),
                                      other.cardinality(), other.get_behavior(), 0, nullptr);
  try {
    _Coll_copy_elements(other, *rep);
  } catch (...) {
    delete rep;
    throw;
  }
  return rep;
}

dv_outofline_collection* facade_around(const _Coll_placement& where, dv_collection* rep) {
  try {
    return _Coll_construct<dv_outofline_collection>(where, dv_outofline_collection::get_dv_typespec(), rep);
  } catch (...) {
    delete rep;
    throw;
  }
}

}  // namespace

dv_outofline_collection::dv_outofline_collection(const dv_outofline_collection& other)
    : _dv_outofline_forwarding(other), reserved_(other.reserved_) {
  if (other.rep_ != nullptr) rep_ = transient_copy_of(*other.rep_);
}

dv_outofline_collection& dv_outofline_collection::operator=(const dv_outofline_collection& other) {
  if (this == &other) return *this;
  reserved_ = other.reserved_;
  if (other.rep_ == nullptr) {
    if (rep_ != nullptr) rep_->_clear();
  } else if (rep_ == nullptr) {
    rep_ = transient_copy_of(*other.rep_);
  } else {
    rep_->_clear();
    _Coll_copy_elements(*other.rep_, *rep_);
  }
  return *this;
}

dv_outofline_collection::~dv_outofline_collection() { delete rep_; }

dv_collection& dv_outofline_collection::rep() const {
  if (rep_ == nullptr) err_coll_internal.signal("dv_outofline_collection at %p has no representation", this);
  return *rep_;
}

void* dv_outofline_collection::_pick() const { return rep().pick(); }
void* dv_outofline_collection::_only() const { return rep().only(); }

dv_outofline_collection* dv_outofline_collection::generate_facade(const char* kind, dv_database* db,
                                                                  unsigned expected, unsigned behavior,
                                                                  unsigned initial_count, const void* fill) {
  _Coll_placement where = _Coll_placement::in(db);
  return facade_around(where, _Coll_make_rep(kind, where, expected, behavior, initial_count, fill));
}

dv_outofline_collection* dv_outofline_collection::generate_facade(const char* kind, const void* hint,
                                                                  unsigned expected, unsigned behavior,
                                                                  unsigned initial_count, const void* fill) {
  _Coll_placement where = _Coll_placement::near(dv_cluster::with(hint));
  return facade_around(where, _Coll_make_rep(kind, where, expected, behavior, initial_count, fill));
}

}  // namespace dv_qem
