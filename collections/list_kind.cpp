// The list kind: typespecs of the head and its blocks, construction and
// destruction, creation by kind name and the registration of the maker of
// "dv_List" when the library is loaded.
#include <cstddef>

#include "dv_list.h"
#include "dv_typespec.h"
#include "list_storage.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_list, "dv_qem::dv_list", DV_POINTERS(16, 20, 24, 28, 32), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_qem::_List_block, "dv_qem::dv_chained_list_block_pt<8>",
                   DV_POINTERS(4, 8, 12, 16, 20, 24, 28, 32, 36), DV_NO_VTABLES);

namespace dv_qem {

// The stored offsets of the head (offsetof on a class with a virtual-table
// pointer: GCC lays it out as a plain structure after that pointer).
struct _List_layout {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(sizeof(dv_list) == 36);
  static_assert(offsetof(dv_list, flags_) == 4);
  static_assert(offsetof(dv_list, local_card_) == 8);
  static_assert(offsetof(dv_list, reserved_) == 10);
  static_assert(offsetof(dv_list, cardinality_) == 12);
  static_assert(offsetof(dv_list, indexes_) == 16);
  static_assert(offsetof(dv_list, slots_) == 20);
#pragma GCC diagnostic pop
};

template <>
dv_typespec* dv_chained_list_block_pt<8>::get_dv_typespec() {
  return &dv_ts<_List_block>::the_instance;
}

dv_typespec* dv_list::get_dv_typespec() { return &dv_ts<dv_list>::the_instance; }

dv_list::dv_list(unsigned, unsigned behavior) {
  if (behavior & dv_list_refuses_duplicates)
    flags_ = disallow_duplicates_bit | ((behavior & dv_signal_duplicates) != 0 ? dv4u{signal_duplicates_bit} : dv4u{0});
}

dv_list::~dv_list() {
  _clear();
  flags_ = 0;
}

dv_collection* dv_list::make(const _Coll_placement& where, unsigned expected, unsigned behavior, unsigned,
                             const void*) {
  return _Coll_construct<dv_list>(where, get_dv_typespec(), expected, behavior);
}

dv_list& dv_list::create(dv_database* db, unsigned behavior, unsigned expected) {
  return *_Coll_make_rep("dv_List", _Coll_placement::in(db), expected, behavior, 0, nullptr);
}

dv_list& dv_list::create(const void* hint, unsigned behavior, unsigned expected) {
  return *_Coll_make_rep("dv_List", _Coll_placement::near(hint), expected, behavior, 0, nullptr);
}

namespace {
const bool list_kind_registered = (_Coll_register_rep(_Coll_kind::list, &dv_list::make), true);
}  // namespace

}  // namespace dv_qem
