// The or- and minus-assignments of dv_collection (slots 25, 26, 29, 30), with
// multiplicity: or adds every occurrence of the other collection, minus takes
// away one occurrence per occurrence (or, on an ordered collection with a
// fast-counting argument, every occurrence of each element the argument
// holds).
#include "coll_algebra.h"

namespace dv_qem {

dv_collection& dv_collection::_assign_or(const void* e) {
  _insert(e);
  return *this;
}

dv_collection& dv_collection::_assign_or(const dv_collection& other) {
  const bool self = _Coll_same(*this, other);
  if (self && (_get_behavior() & dv_allow_duplicates) == 0) return *this;
  // Or-ing a collection with itself walks a snapshot, so the insertions do
  // not feed the walk: a bag doubles every occurrence.
  _Coll_for_each(other, self ? dv_cursor::update_insensitive : 0, [this](void* e) { _insert(e); });
  return *this;
}

dv_collection& dv_collection::_assign_sub(const void* e) {
  _remove(e);
  return *this;
}

dv_collection& dv_collection::_assign_sub(const dv_collection& other) {
  if (_Coll_same(*this, other)) {
    clear();
    return *this;
  }
  if (other._fast_count() != 0 && (_get_behavior() & dv_maintain_order) != 0) {
    dv_cursor cursor(*this);
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e))
      if (other._contains(e)) _remove_at(cursor);
    return *this;
  }
  _Coll_for_each(other, 0, [this](void* e) { _remove(e); });
  return *this;
}

}  // namespace dv_qem
