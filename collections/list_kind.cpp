// The list kind: the typespec of dv_list, creation by kind name and the
// registration of the maker of "dv_List" when the library is loaded.
#include "dv_list.h"
#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_list, "dv_qem::dv_list", DV_POINTERS(16, 20, 24, 28, 32), DV_VTABLES(0));

namespace dv_qem {

dv_typespec* dv_list::get_dv_typespec() { return &dv_ts<dv_list>::the_instance; }

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
