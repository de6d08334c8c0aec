// The and-assignment of dv_collection (slots 27, 28): each element stays as
// often as it occurs in both collections. With another collection, the first
// method that applies: counting (both count fast), a merge of two walks
// sorted by address (this collection is unordered), or matching against a
// transient copy of the other (this collection keeps its order).
#include <algorithm>
#include <cstdint>

#include "coll_algebra.h"

namespace dv_qem {

namespace {

std::uintptr_t address(const void* e) { return reinterpret_cast<std::uintptr_t>(e); }

// Removes the surplus occurrences of every element, counted on both sides.
void and_by_counting(dv_collection& self, const dv_collection& other) {
  _Coll_for_each(self, dv_cursor::update_insensitive, [&](void* e) {
    int mine = self._count(e);
    int surplus = mine - std::min(mine, other._count(e));
    for (int i = 0; i < surplus; ++i) self._remove(e);
  });
}

// Empties self and inserts back every element common to both walks, min(a, b)
// times, walking both in address order.
void and_by_address_merge(dv_collection& self, const dv_collection& other) {
  dv_cursor mine(self, dv_cursor::sort_by_addrs);
  dv_cursor theirs(other, dv_cursor::sort_by_addrs);
  void* a = nullptr;
  void* b = nullptr;
  int more_mine = mine.first(a);
  int more_theirs = theirs.first(b);
  self._clear();
  while (more_mine && more_theirs) {
    if (address(a) < address(b)) {
      more_mine = mine.next(a);
    } else if (address(b) < address(a)) {
      more_theirs = theirs.next(b);
    } else {
      self._insert(a);
      more_mine = mine.next(a);
      more_theirs = theirs.next(b);
    }
  }
}

// Keeps, in self's order, each element while a transient bag of the other's
// elements still holds an occurrence of it (and uses that occurrence up).
void and_in_order(dv_collection& self, const dv_collection& other) {
  _Coll_transient_result unmatched(dv_allow_duplicates, self.cardinality());
  unmatched.get()._assign(other);
  dv_cursor cursor(self);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    if (unmatched.get().contains(e))
      unmatched.get().remove(e);
    else
      self._remove_at(cursor);
  }
}

}  // namespace

dv_collection& dv_collection::_assign_and(const void* e) {
  const int was_there = _contains(e);
  clear();
  if (was_there) _insert(e);
  return *this;
}

dv_collection& dv_collection::_assign_and(const dv_collection& other) {
  if (_Coll_same(*this, other)) return *this;
  if (_fast_count() != 0 && other._fast_count() != 0)
    and_by_counting(*this, other);
  else if ((_get_behavior() & dv_maintain_order) == 0)
    and_by_address_merge(*this, other);
  else
    and_in_order(*this, other);
  return *this;
}

}  // namespace dv_qem
