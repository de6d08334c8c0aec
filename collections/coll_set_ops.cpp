// The non-assigning operators of dv_collection (slots 31-36): each builds a
// new collection in the transient database, of the behaviour the operands
// combine to, and applies the matching assignment to it. The caller owns the
// result and frees it with dv_collection::destroy; when a step fails the
// result is destroyed before the error leaves.
#include <algorithm>

#include "coll_algebra.h"

namespace dv_qem {

namespace {

unsigned combined(const dv_collection& a, const dv_collection& b) {
  return dv_collection::combine_behavior(a.get_behavior(), b.get_behavior());
}

}  // namespace

dv_collection& dv_collection::_or(const void* e) const {
  _Coll_transient_result result(combined(*this, *this), cardinality() + 1);
  result.get()._assign(*this);
  result.get()._assign_or(e);
  return result.release();
}

dv_collection& dv_collection::_or(const dv_collection& other) const {
  _Coll_transient_result result(combined(*this, other), cardinality() + other.cardinality());
  result.get()._assign(*this);
  result.get()._assign_or(other);
  return result.release();
}

dv_collection& dv_collection::_and(const void* e) const {
  _Coll_transient_result result(combined(*this, *this), 1);
  if (contains(e)) result.get()._assign_or(e);
  return result.release();
}

dv_collection& dv_collection::_and(const dv_collection& other) const {
  _Coll_transient_result result(combined(*this, other), std::min(cardinality(), other.cardinality()));
  result.get()._assign(*this);
  result.get()._assign_and(other);
  return result.release();
}

dv_collection& dv_collection::_sub(const void* e) const {
  _Coll_transient_result result(combined(*this, *this), cardinality());
  result.get()._assign(*this);
  result.get()._assign_sub(e);
  return result.release();
}

dv_collection& dv_collection::_sub(const dv_collection& other) const {
  _Coll_transient_result result(combined(*this, other), cardinality());
  result.get()._assign(*this);
  result.get()._assign_sub(other);
  return result.release();
}

}  // namespace dv_qem
