// Shared pieces of dv_collection's generic set algebra: whether two
// references reach the same collection (looking through facades), walking a
// collection's elements with a cursor that lives on the caller's stack, and
// holding a new transient collection until it is handed to the caller.
#pragma once

#include "dv_collection.h"
#include "dv_cursor.h"

namespace dv_qem {

// 1 when a and b reach the same representation: a facade counts as the
// collection behind it, so a facade and its representation are the same.
int _Coll_same(const dv_collection& a, const dv_collection& b);

// Calls visit(e) for every element of c, in the order a cursor with the
// options walks them. The cursor is destroyed on every path.
template <class Visit>
void _Coll_for_each(const dv_collection& c, int options, Visit visit) {
  dv_cursor cursor(c, options);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) visit(e);
}

// A new collection of the behaviour in the transient database, destroyed
// with this holder unless release() hands it over first. Creation never
// yields null: a failed allocation raises err_coll_internal.
class _Coll_transient_result {
 public:
  _Coll_transient_result(unsigned behavior, unsigned expected);
  _Coll_transient_result(const _Coll_transient_result&) = delete;
  _Coll_transient_result& operator=(const _Coll_transient_result&) = delete;
  ~_Coll_transient_result();

  dv_collection& get() const { return *collection_; }
  // Gives up ownership; the caller destroys the collection.
  dv_collection& release();

 private:
  dv_collection* collection_;
};

}  // namespace dv_qem
