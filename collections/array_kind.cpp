// The array kind: dv_array over the packed list, its stored layout and
// typespecs, its creation statics, and its maker, registered for the kind
// "dv_Array" when the library is loaded.
#include <cstddef>

#include "dv_array.h"
#include "dv_coll_rep_registry.h"

namespace dv_qem {

// The stored layout of a packed list (and of an array): 28 bytes.
struct _Packed_list_layout {
#pragma GCC diagnostic push
// offsetof on a class with a virtual-table pointer: GCC puts the pointer at
// offset 0 and the fields after it in declaration order.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(dv_packed_list, cardinality_) == 4);
  static_assert(offsetof(dv_packed_list, capacity_) == 8);
  static_assert(offsetof(dv_packed_list, slots_) == 12);
  static_assert(offsetof(dv_packed_list, high_water_) == 16);
  static_assert(offsetof(dv_packed_list, indexes_) == 20);
  static_assert(offsetof(dv_packed_list, half_capacity_) == 24);
#pragma GCC diagnostic pop
};
static_assert(sizeof(dv_packed_list) == 28 && sizeof(dv_array) == 28);

}  // namespace dv_qem

using namespace dv_qem;

// Pointer fields: the slot array, the high-water slot, the index list.
DV_DEFINE_TYPESPEC(dv_packed_list, "dv_qem::dv_packed_list", DV_POINTERS(12, 16, 20), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_array, "dv_qem::dv_array", DV_POINTERS(12, 16, 20), DV_VTABLES(0));

namespace dv_qem {

dv_typespec* dv_packed_list::get_dv_typespec() { return &dv_ts<dv_packed_list>::the_instance; }
dv_typespec* dv_array::get_dv_typespec() { return &dv_ts<dv_array>::the_instance; }

dv_array::dv_array(unsigned capacity, unsigned initial_count, const void* fill) : dv_packed_list(capacity) {
  for (unsigned i = 0; i < initial_count; ++i) _insert(fill);
}

void dv_array::set_cardinality(unsigned n, const void* fill) {
  const void* removed = nullptr;
  while (cardinality() > n) _remove_last(removed);
  while (cardinality() < n) _insert(fill);
}

namespace {

dv_collection* make_array(const _Coll_placement& where, unsigned expected, unsigned, unsigned initial_count,
                          const void* fill) {
  unsigned capacity = expected > initial_count ? expected : initial_count;
  return _Coll_construct<dv_array>(where, dv_array::get_dv_typespec(), capacity, initial_count, fill);
}

dv_array& made_array(dv_collection* rep) { return rep->operator dv_array&(); }

const bool array_kind_registered = (_Coll_register_rep(_Coll_kind::array, &make_array), true);

}  // namespace

dv_array& dv_array::create(dv_database* db, unsigned behavior, unsigned expected, unsigned initial_count,
                           const void* fill) {
  return made_array(_Coll_make_rep("dv_Array", _Coll_placement::in(db), expected, behavior, initial_count, fill));
}

dv_array& dv_array::create(const void* hint, unsigned behavior, unsigned expected, unsigned initial_count,
                           const void* fill) {
  return made_array(_Coll_make_rep("dv_Array", _Coll_placement::near(hint), expected, behavior, initial_count, fill));
}

}  // namespace dv_qem
