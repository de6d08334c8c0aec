// The overflow list of a keyed hash-table slot: when a key of a table that
// keeps duplicates has two or more elements, the slot's element pointer holds
// one of these, and the elements sit in a chained list next to it (a
// dv_chained_list_4_8; lists stored by earlier builds are its subclass
// dv_list, which behaves the same).
#pragma once

#include "dv_chained_list.h"
#include "dv_rhash_cursor.h"
#include "dv_types.h"

namespace dv_qem {

class _Rhash_cursor;
class dv_typespec;

class _RH_oflo_list {
 public:
  // Makes the chained list next to this object; when the allocation gives
  // null the list stays null.
  _RH_oflo_list();
  _RH_oflo_list(const _RH_oflo_list&) = delete;
  _RH_oflo_list& operator=(const _RH_oflo_list&) = delete;
  // Leaves the chained list alone: destroy() deletes both.
  ~_RH_oflo_list() = default;

  // A new overflow list in db holding first, then second.
  static _RH_oflo_list* create(dv_database* db, const void* first, const void* second);
  // Deletes the chained list and then this object.
  static void destroy(_RH_oflo_list* list);

  dv_chained_list_4_8* elements() const { return static_cast<dv_chained_list_4_8*>(list_.resolve()); }

  // Removes one occurrence of value; dv_err_am "<maint-0023-4430>
  // Inconsistency removing object 0x<value> from index; detected in
  // _RH_oflo_list::remove();" when the list does not hold it.
  void remove(const void* value);
  // Positions the dictionary cursor's overflow cursor (a transient cursor
  // made over the list on first need, rebound when it walks another
  // collection) on the first or last element and delivers it; 0 for an
  // empty list.
  int first(_Rhash_cursor& c, void*& value) const;
  int last(_Rhash_cursor& c, void*& value) const;

  static dv_typespec* get_dv_typespec();

 private:
  dv_cursor& cursor_over_list(_Rhash_cursor& c) const;

  dv_soft_pointer32<void> list_;  // the chained list of the elements
};

static_assert(sizeof(_RH_oflo_list) == 4);

}  // namespace dv_qem
