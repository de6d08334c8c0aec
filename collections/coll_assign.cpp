// Assignment of dv_collection (slots 23 and 24): this collection's elements
// become one element, or another collection's elements in its order.
#include "coll_algebra.h"

namespace dv_qem {

dv_collection& dv_collection::_assign(const void* e) {
  clear();
  _insert(e);
  return *this;
}

dv_collection& dv_collection::_assign(const dv_collection& other) {
  if (_Coll_same(*this, other)) return *this;
  if (_cardinality() != 0) _clear();
  _re_initialize(other._cardinality());
  _Coll_for_each(other, 0, [this](void* e) { _insert(e); });
  return *this;
}

}  // namespace dv_qem
