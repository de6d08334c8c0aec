// Making and destroying shop objects and the list and array members of the
// shop classes, and registering objects in the shop's global lists by id.
#pragma once

#include "dv_coll_typed.h"
#include "fw_types.h"
#include "shop_state.h"

namespace objsch {

// A new empty list in the current shop database (persistent 1) or the
// transient database.
template <class T>
dv_qem::dv_List<T>* NewList(BOOL persistent) {
  return static_cast<dv_qem::dv_List<T>*>(
      dv_qem::dv_outofline_collection::generate_facade("dv_List", ShopDatabaseFor(persistent), 0, 0, 0, 0));
}

template <class T>
dv_qem::dv_Array<T>* NewArray(BOOL persistent) {
  return static_cast<dv_qem::dv_Array<T>*>(
      dv_qem::dv_outofline_collection::generate_facade("dv_Array", ShopDatabaseFor(persistent), 0, 0, 0, 0));
}

// Destroys the collection (its elements stay) and clears the member.
template <class C>
void DestroyList(C*& list) {
  if (list == nullptr) return;
  dv_qem::dv_collection::destroy(*list);
  list = nullptr;
}

}  // namespace objsch

#include <new>
#include <utility>

#include "durnavel.h"
#include "dv_new.h"

namespace objsch {

// A new T in the current shop database (persistent 1) or the transient
// database, allocated with T's descriptor and built from args.
template <class T, class... Args>
T* NewObject(BOOL persistent, Args&&... args) {
  void* place = ::operator new(sizeof(T), ShopDatabaseFor(persistent), &dv_qem::dv_ts<T>::the_instance);
  try {
    return ::new (place) T(std::forward<Args>(args)...);
  } catch (...) {
    dv_qem::durnavel::free_memory(place);
    throw;
  }
}

// Whether the object lies in a database other than the transient one.
inline BOOL IsPersistent(const void* object) { return dv_qem::durnavel::is_persistent(object); }

}  // namespace objsch

#include "dv_cursor.h"

namespace objsch {

// Runs the object's destructor and frees it.
template <class T>
void DeleteObject(T* object) {
  if (object == nullptr) return;
  object->~T();
  dv_qem::durnavel::free_memory(object);
}

// Registers object in a global list of the shop by id: an object whose id
// some element of the list carries counts as registered already (nothing is
// added); otherwise it is appended and, without an id, given draw(). Returns
// the object's id.
template <class T, class GetId, class SetId, class Draw>
dv4u RegisterById(dv_qem::dv_List<T>* list, T* object, GetId get_id, SetId set_id, Draw draw) {
  dv4u id = get_id(object);
  if (id != 0) {
    dv_qem::dv_cursor cursor(*list);
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e))
      if (get_id(static_cast<T*>(e)) == id) return id;
  }
  list->insert_last(object);
  if (id == 0) {
    id = static_cast<dv4u>(draw());
    set_id(object, id);
  }
  return id;
}

}  // namespace objsch
