// Back pointer records: clearing, their stored layout and dv_backptr's
// typespec.
#include <cstddef>

#include "dv_backptr.h"

namespace dv_qem {

struct _Backptr_layout {
  static_assert(sizeof(dv_backptr) == 12);
  static_assert(offsetof(dv_backptr, component_) == 0);
  static_assert(offsetof(dv_backptr, next_) == 4);
  static_assert(offsetof(dv_backptr, position_) == 8);
  static_assert(sizeof(_Backptr) == 12);
  static_assert(offsetof(_Backptr, component_) == 0);
  static_assert(offsetof(_Backptr, next_) == 4);
  static_assert(offsetof(_Backptr, position_) == 8);
};

void dv_backptr::clear() {
  component_ = nullptr;
  next_ = nullptr;
  position_ = 0;
}

void _Backptr::clear() {
  component_ = nullptr;
  next_ = nullptr;
  position_ = 0;
}

}  // namespace dv_qem

DV_DEFINE_TYPESPEC(dv_qem::dv_backptr, "dv_qem::dv_backptr", DV_POINTERS(4), DV_NO_VTABLES);

dv_qem::dv_typespec* dv_qem::dv_backptr::get_dv_typespec() { return &dv_ts<dv_backptr>::the_instance; }
