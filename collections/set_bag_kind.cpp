// The set and bag kinds: typespecs of the hash bodies and their slots,
// creation by kind name and the registration of the makers of "dv_Set" and
// "dv_Bag" when the library is loaded.
#include "dv_dyn_hash.h"
#include "dv_typespec.h"

// Hash bodies: directory, key-type name and index list are pointers.
DV_DEFINE_TYPESPEC(dv_qem::dv_dyn_hash, "dv_qem::dv_dyn_hash", DV_POINTERS(24, 28, 32), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_qem::dv_dyn_bag, "dv_qem::dv_dyn_bag", DV_POINTERS(24, 28, 32), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_qem::dv_set, "dv_qem::dv_set", DV_POINTERS(24, 28, 32), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_qem::dv_bag, "dv_qem::dv_bag", DV_POINTERS(24, 28, 32), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_qem::_RH_dynhash_slot, "dv_qem::_RH_dynhash_slot", DV_POINTERS(0), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(dv_qem::_RH_dynhash_slot_dup, "dv_qem::_RH_dynhash_slot_dup", DV_POINTERS(0), DV_NO_VTABLES);

namespace dv_qem {

dv_typespec* _RH_dynhash_slot::get_dv_typespec() { return &dv_ts<_RH_dynhash_slot>::the_instance; }
dv_typespec* _RH_dynhash_slot_dup::get_dv_typespec() { return &dv_ts<_RH_dynhash_slot_dup>::the_instance; }
dv_typespec* dv_dyn_hash::get_dv_typespec() { return &dv_ts<dv_dyn_hash>::the_instance; }
dv_typespec* dv_dyn_bag::get_dv_typespec() { return &dv_ts<dv_dyn_bag>::the_instance; }
dv_typespec* dv_set::get_dv_typespec() { return &dv_ts<dv_set>::the_instance; }
dv_typespec* dv_bag::get_dv_typespec() { return &dv_ts<dv_bag>::the_instance; }

dv_collection* dv_set::make(const _Coll_placement& where, unsigned expected, unsigned, unsigned, const void*) {
  return _Coll_construct<dv_set>(where, get_dv_typespec(), expected);
}

dv_collection* dv_bag::make(const _Coll_placement& where, unsigned expected, unsigned, unsigned, const void*) {
  return _Coll_construct<dv_bag>(where, get_dv_typespec(), expected);
}

dv_set& dv_set::create(dv_database* db, unsigned, unsigned expected) {
  return static_cast<dv_set&>(*_Coll_make_rep("dv_Set", _Coll_placement::in(db), expected, 0, 0, nullptr));
}

dv_set& dv_set::create(const void* hint, unsigned, unsigned expected) {
  return static_cast<dv_set&>(*_Coll_make_rep("dv_Set", _Coll_placement::near(hint), expected, 0, 0, nullptr));
}

dv_bag& dv_bag::create(dv_database* db, unsigned, unsigned expected) {
  return static_cast<dv_bag&>(*_Coll_make_rep("dv_Bag", _Coll_placement::in(db), expected, 0, 0, nullptr));
}

dv_bag& dv_bag::create(const void* hint, unsigned, unsigned expected) {
  return static_cast<dv_bag&>(*_Coll_make_rep("dv_Bag", _Coll_placement::near(hint), expected, 0, 0, nullptr));
}

namespace {
const bool set_kind_registered = (_Coll_register_rep(_Coll_kind::set, &dv_set::make), true);
const bool bag_kind_registered = (_Coll_register_rep(_Coll_kind::bag, &dv_bag::make), true);
}  // namespace

}  // namespace dv_qem
