// The comparisons of dv_collection (slots 20, 37-48), with multiplicity: with
// an element they compare against the collection holding just that element;
// with another collection, <= and >= are inclusion counting occurrences, and
// ordered_equal compares two walks element by element.
#include "coll_algebra.h"
#include "coll_messages.h"

namespace dv_qem {

namespace {

// 1 when, walking here, no element occurs more often here than in there.
int included_in(const dv_collection& here, const dv_collection& there) {
  dv_cursor cursor(here);
  void* e = nullptr;
  for (int found = cursor.first(e); found; found = cursor.next(e))
    if (here.count(e) > there.count(e)) return 0;
  return 1;
}

}  // namespace

int dv_collection::_ordered_equal(const dv_collection& other) const {
  if ((_get_behavior() & dv_maintain_order) == 0) dv_coll_raise<coll_msg::ordered_equal_unordered_argument>();
  if (cardinality() != other.cardinality()) return 0;
  if (cardinality() == 0) return 1;
  dv_cursor mine(*this);
  dv_cursor theirs(other);
  for (; mine.more(); mine.next(), theirs.next())
    if (!theirs.more() || mine.retrieve() != theirs.retrieve()) return 0;
  return 1;
}

int dv_collection::_eq(const void* e) const { return cardinality() == 1 && _contains(e) ? 1 : 0; }

int dv_collection::_eq(const dv_collection& other) const {
  if (cardinality() != other.cardinality()) return 0;
  // Containment suffices only when neither side can hold an element twice: a
  // set {a, b} is not equal to a bag {a, a}.
  const bool counted = ((_get_behavior() | other.get_behavior()) & dv_allow_duplicates) != 0;
  dv_cursor cursor(other);
  void* e = nullptr;
  for (int found = cursor.first(e); found; found = cursor.next(e)) {
    if (counted ? count(e) != other.count(e) : !contains(e)) return 0;
  }
  return 1;
}

int dv_collection::_ne(const void* e) const { return _eq(e) ? 0 : 1; }
int dv_collection::_ne(const dv_collection& other) const { return _eq(other) ? 0 : 1; }

int dv_collection::_lt(const void*) const { return _empty() ? 1 : 0; }

int dv_collection::_lt(const dv_collection& other) const {
  return cardinality() < other.cardinality() && _le(other) ? 1 : 0;
}

int dv_collection::_le(const void* e) const {
  const unsigned n = _cardinality();
  return n == 0 || (n == 1 && _pick() == e) ? 1 : 0;
}

int dv_collection::_le(const dv_collection& other) const { return included_in(*this, other); }

int dv_collection::_gt(const void* e) const { return cardinality() > 1 && contains(e) ? 1 : 0; }

int dv_collection::_gt(const dv_collection& other) const {
  return cardinality() > other.cardinality() && _ge(other) ? 1 : 0;
}

int dv_collection::_ge(const void* e) const { return _contains(e) ? 1 : 0; }

int dv_collection::_ge(const dv_collection& other) const { return included_in(other, *this); }

}  // namespace dv_qem
