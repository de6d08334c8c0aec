// _Mop_list<T>: the list fields of metaobjects, an embedded list facade whose
// dv_list representation is placed next to its owner.
#pragma once

#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_list.h"
#include "dv_new.h"

namespace dv_qem {

template <class T>
class _Mop_list : public dv_List<T> {
 public:
  // An empty list next to this facade.
  _Mop_list() {
    this->set_outofline(new (dv_cluster::with(this), dv_list::get_dv_typespec()) dv_list(0, 0));
  }
  explicit _Mop_list(dv_probe_t) : dv_List<T>(dv_probe) {}
  _Mop_list(const _Mop_list&) = delete;
  // The elements become other's, in its order (the representation stays).
  _Mop_list& operator=(const dv_collection& other) {
    this->_assign(other);
    return *this;
  }
  _Mop_list& operator=(const _Mop_list& other) { return *this = static_cast<const dv_collection&>(other); }

  // Calls f(T*) for each element in order.
  template <class F>
  void each(F f) const {
    dv_cursor c(*this);
    void* e = nullptr;
    for (int more = c.first(e); more; more = c.next(e)) f(static_cast<T*>(e));
  }
  // Deletes every element and empties the list (for lists that own theirs).
  void destroy_elements() {
    each([](T* e) { delete e; });
    this->clear();
  }
};

}  // namespace dv_qem
