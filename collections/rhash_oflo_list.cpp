// The overflow list of a keyed hash-table slot: creation next to its chained
// list, removal with the inconsistency check, and positioning of the
// dictionary cursor's overflow cursor.
#include "rhash_oflo_list.h"

#include <new>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_cursor.h"
#include "dv_new.h"
#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_qem::_RH_oflo_list, "dv_qem::_RH_oflo_list", DV_POINTERS(0), DV_NO_VTABLES);

namespace dv_qem {

dv_typespec* _RH_oflo_list::get_dv_typespec() { return &dv_ts<_RH_oflo_list>::the_instance; }

_RH_oflo_list::_RH_oflo_list() {
  void* storage =
      ::operator new(sizeof(dv_chained_list_4_8), dv_cluster::with(this), dv_chained_list_4_8::get_dv_typespec());
  if (storage != nullptr) list_ = ::new (storage) dv_chained_list_4_8(0, 0);
}

_RH_oflo_list* _RH_oflo_list::create(dv_database* db, const void* first, const void* second) {
  void* storage = ::operator new(sizeof(_RH_oflo_list), db, get_dv_typespec());
  if (storage == nullptr)
    err_coll_internal.signal("allocation of an overflow list in database %p returned null", static_cast<void*>(db));
  auto* list = ::new (storage) _RH_oflo_list;
  if (list->elements() == nullptr) {
    ::operator delete(storage);
    err_coll_internal.signal("allocation of the chained list of an overflow list returned null");
  }
  list->elements()->_insert(first);
  list->elements()->_insert(second);
  return list;
}

void _RH_oflo_list::destroy(_RH_oflo_list* list) {
  if (list == nullptr) return;
  delete list->elements();
  list->list_ = nullptr;
  list->~_RH_oflo_list();
  ::operator delete(list);
}

void _RH_oflo_list::remove(const void* value) {
  if (elements()->_remove(value) == 0) dv_coll_raise<coll_msg::oflo_list_remove_inconsistent>(value);
}

dv_cursor& _RH_oflo_list::cursor_over_list(_Rhash_cursor& c) const {
  c.activate_oflo_cursor(*elements());
  return *c.get_oflo_current();
}

int _RH_oflo_list::first(_Rhash_cursor& c, void*& value) const { return cursor_over_list(c).first(value); }

int _RH_oflo_list::last(_Rhash_cursor& c, void*& value) const { return cursor_over_list(c).last(value); }

}  // namespace dv_qem
